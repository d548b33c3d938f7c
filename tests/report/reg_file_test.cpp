// The registry editor file on its own, against real keys: every kind of value saved, the keys
// changed every way, the file imported by the system's registry editor, the keys as before.
#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/reg_file.h"
#include "platform/unicode_text.h"
#include "report_support.h"

using namespace reporttest;

namespace {

const wchar_t kTestKey[] = L"Software\\ZorvaneReportTest";

zv::TRegKeyHandle Create(const std::wstring& path)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return zv::TRegKeyHandle(key);
}

void Set(const std::wstring& path, const std::wstring& name, DWORD type, const TBytes& data)
{
    SetWideValue(HKEY_CURRENT_USER, path, name, type, data);
}

void Remove(const std::wstring& path, const std::wstring& name)
{
    EXPECT_EQ(RegDeleteKeyValueW(HKEY_CURRENT_USER, path.c_str(), name.c_str()), ERROR_SUCCESS);
}

}  // namespace

TEST(RegFile, EveryKindOfValueComesBackThroughTheRegistryEditor)
{
    const zvtest::TRegKeyFixture root(HKEY_CURRENT_USER, zv::WideToAnsi(kTestKey));
    const std::wstring tree = std::wstring(kTestKey) + L"\\备份";
    const std::wstring absent = std::wstring(kTestKey) + L"\\后来才有";
    const std::wstring values = std::wstring(kTestKey) + L"\\值";
    const std::wstring noKey = std::wstring(kTestKey) + L"\\没有";
    TBytes binary(40);
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<BYTE>(i * 7);
    const DWORD number = 0xDEADBEEF;
    const TBytes qword = {1, 2, 3, 4, 5, 6, 7, 8};
    Set(tree, L"", REG_SZ, WideBytes(L"默认"));
    Set(tree, L"binary", REG_BINARY, binary);
    Set(tree, L"custom", 0x20, {9, 8, 7});
    Set(tree, L"dword", REG_DWORD,
        TBytes(reinterpret_cast<const BYTE*>(&number), reinterpret_cast<const BYTE*>(&number + 1)));
    Set(tree, L"dword3", REG_DWORD, {1, 2, 3});
    Set(tree, L"empty", REG_SZ, {});
    Set(tree, L"expand", REG_EXPAND_SZ, WideBytes(L"%TEMP%\\卓凡"));
    Set(tree, L"lines", REG_SZ, WideBytes(L"one\r\ntwo"));
    Set(tree, L"multi", REG_MULTI_SZ, WideBytes(std::wstring(L"a\0中\0", 4)));
    Set(tree, L"none", REG_NONE, {});
    // RegSetValueEx counts a terminator the caller left out when one follows the data in memory;
    // a character follows it here, so the value is stored without one.
    const std::wstring abcd = L"abcd";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, tree.c_str(), L"unterminated", REG_SZ, abcd.data(), 6),
              ERROR_SUCCESS);
    Set(tree, L"qword", REG_QWORD, qword);
    Set(tree, L"say \"hi\" \\ there", REG_SZ, WideBytes(L"C:\\\"quoted\"\\"));
    // Thai is outside the code page: only the Unicode format carries it.
    Set(tree, L"\u0e01名", REG_SZ, WideBytes(L"\u0e01\u0e02"));
    Set(tree + L"\\子键\\孙", L"deep", REG_DWORD, {0, 0, 0, 0});
    Create(tree + L"\\空");
    Set(values, L"kept", REG_SZ, WideBytes(L"old"));
    Set(values, L"other", REG_SZ, WideBytes(L"untouched"));
    const TRegSnapshot before = RegSnapshot(HKEY_CURRENT_USER, kTestKey);

    zv::TRegFileWriter file;
    file.Comment(L"two\r\nlines");
    file.SaveKeyTree(HKEY_CURRENT_USER, tree);
    file.SaveKeyTree(HKEY_CURRENT_USER, absent);
    file.SaveValues(HKEY_CURRENT_USER, values, {L"kept", L"gone"});
    file.SaveValues(HKEY_CURRENT_USER, noKey, {L"x"});
    for (size_t start = 0, end; (end = file.Text().find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
        EXPECT_LE(end - start, 80u) << zv::WideToUtf8(file.Text().substr(start, end - start));
    }
    EXPECT_NE(file.Text().find(L"\r\n; two  lines\r\n"), std::wstring::npos);
    zvtest::TTempDir temp;
    const std::string path = temp.Path() + "\\恢复.reg";
    {
        const zv::TKernelHandle out(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD error = 0;
        ASSERT_TRUE(zv::WriteAll(out.get(), file.Bytes(), error));
    }

    Set(tree, L"", REG_SZ, WideBytes(L"changed"));
    Remove(tree, L"binary");
    Remove(tree, L"\u0e01名");
    Set(tree, L"added", REG_DWORD, {1, 0, 0, 0});
    Set(tree + L"\\新", L"x", REG_SZ, WideBytes(L"y"));
    zvtest::DeleteTree(HKEY_CURRENT_USER, zv::WideToAnsi(tree + L"\\子键"));
    Set(absent, L"x", REG_SZ, WideBytes(L"y"));
    Set(values, L"kept", REG_BINARY, {1});
    Set(values, L"gone", REG_SZ, WideBytes(L"new"));
    Set(values, L"other", REG_SZ, WideBytes(L"changed later"));
    ASSERT_NE(RegSnapshot(HKEY_CURRENT_USER, kTestKey), before);

    ImportWithRegedit(path);
    TRegSnapshot after = RegSnapshot(HKEY_CURRENT_USER, kTestKey);
    // The values the file does not name keep what they were given since.
    EXPECT_EQ(after[values][L"other"].second, WideBytes(L"changed later"));
    after[values][L"other"] = before.at(values).at(L"other");
    // The same holds for the registry editor (on Windows as under Wine): whether the value comes
    // back with a terminator depends on the editor's buffer, not on the file.
    auto& unterminated = after[tree][L"unterminated"];
    if (unterminated == std::make_pair(DWORD{REG_SZ}, WideBytes(L"abc"))) {
        unterminated = before.at(tree).at(L"unterminated");
    }
    EXPECT_EQ(after, before);
    EXPECT_FALSE(zvtest::KeyExists(HKEY_CURRENT_USER, zv::WideToAnsi(noKey)));
}

TEST(RegFile, LinesOfEachKind)
{
    const DWORD number = 0x400;
    const TBytes dword(reinterpret_cast<const BYTE*>(&number), reinterpret_cast<const BYTE*>(&number + 1));
    EXPECT_EQ(zv::ValueLine(L"Compatibility Flags", REG_DWORD, dword), L"\"Compatibility Flags\"=dword:00000400");
    EXPECT_EQ(zv::ValueLine(L"", REG_SZ, WideBytes(L"a\\b\"c")), L"@=\"a\\\\b\\\"c\"");
    EXPECT_EQ(zv::ValueLine(L"e", REG_SZ, {}), L"\"e\"=hex(1):");
    EXPECT_EQ(zv::ValueLine(L"q", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}), L"\"q\"=hex(b):01,00,00,00,00,00,00,00");
    EXPECT_EQ(zv::ValueLine(L"m", REG_MULTI_SZ, WideBytes(std::wstring(L"a\0", 2))), L"\"m\"=hex(7):61,00,00,00,00,00");
    EXPECT_THROW(zv::ValueLine(L"line\nbreak", REG_SZ, WideBytes(L"x")), zv::ERegFileError);
    EXPECT_EQ(zv::RootName(HKEY_CLASSES_ROOT), L"");
    zv::TRegFileWriter file;
    EXPECT_THROW(file.SaveKeyTree(HKEY_CLASSES_ROOT, L"x"), zv::ERegFileError);
    EXPECT_THROW(file.SaveKeyTree(HKEY_CURRENT_USER, L""), zv::ERegFileError);
}
