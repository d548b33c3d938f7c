// The version record of the built Zorvane.exe, read back as the shell's property sheet reads it.
#include <cstdio>
#include <cstring>

#include "about_fixtures.h"

using namespace abouttest;

namespace {

std::string QueryText(const std::vector<BYTE>& record, const std::string& path)
{
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(record.data(), path.c_str(), &value, &length) || !value) return "<missing>";
    const auto* text = static_cast<const char*>(value);
    return std::string(text, strnlen(text, length));
}

}  // namespace

TEST(VersionRecord, ZorvaneExeIsFileVersion17ProductVersion10DescribedAsZorvane)
{
    const std::string exe = BinDir() + "\\Zorvane.exe";
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u) << exe << " has no version record";
    std::vector<BYTE> record(size);
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, size, record.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    ASSERT_GE(fixedSize, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(7, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, 0));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(0, 1));
    EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(0, 0));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    // The texts live in the block that the translation table names: simplified Chinese, GBK.
    struct TTranslation {
        WORD language, codePage;
    };
    TTranslation* translations = nullptr;
    UINT translationsSize = 0;
    ASSERT_TRUE(VerQueryValueA(record.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                               &translationsSize));
    ASSERT_GE(translationsSize, sizeof(TTranslation));
    EXPECT_EQ(translations[0].language, 0x0804);
    EXPECT_EQ(translations[0].codePage, 936);
    char block[64];
    std::snprintf(block, sizeof(block), "\\StringFileInfo\\%04x%04x\\", translations[0].language,
                  translations[0].codePage);
    EXPECT_EQ(QueryText(record, std::string(block) + "FileDescription"), "Zorvane");
    EXPECT_EQ(QueryText(record, std::string(block) + "FileVersion"), "1.7.0.0");
    EXPECT_EQ(QueryText(record, std::string(block) + "ProductVersion"), "1.0.0.0");
}
