// The registry object against Wine's real registry: results, messages and the edge cases of
// stored data that the program cannot trust.
#include <functional>
#include <map>

#include "platform/registry.h"
#include "zvtest.h"

using zv::ERegistryException;
using zv::TRegistry;
using zv::TStringList;
using zvtest::TRegKeyFixture;

namespace {

const std::string kBase = "Software\\ZorvaneTest\\Registry";

// The message an operation raised, or "" when it raised nothing.
std::string RaisedBy(const std::function<void()>& operation)
{
    try {
        operation();
    } catch (const ERegistryException& e) {
        return e.what();
    }
    return {};
}

// Swaps one advapi32 entry of the registry object for the length of a test.
class TApiSwap {
public:
    TApiSwap() : m_saved(zv::RegistryApi()) {}
    ~TApiSwap() { zv::RegistryApi() = m_saved; }

private:
    zv::TRegistryApi m_saved;
};

}  // namespace

TEST(Registry, ReadTextTakesOnlyWhatIsStored)
{
    TRegKeyFixture key(HKEY_CURRENT_USER, kBase);
    key.SetText("", "plain", "hello");
    key.SetText("", "empty", "");
    key.SetRaw("", "nothing", REG_SZ, "", 0);
    key.SetRaw("", "unterminated", REG_SZ, "abc", 3);  // no NUL: the read must stop at the data's end
    key.SetRaw("", "odd", REG_SZ, "abcde", 5);
    key.SetRaw("", "inner nul", REG_SZ, "ab\0cd", 6);
    key.SetText("", "expand", "%SystemRoot%\\x.dll", REG_EXPAND_SZ);
    key.SetText("", "中文名", "值");

    TRegistry reg;
    ASSERT_TRUE(reg.EnterKey(kBase, false));
    EXPECT_EQ(reg.ReadText("plain"), "hello");
    EXPECT_EQ(reg.ReadText("empty"), "");
    EXPECT_EQ(reg.ReadText("nothing"), "");
    EXPECT_EQ(reg.ReadText("missing"), "");
    EXPECT_EQ(reg.ReadText("unterminated"), "abc");
    EXPECT_EQ(reg.ReadText("odd"), "abcde");
    EXPECT_EQ(reg.ReadText("inner nul"), "ab");
    EXPECT_EQ(reg.ReadText("expand"), "%SystemRoot%\\x.dll");
    EXPECT_EQ(reg.ReadText("中文名"), "值");
}

TEST(Registry, ReadsOfOtherTypesRaiseTheirMessages)
{
    TRegKeyFixture key(HKEY_CURRENT_USER, kBase);
    key.SetNumber("", "dword", 7);
    const unsigned char bytes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    key.SetRaw("", "binary", REG_BINARY, bytes, sizeof(bytes));
    key.SetRaw("", "empty binary", REG_BINARY, bytes, 0);
    key.SetRaw("", "multi", REG_MULTI_SZ, "a\0b\0", 5);
    key.SetRaw("", "qword", REG_QWORD, bytes, 8);
    key.SetText("", "short text", "ab");
    key.SetText("", "long text", "a text longer than four bytes");
    key.SetText("", "名称", "x");

    TRegistry reg;
    ASSERT_TRUE(reg.EnterKey(kBase, false));
    EXPECT_EQ(RaisedBy([&] { reg.ReadText("dword"); }), "Invalid data type for 'dword'");
    EXPECT_EQ(RaisedBy([&] { reg.ReadText("binary"); }), "Invalid data type for 'binary'");
    EXPECT_EQ(RaisedBy([&] { reg.ReadText("multi"); }), "Invalid data type for 'multi'");
    EXPECT_EQ(reg.ReadText("empty binary"), "") << "a value of size 0 reads as empty, whatever its type";

    EXPECT_EQ(reg.ReadNumber("dword"), 7u);
    EXPECT_EQ(RaisedBy([&] { reg.ReadNumber("missing"); }), "Failed to get data for 'missing'");
    EXPECT_EQ(RaisedBy([&] { reg.ReadNumber("short text"); }), "Invalid data type for 'short text'");
    EXPECT_EQ(RaisedBy([&] { reg.ReadNumber("long text"); }), "Failed to get data for 'long text'");
    EXPECT_EQ(RaisedBy([&] { reg.ReadNumber("qword"); }), "Failed to get data for 'qword'");
    EXPECT_EQ(RaisedBy([&] { reg.ReadNumber("名称"); }), "Invalid data type for '名称'");
}

TEST(Registry, ReadTextOfAValueThatCannotBeReadAfterItsSizeRaises)
{
    TRegKeyFixture key(HKEY_CURRENT_USER, kBase);
    key.SetText("", "grows", "abc");
    TApiSwap swap;
    // The value changes between the two queries: the second one no longer fits.
    zv::RegistryApi().QueryValueEx = [](HKEY, LPCSTR, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) WINAPI -> LONG {
        if (type) *type = REG_SZ;
        if (!data) {
            *size = 4;
            return ERROR_SUCCESS;
        }
        return ERROR_MORE_DATA;
    };
    TRegistry reg;
    ASSERT_TRUE(reg.EnterKey(kBase, false));
    EXPECT_EQ(RaisedBy([&] { reg.ReadText("grows"); }), "Failed to get data for 'grows'");
}

TEST(Registry, EnterKeyCreatesOpensAndResolvesPaths)
{
    TRegKeyFixture key(HKEY_CURRENT_USER, kBase);
    TRegistry reg;
    EXPECT_FALSE(reg.EnterKey(kBase + "\\a\\b\\c", false));
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    ASSERT_TRUE(reg.EnterKey(kBase + "\\a\\b\\c", true));
    EXPECT_TRUE(zvtest::KeyExists(HKEY_CURRENT_USER, kBase + "\\a\\b\\c"));
    EXPECT_EQ(reg.CurrentPath(), kBase + "\\a\\b\\c");

    // A failed open leaves the current key as it was.
    HKEY before = reg.CurrentKey();
    EXPECT_FALSE(reg.EnterKey("missing", false));
    EXPECT_EQ(reg.CurrentKey(), before);
    EXPECT_EQ(reg.CurrentPath(), kBase + "\\a\\b\\c");

    // A relative path resolves below the current key; an absolute one against the root.
    ASSERT_TRUE(reg.EnterKey("d", true));
    EXPECT_EQ(reg.CurrentPath(), kBase + "\\a\\b\\c\\d");
    EXPECT_TRUE(zvtest::KeyExists(HKEY_CURRENT_USER, kBase + "\\a\\b\\c\\d"));
    ASSERT_TRUE(reg.EnterKey("\\" + kBase + "\\a", false));
    EXPECT_EQ(reg.CurrentPath(), kBase + "\\a");

    // An empty path opens the base key itself again; being relative, it joins the current path
    // with a backslash like any other.
    reg.LeaveKey();
    EXPECT_EQ(reg.CurrentPath(), "");
    ASSERT_TRUE(reg.EnterKey(kBase, false));
    ASSERT_TRUE(reg.EnterKey("", true));
    EXPECT_EQ(reg.CurrentPath(), kBase + "\\");
}

TEST(Registry, SetRootClosesOnlyOnAChange)
{
    TRegKeyFixture key(HKEY_CURRENT_USER, kBase);
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(reg.AccessMask, static_cast<REGSAM>(KEY_ALL_ACCESS));
    ASSERT_TRUE(reg.EnterKey(kBase, false));
    reg.SetRoot(zv::kHkeyCurrentUser);
    EXPECT_NE(reg.CurrentKey(), nullptr);
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(reg.CurrentKey(), nullptr);
    EXPECT_EQ(reg.CurrentPath(), "");
    EXPECT_FALSE(reg.EnterKey(kBase, false)) << "the path now resolves under the machine's root";
}

TEST(Registry, EraseKeyRemovesTreesAsFarAsTheAccessMaskAllows)
{
    TRegKeyFixture key(HKEY_CURRENT_USER, kBase);
    key.CreateSub("full\\x\\y\\z");
    key.CreateSub("full\\x\\w");
    key.SetText("full\\x", "v", "1");
    key.CreateSub("guarded\\child");
    key.CreateSub("leaf");

    TRegistry reg;
    EXPECT_TRUE(reg.EraseKey(kBase + "\\full"));
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, kBase + "\\full"));
    EXPECT_FALSE(reg.EraseKey(kBase + "\\full"));

    TRegistry writer;
    writer.AccessMask = KEY_WRITE;
    EXPECT_FALSE(writer.EraseKey(kBase + "\\guarded")) << "KEY_WRITE cannot enumerate the sub-keys";
    EXPECT_TRUE(zvtest::KeyExists(HKEY_CURRENT_USER, kBase + "\\guarded\\child"));
    EXPECT_TRUE(writer.EraseKey(kBase + "\\leaf"));
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, kBase + "\\leaf"));

    // Erasing below the current key leaves the current key in place.
    ASSERT_TRUE(reg.EnterKey(kBase, false));
    HKEY current = reg.CurrentKey();
    EXPECT_TRUE(reg.EraseKey("guarded"));
    EXPECT_EQ(reg.CurrentKey(), current);
    EXPECT_EQ(reg.CurrentPath(), kBase);
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, kBase + "\\guarded"));
}

TEST(Registry, EraseKeyReachesDeepTrees)
{
    TRegKeyFixture key(HKEY_CURRENT_USER, kBase);
    std::string deep = "deep";
    for (int i = 0; i < 40; ++i) deep += "\\" + std::to_string(i);
    key.CreateSub(deep);
    TRegistry reg;
    EXPECT_TRUE(reg.EraseKey(kBase + "\\deep"));
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, kBase + "\\deep"));
}

TEST(Registry, WritesStoreExactlyTheirDataAndRaiseWithoutAKey)
{
    TRegKeyFixture key(HKEY_CURRENT_USER, kBase);
    TRegistry reg;
    EXPECT_EQ(RaisedBy([&] { reg.WriteText("Start Page", "about:blank"); }), "Failed to set data for 'Start Page'");
    EXPECT_EQ(RaisedBy([&] { reg.WriteNumber("Flags", 1); }), "Failed to set data for 'Flags'");

    ASSERT_TRUE(reg.EnterKey(kBase, false));
    reg.WriteText("empty", "");
    reg.WriteText("text", "中文");
    reg.WriteNumber("number", 0x400);
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase.c_str(), 0, KEY_READ, &raw), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExA(raw, "empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 1u) << "an empty text is stored as its terminating zero byte";
    RegCloseKey(raw);
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, kBase, "text"), "中文");
    EXPECT_EQ(zvtest::ReadDword(HKEY_CURRENT_USER, kBase, "number"), 0x400u);

    TRegistry reader;
    reader.AccessMask = KEY_READ;
    ASSERT_TRUE(reader.EnterKey(kBase, false));
    EXPECT_EQ(RaisedBy([&] { reader.WriteText("text", "x"); }), "Failed to set data for 'text'");
    EXPECT_FALSE(reader.EraseValue("text"));
    EXPECT_TRUE(reg.EraseValue("text"));
    EXPECT_FALSE(reg.EraseValue("text"));
    EXPECT_TRUE(reg.HasValue("number"));
    EXPECT_FALSE(reg.HasValue("text"));
}

TEST(Registry, ListsFollowTheRegistryWithNamesOfEveryLength)
{
    TRegKeyFixture key(HKEY_CURRENT_USER, kBase);
    // Longest names the registry takes: 255 for keys, 16,383 for values; double-byte names
    // need two ANSI bytes per character.
    const std::string longKey(255, 'k');
    const std::string longValue(16383, 'v');
    std::string wideKey;
    for (int i = 0; i < 127; ++i) wideKey += "键";
    // Created below an open handle: the whole path from the root would pass MAX_PATH.
    HKEY base = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kBase.c_str(), 0, KEY_ALL_ACCESS, &base), ERROR_SUCCESS);
    for (const std::string& name : {longKey, wideKey}) {
        HKEY sub = nullptr;
        ASSERT_EQ(RegCreateKeyExA(base, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), ERROR_SUCCESS)
            << name.size();
        RegCloseKey(sub);
    }
    RegCloseKey(base);
    key.CreateSub("乗\\inner");
    key.CreateSub("plain");
    key.SetText("", longValue, "x");
    key.SetText("", "数值名", "y");
    key.SetText("", "", "default");
    key.SetNumber("", "n", 1);

    TRegistry reg;
    reg.AccessMask = KEY_READ;
    ASSERT_TRUE(reg.EnterKey(kBase, false));
    TStringList keys = {"stale"}, values = {"stale"};
    reg.ListSubKeys(keys);
    reg.ListValues(values);
    EXPECT_EQ(keys, zvtest::EnumSubKeys(HKEY_CURRENT_USER, kBase));
    EXPECT_EQ(values, zvtest::EnumValues(HKEY_CURRENT_USER, kBase));
    EXPECT_EQ(keys.size(), 4u);
    EXPECT_EQ(values.size(), 4u);
    EXPECT_NE(std::find(keys.begin(), keys.end(), wideKey), keys.end());
    EXPECT_NE(std::find(values.begin(), values.end(), longValue), values.end());
    EXPECT_NE(std::find(values.begin(), values.end(), ""), values.end()) << "the default value has an empty name";
    EXPECT_EQ(reg.ReadText(longValue), "x");

    {
        // Values that grew since the key's sizes were read are listed all the same, each with
        // its own data.
        TApiSwap swap;
        zv::RegistryApi().QueryInfoKey = [](HKEY k, LPSTR c, LPDWORD cc, LPDWORD r, LPDWORD subs, LPDWORD maxSub,
                                            LPDWORD maxClass, LPDWORD vals, LPDWORD maxName, LPDWORD maxData,
                                            LPDWORD sd, PFILETIME t) WINAPI -> LONG {
            const LONG status = RegQueryInfoKeyA(k, c, cc, r, subs, maxSub, maxClass, vals, maxName, maxData, sd, t);
            if (maxData) *maxData = 1;
            return status;
        };
        std::vector<TRegistry::TValueEntry> entries;
        reg.ListValueEntries(entries);
        ASSERT_EQ(entries.size(), 4u);
        std::map<std::string, std::string> texts;
        for (const auto& entry : entries) {
            if (entry.type == REG_SZ) texts[entry.name] = TRegistry::TextOf(entry);
        }
        EXPECT_EQ(texts, (std::map<std::string, std::string>{{"", "default"}, {"数值名", "y"}, {longValue, "x"}}));
    }

    // A key that cannot be read lists nothing, also into a list that held names before.
    reg.LeaveKey();
    reg.ListSubKeys(keys);
    EXPECT_TRUE(keys.empty());
}

TEST(Registry, AccessDeniedReachesCallersAsResults)
{
    TApiSwap swap;
    zv::RegistryApi().CreateKeyEx = [](HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY,
                                      LPDWORD) WINAPI -> LONG { return ERROR_ACCESS_DENIED; };
    zv::RegistryApi().DeleteKey = [](HKEY, LPCSTR, REGSAM, DWORD) WINAPI -> LONG { return ERROR_ACCESS_DENIED; };
    TRegKeyFixture key(HKEY_CURRENT_USER, kBase);
    TRegistry reg;
    reg.SetRoot(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(reg.EnterKey("SOFTWARE\\ZorvaneTest\\Denied", true));
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\ZorvaneTest\\Denied"));
    reg.SetRoot(HKEY_CURRENT_USER);
    EXPECT_FALSE(reg.EraseKey(kBase));
    EXPECT_TRUE(zvtest::KeyExists(HKEY_CURRENT_USER, kBase));
}
