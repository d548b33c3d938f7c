// Undo records written as the window writes them, the changes made, and the report program's
// --undo and --history run as a user runs them: the registry and the files come back exactly,
// newest change first; a file that came back meanwhile stops the undo; a record that cannot
// be written leaves nothing.
#include <cctype>

#include "platform/handles.h"
#include "platform/unicode_text.h"
#include "report/report_options.h"
#include "report_support.h"
#include "undo/undo_record.h"

using namespace reporttest;

namespace {

const wchar_t kUserKey[] = L"Software\\ZorvaneUndoTest";
const char kMachineKey[] = "SOFTWARE\\ZorvaneUndoTest";

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
    ASSERT_EQ(RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &opened), ERROR_SUCCESS);
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
    const zvtest::TRegKeyFixture userKey(HKEY_CURRENT_USER, zv::WideToAnsi(kUserKey));
    // Absent before the changes, parent and all; the fixture removes what a failure leaves.
    const zvtest::TRegKeyFixture machineKey(HKEY_LOCAL_MACHINE, kMachineKey);
    zvtest::DeleteTree(HKEY_LOCAL_MACHINE, kMachineKey);

    const std::wstring tree = std::wstring(kUserKey) + L"\\插件";
    const std::wstring values = std::wstring(kUserKey) + L"\\值";
    const DWORD number = 0x12345678;
    TBytes binary(100);
    for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<BYTE>(255 - i);
    SetWideValue(HKEY_CURRENT_USER, tree, L"", REG_SZ, WideBytes(L"默认"));
    SetWideValue(HKEY_CURRENT_USER, tree, L"binary", REG_BINARY, binary);
    SetWideValue(HKEY_CURRENT_USER, tree, L"dword", REG_DWORD,
                 TBytes(reinterpret_cast<const BYTE*>(&number), reinterpret_cast<const BYTE*>(&number + 1)));
    SetWideValue(HKEY_CURRENT_USER, tree, L"expand", REG_EXPAND_SZ, WideBytes(L"%SystemRoot%\\卓凡.dll"));
    SetWideValue(HKEY_CURRENT_USER, tree, L"multi", REG_MULTI_SZ, WideBytes(std::wstring(L"一\0two\0", 7)));
    SetWideValue(HKEY_CURRENT_USER, tree, L"none", REG_NONE, {});
    SetWideValue(HKEY_CURRENT_USER, tree, L"odd", REG_SZ, {'a', 0, 0x0D, 0, 0x0A, 0, 0, 0, 'b', 0, 0x7F});
    SetWideValue(HKEY_CURRENT_USER, tree, L"qword", REG_QWORD, {8, 7, 6, 5, 4, 3, 2, 1});
    SetWideValue(HKEY_CURRENT_USER, tree, L"quoted \"\\ name", REG_SZ, WideBytes(L"C:\\\"x\"\\"));
    SetWideValue(HKEY_CURRENT_USER, tree, L"unterminated", REG_SZ, WideBytes(L"abc", false));
    SetWideValue(HKEY_CURRENT_USER, tree, L"\u0e01名", REG_SZ, WideBytes(L"\u0e01"));
    SetWideValue(HKEY_CURRENT_USER, tree + L"\\子键\\孙", L"deep", REG_DWORD, {0, 0, 0, 0});
    SetWideValue(HKEY_CURRENT_USER, tree + L"\\空", L"x", REG_SZ, WideBytes(L"y"));
    RemoveValue(HKEY_CURRENT_USER, tree + L"\\空", L"x");
    SetWideValue(HKEY_CURRENT_USER, values, L"kept", REG_SZ, WideBytes(L"first"));
    SetWideValue(HKEY_CURRENT_USER, values, L"removed", REG_EXPAND_SZ, WideBytes(L"%TEMP%"));
    SetWideValue(HKEY_CURRENT_USER, values, L"other", REG_SZ, WideBytes(L"untouched"));
    const TRegSnapshot before = RegSnapshot(HKEY_CURRENT_USER, kUserKey);

    // The first change erases a key tree, overwrites one value, deletes one, adds one.
    zv::TUndoRecord first("删除", "浏览器帮助程序对象(Browser Helper Object)\\卓凡 [启用]");
    first.SaveKeyTree(HKEY_CURRENT_USER, zv::WideToAnsi(tree));
    first.SaveValues(HKEY_CURRENT_USER, zv::WideToAnsi(values), {"kept", "removed", "added"});
    ASSERT_TRUE(first.Write());
    zvtest::DeleteTree(HKEY_CURRENT_USER, zv::WideToAnsi(tree));
    SetWideValue(HKEY_CURRENT_USER, values, L"kept", REG_DWORD, {1, 0, 0, 0});
    RemoveValue(HKEY_CURRENT_USER, values, L"removed");
    SetWideValue(HKEY_CURRENT_USER, values, L"added", REG_BINARY, {1, 2});
    first.Settle();
    const TRegSnapshot afterFirst = RegSnapshot(HKEY_CURRENT_USER, kUserKey);

    // The second creates a key whose parent is missing too, and changes a value the first
    // changed; its entry's name holds a line break, a "%" and a lone lead byte.
    const std::string oddEntry = "工具栏(Toolbar)\\卓凡\r\n50%\x81";
    zv::TUndoRecord second("禁用", oddEntry);
    second.SaveKeyTree(HKEY_LOCAL_MACHINE, std::string(kMachineKey) + "\\新建\\键");
    second.SaveValues(HKEY_CURRENT_USER, zv::WideToAnsi(values), {"kept"});
    ASSERT_TRUE(second.Write());
    SetWideValue(HKEY_LOCAL_MACHINE, zv::AnsiToWide(kMachineKey) + L"\\新建\\键", L"Flags", REG_DWORD, {1, 0, 0, 0});
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
    EXPECT_NE(run.out.find("  注册表：HKEY_LOCAL_MACHINE\\SOFTWARE\\ZorvaneUndoTest\\新建\\键（连同子键）\r\n"),
              std::string::npos)
        << run.out;
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, kMachineKey));
    EXPECT_EQ(RegSnapshot(HKEY_CURRENT_USER, kUserKey), afterFirst);

    run = RunReport({"--undo"});
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitDone)) << run.err;
    EXPECT_EQ(RegSnapshot(HKEY_CURRENT_USER, kUserKey), before);

    run = RunReport({"--undo"});
    EXPECT_EQ(run.exitCode, static_cast<DWORD>(zv::kExitNothingToUndo)) << run.err;
    EXPECT_EQ(RegSnapshot(HKEY_CURRENT_USER, kUserKey), before);
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
        record.SaveKeyTree(HKEY_CURRENT_USER, zv::WideToAnsi(kUserKey));
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
