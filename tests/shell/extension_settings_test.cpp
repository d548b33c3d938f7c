// Whether the browser's add-on settings disable a class: the key's existence alone decides.
#include "zvtest.h"

TEST(ExtensionSettings, AnExistingKeyDisablesWhateverItHoldsAndOddNamesNever)
{
    const std::string settings = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\";
    const std::string clsid = "{5A1D0C0E-0000-4000-8000-ZORVANETEST1}";
    const std::string other = "{5A1D0C0E-0000-4000-8000-ZORVANETEST2}";
    zvtest::TRegKeyFixture empty(HKEY_CURRENT_USER, settings + clsid);
    zvtest::TRegKeyFixture nested(HKEY_CURRENT_USER, settings + other + "\\inner");
    zv::Tfm_main f;
    EXPECT_TRUE(f.IsExtensionDisabled(clsid)) << "a key without values still disables";
    EXPECT_FALSE(f.IsExtensionDisabled("{5A1D0C0E-0000-4000-8000-ZORVANETEST3}"));
    EXPECT_FALSE(f.IsExtensionDisabled("")) << "the settings key itself exists, yet says nothing of a class";
    EXPECT_FALSE(f.IsExtensionDisabled(other + "\\inner")) << "a backslash would reach another class's key";
    EXPECT_TRUE(f.IsExtensionDisabled(other));
    zvtest::DeleteTree(HKEY_CURRENT_USER, settings + other);
}
