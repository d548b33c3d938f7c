// Undo records written as the window writes them, the changes made, and the report program's
// --undo and --history run as a user runs them: the registry and the files come back exactly,
// newest change first; a file that came back meanwhile stops the undo; a record that cannot
// be written leaves nothing.
#include <cctype>
#include <functional>

#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/sha256.h"
#include "platform/unicode_text.h"
#include "report/report_options.h"
#include "report_support.h"
#include "undo/undo_history.h"
#include "undo/undo_record.h"

using namespace reporttest;

namespace {

const wchar_t kUserKey[] = L"Software\\ZorvaneUndoTest";
// Keys the window's actions change, as the undo accepts only those: a class the unregister
// erases, a compatibility key the disable creates, an extension point whose values the delete
// removes, the per-user settings the enable erases.
const char kClassKey[] = "SOFTWARE\\Classes\\CLSID\\{5A0C1D2E-0019-4C3B-9D7E-ACA710A5E101}";
const char kCreatedKey[] =
    "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{5A0C1D2E-0019-4C3B-9D7E-ACA710A5E102}";
const char kHooksKey[] = "Software\\Microsoft\\Internet Explorer\\URLSearchHooks";
const char kSettingsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\{5A0C1D2E-0019-4C3B-9D7E-ACA710A5E103}";
const char kCompatibilityKey[] =
    "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{5A0C1D2E-0019-4C3B-9D7E-ACA710A5E103}";

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

// The history's lines without their leading time, after checking that each has one.
std::vector<std::string> HistoryWithoutTimes()
{
    const TRunResult run = RunReport({"--history"});
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitDone)) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    const std::string pattern = "0000-00-00 00:00:00";
    for (std::string& line : lines) {
        for (size_t i = 0; i < pattern.size(); ++i) {
            const char c = i < line.size() ? line[i] : '\0';
            EXPECT_TRUE(pattern[i] == '0' ? std::isdigit(static_cast<unsigned char>(c)) != 0 : c == pattern[i]) << line;
        }
        line.erase(0, pattern.size());
    }
    return lines;
}

void RemoveValue(HKEY root, const std::wstring& path, const std::wstring& name)
{
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE | zv::NativeViewFlag(), &opened), ERROR_SUCCESS);
    const zv::TRegKeyHandle key(opened);
    EXPECT_EQ(RegDeleteValueW(key.get(), name.c_str()), ERROR_SUCCESS);
}

FILETIME Time(WORD year, WORD month, WORD day)
{
    const SYSTEMTIME system{year, month, 0, day, 8, 30, 15, 250};
    FILETIME time{};
    SystemTimeToFileTime(&system, &time);
    return time;
}

WIN32_FILE_ATTRIBUTE_DATA Facts(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA facts{};
    EXPECT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &facts)) << path;
    return facts;
}

bool FolderIsEmpty(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    const zv::TFindHandle find(FindFirstFileA((folder + "\\*").c_str(), &found));
    if (!find) return true;
    do {
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") return false;
    } while (FindNextFileA(find.get(), &found));
    return true;
}

}  // namespace

TEST(Undo, RegistryComesBackExactlyNewestChangeFirst)
{
    const zvtest::TUndoRecordsFixture records;
    const zvtest::TRegKeyFixture classKey(HKEY_LOCAL_MACHINE, kClassKey), hooksKey(HKEY_CURRENT_USER, kHooksKey);
    // Absent before the changes; the fixture removes what a failure leaves.
    const zvtest::TRegKeyFixture machineKey(HKEY_LOCAL_MACHINE, kCreatedKey);
    zvtest::DeleteTree(HKEY_LOCAL_MACHINE, kCreatedKey);

    const std::wstring tree = zv::AnsiToWide(kClassKey);
    const std::wstring values = zv::AnsiToWide(kHooksKey);
    const DWORD number = 0x12345678;
    TBytes binary(100);
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<BYTE>(255 - i);
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"", REG_SZ, WideBytes(L"默认"));
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"binary", REG_BINARY, binary);
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"dword", REG_DWORD,
                 TBytes(reinterpret_cast<const BYTE*>(&number), reinterpret_cast<const BYTE*>(&number + 1)));
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"expand", REG_EXPAND_SZ, WideBytes(L"%SystemRoot%\\卓凡.dll"));
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"multi", REG_MULTI_SZ, WideBytes(std::wstring(L"一\0two\0", 7)));
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"none", REG_NONE, {});
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"odd", REG_SZ, {'a', 0, 0x0D, 0, 0x0A, 0, 0, 0, 'b', 0, 0x7F});
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"qword", REG_QWORD, {8, 7, 6, 5, 4, 3, 2, 1});
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"quoted \"\\ name", REG_SZ, WideBytes(L"C:\\\"x\"\\"));
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"unterminated", REG_SZ, WideBytes(L"abc", false));
    SetWideValue(HKEY_LOCAL_MACHINE, tree, L"\u0e01名", REG_SZ, WideBytes(L"\u0e01"));
    SetWideValue(HKEY_LOCAL_MACHINE, tree + L"\\子键\\孙", L"deep", REG_DWORD, {0, 0, 0, 0});
    SetWideValue(HKEY_LOCAL_MACHINE, tree + L"\\空", L"x", REG_SZ, WideBytes(L"y"));
    RemoveValue(HKEY_LOCAL_MACHINE, tree + L"\\空", L"x");
    SetWideValue(HKEY_CURRENT_USER, values, L"kept", REG_SZ, WideBytes(L"first"));
    SetWideValue(HKEY_CURRENT_USER, values, L"removed", REG_EXPAND_SZ, WideBytes(L"%TEMP%"));
    SetWideValue(HKEY_CURRENT_USER, values, L"other", REG_SZ, WideBytes(L"untouched"));
    // Six bytes, no terminator: stored through a buffer whose next bytes are not zero.
    DWORD size = 0;
    // RRF_SUBKEY_WOW6464KEY, which the headers declare for later Windows only: the 64-bit view.
    const DWORD view = zv::NativeViewFlag() ? 0x00010000 : 0;
    RegGetValueW(HKEY_LOCAL_MACHINE, tree.c_str(), L"unterminated", RRF_RT_ANY | RRF_NOEXPAND | view, nullptr, nullptr,
                 &size);
    ASSERT_EQ(size, 6u);
    const auto snapshot = [&] {
        return std::make_pair(RegSnapshot(HKEY_LOCAL_MACHINE, tree), RegSnapshot(HKEY_CURRENT_USER, values));
    };
    const auto before = snapshot();

    // The first change erases a key tree, overwrites one value, deletes one, adds one.
    zv::TUndoRecord first("删除", "浏览器帮助程序对象(Browser Helper Object)\\卓凡 [启用]");
    first.SaveErasedKey(HKEY_LOCAL_MACHINE, zv::WideToAnsi(tree));
    first.SaveValues(HKEY_CURRENT_USER, zv::WideToAnsi(values), {"kept", "removed", "added"});
    ASSERT_TRUE(first.Write());
    zvtest::DeleteTree(HKEY_LOCAL_MACHINE, zv::WideToAnsi(tree));
    SetWideValue(HKEY_CURRENT_USER, values, L"kept", REG_DWORD, {1, 0, 0, 0});
    RemoveValue(HKEY_CURRENT_USER, values, L"removed");
    SetWideValue(HKEY_CURRENT_USER, values, L"added", REG_BINARY, {1, 2});
    first.Settle();
    const auto afterFirst = snapshot();

    // The second creates a key, and changes a value the first changed; its entry's name holds
    // a line break, a "%" and a lone lead byte.
    const std::string oddEntry = "工具栏(Toolbar)\\卓凡\r\n50%\x81";
    zv::TUndoRecord second("禁用", oddEntry);
    second.SaveCreatedKey(HKEY_LOCAL_MACHINE, kCreatedKey);
    second.SaveValues(HKEY_CURRENT_USER, zv::WideToAnsi(values), {"kept"});
    ASSERT_TRUE(second.Write());
    SetWideValue(HKEY_LOCAL_MACHINE, zv::AnsiToWide(kCreatedKey), L"Flags", REG_DWORD, {1, 0, 0, 0});
    SetWideValue(HKEY_CURRENT_USER, values, L"kept", REG_SZ, WideBytes(L"second"));
    second.Settle();
    ASSERT_FALSE(second.Folder().empty());

    EXPECT_EQ(HistoryWithoutTimes(), (std::vector<std::string>{"  禁用  工具栏(Toolbar)\\卓凡  50%\x81  未撤销",
                                                               "  删除  浏览器帮助程序对象(Browser Helper "
                                                               "Object)\\卓凡 [启用]  未撤销"}));

    TRunResult run = RunReport({"--undo"});
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitDone)) << run.err;
    EXPECT_EQ(Lines(run.out).at(0).find("已撤销："), 0u) << run.out;
    EXPECT_NE(run.out.find("  禁用  工具栏(Toolbar)\\卓凡  50%\x81\r\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  注册表：HKEY_LOCAL_MACHINE\\" + std::string(kCreatedKey) + "（连同子键）\r\n"),
              std::string::npos)
        << run.out;
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, kCreatedKey));
    EXPECT_EQ(snapshot(), afterFirst);

    run = RunReport({"--undo"});
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitDone)) << run.err;
    EXPECT_EQ(snapshot(), before);

    run = RunReport({"--undo"});
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitNothingToUndo)) << run.err;
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(HistoryWithoutTimes(), (std::vector<std::string>{"  禁用  工具栏(Toolbar)\\卓凡  50%\x81  已撤销",
                                                               "  删除  浏览器帮助程序对象(Browser Helper "
                                                               "Object)\\卓凡 [启用]  已撤销"}));
}

TEST(Undo, DeletedFilesComeBackWholeButNeverOverOneThatReturned)
{
    const zvtest::TUndoRecordsFixture records;
    zvtest::TTempDir temp;
    const std::string content("MZ\0\x01\xFF\r\n卓凡", 12);
    const std::string plugin = temp.File("卓凡插件.dll", content);
    const FILETIME created = Time(2005, 3, 4), accessed = Time(2006, 7, 8), written = Time(2005, 3, 5);
    {
        const zv::TKernelHandle file(CreateFileA(plugin.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(SetFileTime(file.get(), &created, &accessed, &written));
    }
    ASSERT_TRUE(SetFileAttributesA(plugin.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    const WIN32_FILE_ATTRIBUTE_DATA before = Facts(plugin);

    zv::TUndoRecord deleteFile("删除文件", plugin);
    deleteFile.SaveFile(plugin);
    ASSERT_TRUE(deleteFile.Write());
    // A read-only file refuses the window's delete; here the change clears it first.
    SetFileAttributesA(plugin.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(DeleteFileA(plugin.c_str()));
    deleteFile.Settle();

    const std::string script = temp.File("启动.bat", "@echo off\r\n");
    zv::TUndoRecord deleteItem("删除启动项目", "启动.bat");
    deleteItem.SaveFile(script);
    ASSERT_TRUE(deleteItem.Write());
    ASSERT_TRUE(DeleteFileA(script.c_str()));
    deleteItem.Settle();
    // Something puts another file where the deleted one was.
    temp.File("启动.bat", "rem newer\r\n");

    TRunResult run = RunReport({"--undo"});
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitFailed));
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("文件 " + script + " 在删除之后又有了"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(script), "rem newer\r\n");
    EXPECT_EQ(ReadFileBytes(zv::WideToAnsi(deleteItem.Folder()) + "\\file1"), "@echo off\r\n");
    EXPECT_EQ(HistoryWithoutTimes(), (std::vector<std::string>{"  删除启动项目  启动.bat  未撤销",
                                                               "  删除文件  " + plugin + "  未撤销"}));

    // Once that file is moved away, the same undo goes through.
    ASSERT_TRUE(DeleteFileA(script.c_str()));
    run = RunReport({"--undo"});
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitDone)) << run.err;
    EXPECT_EQ(ReadFileBytes(script), "@echo off\r\n");

    run = RunReport({"--undo"});
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitDone)) << run.err;
    EXPECT_NE(run.out.find("\r\n  文件：" + plugin + "\r\n"), std::string::npos) << run.out;
    // Facts first: reading the file moves its last access time.
    const WIN32_FILE_ATTRIBUTE_DATA after = Facts(plugin);
    EXPECT_EQ(after.dwFileAttributes, before.dwFileAttributes);
    EXPECT_EQ(CompareFileTime(&after.ftCreationTime, &before.ftCreationTime), 0);
    EXPECT_EQ(CompareFileTime(&after.ftLastAccessTime, &before.ftLastAccessTime), 0);
    EXPECT_EQ(CompareFileTime(&after.ftLastWriteTime, &before.ftLastWriteTime), 0);
    EXPECT_EQ(ReadFileBytes(plugin), content);

    EXPECT_EQ(RunReport({"--undo"}).exitCode, static_cast<DWORD>(zv::kExitNothingToUndo));
}

TEST(Undo, RecordThatCannotBeWrittenLeavesNothingAndRecordOfNothingGoes)
{
    zvtest::TTempDir temp;
    const zvtest::TRegKeyFixture key(HKEY_CURRENT_USER, zv::WideToAnsi(kUserKey));
    key.SetText("", "Start Page", "http://zv.example/");
    const std::string file = temp.File("卓凡.dll");

    {
        // The records' folder cannot be created: its parent is missing.
        const zvtest::TUndoFolderSeam seam(temp.Path() + "\\没有\\Zorvane");
        zv::TUndoRecord record("恢复浏览器主页地址", "");
        record.SaveValues(HKEY_CURRENT_USER, zv::WideToAnsi(kUserKey), {"Start Page"});
        EXPECT_FALSE(record.Write());
        EXPECT_TRUE(record.Folder().empty());
    }
    const std::string folder = temp.Path() + "\\Zorvane";
    const zvtest::TUndoFolderSeam seam(folder);
    {
        // The file cannot be copied while it is held without sharing; the registry part was
        // written before it was tried.
        const zv::TKernelHandle held(
            CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held);
        zv::TUndoRecord record("删除文件", file);
        record.SaveValues(HKEY_CURRENT_USER, zv::WideToAnsi(kUserKey), {"Start Page"});
        record.SaveFile(file);
        EXPECT_FALSE(record.Write());
        EXPECT_TRUE(FolderIsEmpty(folder));
    }
    {
        // A value name the registry editor file cannot hold.
        key.SetText("", "two\nlines", "x");
        zv::TUndoRecord record("删除", "值");
        record.SaveErasedKey(HKEY_CURRENT_USER, zv::WideToAnsi(kUserKey));
        EXPECT_FALSE(record.Write());
        EXPECT_TRUE(FolderIsEmpty(folder));
    }

    // A change that failed: nothing it saved has changed, so its record goes again.
    zv::TUndoRecord failed("删除文件", file);
    failed.SaveFile(file);
    failed.SaveValues(HKEY_CURRENT_USER, zv::WideToAnsi(kUserKey), {"Start Page"});
    ASSERT_TRUE(failed.Write());
    EXPECT_FALSE(FolderIsEmpty(folder));
    failed.Settle();
    EXPECT_TRUE(FolderIsEmpty(folder));

    zv::TUndoRecord made("恢复浏览器主页地址", "");
    made.SaveValues(HKEY_CURRENT_USER, zv::WideToAnsi(kUserKey), {"Start Page"});
    ASSERT_TRUE(made.Write());
    key.SetText("", "Start Page", "about:blank");
    made.Settle();
    ASSERT_FALSE(made.Folder().empty());
    EXPECT_NE(GetFileAttributesW((made.Folder() + L"\\manifest.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}

namespace {

// The newest record taken back in this process; the message when it is refused or fails.
std::string UndoHere(std::optional<zv::TUndone>* undone = nullptr)
{
    try {
        const std::optional<zv::TUndone> result = zv::UndoLatest();
        if (undone) *undone = result;
        return result ? "" : "nothing";
    } catch (const zv::EError& e) {
        return e.Message().empty() ? "?" : e.Message();
    }
}

// A record of one change to a class key, a search hook value and a file, made; the state after.
struct TChangeFixture {
    TChangeFixture()
    {
        classKey.SetNumber("", "dword", 0x2a);
        classKey.SetRaw("", "binary", REG_BINARY, "\x01\xab", 2);
        hooksKey.SetText("", "Zv kept", "before");
        zv::TUndoRecord record("删除", "卓凡");
        record.SaveErasedKey(HKEY_LOCAL_MACHINE, kClassKey);
        record.SaveValues(HKEY_CURRENT_USER, kHooksKey, {"Zv kept"});
        record.SaveFile(file);
        EXPECT_TRUE(record.Write());
        folder = zv::WideToAnsi(record.Folder());
        zvtest::DeleteTree(HKEY_LOCAL_MACHINE, kClassKey);
        hooksKey.SetText("", "Zv kept", "after");
        DeleteFileA(file.c_str());
        for (const char* part : kParts) parts.push_back(ReadFileBytes(folder + "\\" + part));
    }
    auto State() const
    {
        return std::make_tuple(zvtest::KeyExists(HKEY_LOCAL_MACHINE, kClassKey),
                               zvtest::ReadString(HKEY_CURRENT_USER, kHooksKey, "Zv kept"),
                               GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES);
    }
    void Put(const std::vector<std::string>& bytes) const
    {
        for (size_t i = 0; i < bytes.size(); ++i) {
            const std::wstring path = zv::AnsiToWide(folder + "\\" + kParts[i]);
            DeleteFileW(path.c_str());
            DWORD error = 0;
            EXPECT_TRUE(zv::WriteNewFile(path, bytes[i], error));
        }
    }

    static constexpr const char* kParts[] = {"manifest.txt", "registry.reg", "file1"};

    zvtest::TTempDir temp;
    const zvtest::TUndoFolderSeam seam{temp.Path() + "\\Zorvane"};
    const zvtest::TRegKeyFixture classKey{HKEY_LOCAL_MACHINE, kClassKey}, hooksKey{HKEY_CURRENT_USER, kHooksKey};
    const std::string file = temp.File("卓凡.dll", "MZ copy");
    std::string folder;
    std::vector<std::string> parts;  // manifest, registry file, copy, as written
};

std::wstring Wide(const std::string& bytes)
{
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
}
std::string Bytes(const std::wstring& text)
{
    return "\xFF\xFE" + std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

}  // namespace

// Planted and damaged records: each refused with its reason, nothing changed; the record as
// written then goes through.
TEST(Undo, RecordsNotAsTheWindowWroteThemAreRefusedWhole)
{
    const TChangeFixture fx;
    const auto changed = fx.State();
    using TEdit = std::function<void(zv::TUndoManifest&, std::wstring&)>;
    const std::vector<std::pair<const char*, TEdit>> edits = {
        {"copy outside the record",
         [](zv::TUndoManifest& m, std::wstring&) { m.Files[0].Copy = m.Parts[1].Name = "..\\file1"; }},
        {"file on a share",
         [](zv::TUndoManifest& m, std::wstring&) { m.Files[0].Path = "\\\\zvnet\\share\\卓凡.dll"; }},
        {"relative file", [](zv::TUndoManifest& m, std::wstring&) { m.Files[0].Path = "卓凡.dll"; }},
        {"key outside the set",
         [](zv::TUndoManifest& m, std::wstring& reg) {
             m.Keys[0].Path = "SOFTWARE";
             for (size_t at; (at = reg.find(zv::AnsiToWide(kClassKey))) != std::wstring::npos;)
                 reg.replace(at, strlen(kClassKey), L"SOFTWARE");
         }},
        {"key not listed",
         [](zv::TUndoManifest&, std::wstring& reg) { reg += L"[-HKEY_CURRENT_USER\\Software\\Zv Other]\r\n"; }},
        {"short dword",
         [](zv::TUndoManifest&, std::wstring& reg) { reg.replace(reg.find(L"dword:0000002a"), 14, L"dword:2a"); }},
        {"short byte",
         [](zv::TUndoManifest&, std::wstring& reg) { reg.replace(reg.find(L"hex:01,ab"), 9, L"hex:1,ab"); }},
    };
    std::vector<std::pair<std::string, std::vector<std::string>>> rows;
    for (const auto& [name, edit] : edits) {
        zv::TUndoManifest manifest = zv::ParseManifest(fx.parts[0]);
        std::wstring reg = Wide(fx.parts[1]);
        edit(manifest, reg);
        const std::string registry = Bytes(reg);
        manifest.Parts[0] = {"registry.reg", registry.size(), zv::Sha256Hex(registry)};
        rows.push_back({name, {zv::FormatManifest(manifest), registry, fx.parts[2]}});
    }
    std::string bad = fx.parts[1];
    bad[bad.size() - 8] ^= 1;
    rows.push_back({"registry file altered", {fx.parts[0], bad, fx.parts[2]}});
    rows.push_back({"copy altered", {fx.parts[0], fx.parts[1], "MZ cop!"}});
    // Cut as a crash or a full disk leaves a part.
    for (size_t part = 0; part < 3; ++part) {
        for (size_t at = 0; at < fx.parts[part].size(); at += part == 2 ? 1 : 5) {
            std::vector<std::string> cut = fx.parts;
            cut[part].resize(at);
            rows.push_back({"cut " + std::to_string(part) + " at " + std::to_string(at), cut});
        }
    }
    for (const auto& [name, bytes] : rows) {
        SCOPED_TRACE(name);
        fx.Put(bytes);
        EXPECT_NE(UndoHere().find("撤销记录"), std::string::npos);
        EXPECT_EQ(fx.State(), changed);
    }
    fx.Put(fx.parts);
    EXPECT_EQ(UndoHere(), "");
    EXPECT_EQ(fx.State(), std::make_tuple(true, std::string("before"), true));
}

namespace {

// A standard user's registry: HKEY_LOCAL_MACHINE opens for reading only.
LONG WINAPI OpenMachineForReadingOnly(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY key)
{
    if (root == HKEY_LOCAL_MACHINE && (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | DELETE))) {
        return ERROR_ACCESS_DENIED;
    }
    return RegOpenKeyExW(root, path, options, access | zv::NativeViewFlag(), key);
}

}  // namespace

// An enable that could erase only the per-user key is taken back without touching the
// machine-wide one; a record that needs a key it cannot write changes nothing and says which.
TEST(Undo, WhatIsAsSavedIsPassedOverAndTheRestWrittenAllOrNothing)
{
    zvtest::TTempDir temp;
    const zvtest::TUndoFolderSeam seam(temp.Path() + "\\Zorvane");
    const zvtest::TRegKeyFixture settings(HKEY_CURRENT_USER, kSettingsKey), flag(HKEY_LOCAL_MACHINE, kCompatibilityKey);
    settings.SetNumber("", "Flags", 1);
    flag.SetNumber("", "Compatibility Flags", 0x400);
    const zv::TRegistryApi real = zv::RegistryApi();
    for (const bool machineErased : {false, true}) {
        zv::TUndoRecord record("启用", "卓凡");
        record.SaveErasedKey(HKEY_CURRENT_USER, kSettingsKey);
        record.SaveErasedKey(HKEY_LOCAL_MACHINE, kCompatibilityKey);
        ASSERT_TRUE(record.Write());
        zvtest::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        if (machineErased) zvtest::DeleteTree(HKEY_LOCAL_MACHINE, kCompatibilityKey);
        zv::RegistryApi().OpenKeyExW = OpenMachineForReadingOnly;
        const std::string outcome = UndoHere();
        zv::RegistryApi() = real;
        EXPECT_EQ(outcome.find(kCompatibilityKey) != std::string::npos, machineErased) << outcome;
        EXPECT_EQ(zvtest::KeyExists(HKEY_CURRENT_USER, kSettingsKey), !machineErased);
        // As an administrator.
        EXPECT_EQ(UndoHere(), machineErased ? "" : "nothing");
        EXPECT_EQ(zvtest::ReadDword(HKEY_LOCAL_MACHINE, kCompatibilityKey, "Compatibility Flags"), 0x400u);
        EXPECT_EQ(zvtest::ReadDword(HKEY_CURRENT_USER, kSettingsKey, "Flags"), 1u);
    }
}

// Records go back newest first by their sequence whatever their names' times say; a file
// named relative to the window's folder comes back there; a record that cannot be marked is
// never applied twice; a file whose folder is gone is said to be so, once.
TEST(Undo, EachRecordIsTakenBackOnceInTheOrderMadeWhereItWas)
{
    const TChangeFixture fx;
    auto change = [&](const char* action, const std::string& file, const char* value) {
        zv::TUndoRecord record(action, "卓凡");
        record.SaveValues(HKEY_CURRENT_USER, kHooksKey, {"Zv kept"});
        if (!file.empty()) record.SaveFile(file);
        EXPECT_TRUE(record.Write());
        fx.hooksKey.SetText("", "Zv kept", value);
        DeleteFileA(file.c_str());
        return zv::WideToAnsi(record.Folder());
    };
    auto value = [&] { return zvtest::ReadString(HKEY_CURRENT_USER, kHooksKey, "Zv kept"); };
    ASSERT_EQ(UndoHere(), "");
    // Made while the clock read 2099, then set right.
    const std::string early = change("删除", "", "one");
    ASSERT_TRUE(MoveFileA(early.c_str(),
                          (early.substr(0, early.size() - 22) + "2099" + early.substr(early.size() - 18)).c_str()));
    change("删除", "", "two");
    EXPECT_EQ(UndoHere(), "");
    EXPECT_EQ(value(), "one");
    EXPECT_EQ(UndoHere(), "");
    EXPECT_EQ(value(), "before");

    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    SetCurrentDirectoryA(fx.temp.Path().c_str());
    fx.temp.File("相对.dll", "MZ relative");
    change("删除文件", "相对.dll", "three");
    SetCurrentDirectoryA(current);
    EXPECT_EQ(UndoHere(), "");
    EXPECT_EQ(ReadFileBytes(fx.temp.Path() + "\\相对.dll"), "MZ relative");

    // The manifest cannot be replaced, as in a folder that cannot be written.
    const std::string manifest = change("删除", "", "four") + "\\manifest.txt";
    zv::TKernelHandle held(CreateFileA(manifest.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    EXPECT_NE(UndoHere(), "");
    fx.hooksKey.SetText("", "Zv kept", "five");
    EXPECT_NE(UndoHere(), "");
    EXPECT_EQ(value(), "five");
    held.reset();
    EXPECT_EQ(UndoHere(), "");
    EXPECT_EQ(value(), "before");

    CreateDirectoryA((fx.temp.Path() + "\\gone").c_str(), nullptr);
    const std::string lost = fx.temp.File("gone\\卓凡.dll", "MZ lost");
    change("删除文件", lost, "six");
    zvtest::RemoveTree(fx.temp.Path() + "\\gone");
    std::optional<zv::TUndone> undone;
    EXPECT_EQ(UndoHere(&undone), "");
    ASSERT_TRUE(undone);
    EXPECT_NE(undone->FileProblems.at(0).find("已经不存在"), std::string::npos);
    EXPECT_EQ(value(), "before");
    EXPECT_EQ(UndoHere(), "nothing");
}
