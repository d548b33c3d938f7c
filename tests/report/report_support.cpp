#include "report_support.h"

#include <algorithm>
#include <cstdlib>

#include "platform/cmdline.h"
#include "platform/file_io.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "startup/startup_folders.h"

using zv::TKernelHandle;

namespace reporttest {

namespace {

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kMainKey[] = "Software\\Microsoft\\Internet Explorer\\Main";
const char kClsidKey[] = "SOFTWARE\\Classes\\CLSID\\";
const char kExtSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\";
const char kCompatibilityKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\";
const char kBuiltInToolbar[] = "{01E04581-4EEE-11D0-BFE9-00AA005B4383}";

}  // namespace

namespace {

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    const TKernelHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD error = 0;
    ASSERT_TRUE(file && zv::WriteAll(file.get(), bytes, error)) << path;
}

// The home page outlives the fixture: only its value is set, and put back afterwards.
void SetStartPage(const std::string& page)
{
    HKEY opened = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kMainKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &opened, nullptr),
              ERROR_SUCCESS);
    const zv::TRegKeyHandle key(opened);
    if (page.empty()) {
        RegDeleteValueA(key.get(), "Start Page");
    } else {
        RegSetValueExA(key.get(), "Start Page", 0, REG_SZ, reinterpret_cast<const BYTE*>(page.c_str()),
                       static_cast<DWORD>(page.size() + 1));
    }
}

void CreateFolder(const std::string& path, std::vector<std::string>& created)
{
    for (size_t slash = path.find('\\', 3);; slash = path.find('\\', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (CreateDirectoryA(part.c_str(), nullptr)) created.push_back(part);
        if (slash == std::string::npos) break;
    }
}

}  // namespace

const char TInventory::kFolder[] = "C:\\zvreport\\卓凡";

TBytes WideBytes(const std::wstring& text, bool terminated)
{
    const BYTE* begin = reinterpret_cast<const BYTE*>(text.data());
    return TBytes(begin, begin + (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t));
}

void SetWideValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const TBytes& data)
{
    HKEY created = nullptr;
    const REGSAM sam = KEY_SET_VALUE | zv::NativeViewFlag();
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, sam, nullptr, &created, nullptr),
              ERROR_SUCCESS);
    const zv::TRegKeyHandle key(created);
    // Non-zero bytes after the data: the wide call would otherwise count a terminator the data
    // lacks into the size of a text.
    TBytes guarded = data;
    guarded.insert(guarded.end(), {0xFF, 0xFF});
    EXPECT_EQ(RegSetValueExW(key.get(), name.c_str(), 0, type, guarded.data(), static_cast<DWORD>(data.size())),
              ERROR_SUCCESS);
}

void ImportWithRegedit(const std::string& file)
{
    zvtest::TTempDir temp;
    // The registry editor a user opens is the native one: a 32-bit program starting it would get
    // the 32-bit editor, which reads every path in the 32-bit view.
    PVOID redirection = nullptr;
    const BOOL off = Wow64DisableWow64FsRedirection(&redirection);
    EXPECT_EQ(zvtest::RunAndWait("C:\\windows\\regedit.exe /s " + zvtest::Quote(file), temp.Path() + "\\out", temp.Path() + "\\err"),
              0u);
    if (off) Wow64RevertWow64FsRedirection(redirection);
}

std::string GbkToUtf8(const std::string& text)
{
    if (text.empty()) return {};
    const int chars =
        MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    EXPECT_GT(chars, 0) << "not GBK text";
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), wide.data(), chars);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), chars, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), chars, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::string Normalise(const std::string& utf8Report)
{
    // The test's own literals are code-page text; the report being normalised is UTF-8.
    std::vector<std::string> varying;
    for (const char* prefix : {"程序版本：", "时间：", "系统：", "用户：",
                               "  \"version\": ", "  \"time\": ", "  \"windows\": ", "  \"user\": ", "; Zorvane ",
                               // The view depends on the Windows under the program.
                               "      \"view\": "}) {
        varying.push_back(GbkToUtf8(prefix));
    }
    std::string result;
    size_t start = 0;
    while (start < utf8Report.size()) {
        size_t end = utf8Report.find('\n', start);
        if (end == std::string::npos) end = utf8Report.size();
        std::string line = utf8Report.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (const std::string& prefix : varying) {
            if (line.rfind(prefix, 0) == 0) line = prefix + "<varies>" + (line.back() == ',' ? "," : "");
        }
        result += line + "\n";
        start = end + 1;
    }
    const std::string user = GbkToUtf8(zv::CurrentUserName());
    ReplaceAll(result, "\\Documents and Settings\\" + user + "\\", "\\Documents and Settings\\<user>\\");
    ReplaceAll(result, "\\\\Documents and Settings\\\\" + user + "\\\\", "\\\\Documents and Settings\\\\<user>\\\\");
    return result;
}

void ExpectGolden(const std::string& name, const std::string& utf8Text)
{
    const std::string path = WindowsPath(ZV_REPORT_GOLDEN_DIR) + "\\" + name;
    if (const char* update = std::getenv("ZV_UPDATE_GOLDEN"); update && *update) {
        WriteBytes(path, utf8Text);
        return;
    }
    EXPECT_EQ(ReadFileBytes(path), utf8Text) << "golden file " << path;
}

std::string Id(int n)
{
    char id[48];
    std::snprintf(id, sizeof(id), "{5A0E00%02X-0000-4000-8000-0000000000%02X}", n, n);
    return id;
}

void TInventory::NoteMissingParents(HKEY root, const std::string& path)
{
    for (size_t slash = path.rfind('\\'); slash != std::string::npos && slash > 0;
         slash = path.rfind('\\', slash - 1)) {
        const std::pair<HKEY, std::string> parent(root, path.substr(0, slash));
        if (zvtest::KeyExists(root, parent.second)) break;
        if (std::find(m_missingParents.begin(), m_missingParents.end(), parent) == m_missingParents.end()) {
            m_missingParents.push_back(parent);
        }
    }
}

zvtest::TRegKeyFixture& TInventory::Add(HKEY root, const std::string& path)
{
    NoteMissingParents(root, path);
    m_keys.push_back(std::make_unique<zvtest::TRegKeyFixture>(root, path));
    return *m_keys.back();
}

zvtest::TRegKeyFixture& TInventory::Key(HKEY root, const std::string& path)
{
    for (auto& key : m_keys) {
        if (key->Path() == path) return *key;
    }
    return Add(root, path);
}

TInventory::TInventory()
{
    const std::string folder = kFolder;
    CreateFolder(folder, m_createdFolders);
    const std::string fixtureDll = ProgramDir() + "\\zv_report_fixture.dll";
    for (const char* name : {"zfhelper.dll", "player.ocx", "tray.exe"}) {
        EXPECT_TRUE(CopyFileA(fixtureDll.c_str(), (folder + "\\" + name).c_str(), FALSE)) << name;
    }

    auto classKey = [this](const std::string& clsid, const std::string& name, const std::string& server,
                           DWORD serverType = REG_SZ) {
        zvtest::TRegKeyFixture& key = Add(HKEY_LOCAL_MACHINE, kClsidKey + clsid);
        key.SetText("", "", name);
        if (!server.empty()) {
            key.SetText("InprocServer32", "", server, serverType);
            key.SetText("InprocServer32", "ThreadingModel", "Apartment");
        }
    };
    for (int n = 1; n <= 9; ++n) {
        m_absent.emplace_back(HKEY_CURRENT_USER, kExtSettingsKey + Id(n));
        m_absent.emplace_back(HKEY_LOCAL_MACHINE, kCompatibilityKey + Id(n));
        m_absent.emplace_back(HKEY_LOCAL_MACHINE, kClsidKey + Id(n));
    }
    m_absent.emplace_back(HKEY_CURRENT_USER, kExtSettingsKey + std::string(kBuiltInToolbar));
    m_absent.emplace_back(HKEY_LOCAL_MACHINE, kCompatibilityKey + std::string(kBuiltInToolbar));
    m_absent.emplace_back(HKEY_CURRENT_USER, "Policies\\Microsoft\\Internet Explorer\\Control Panel");
    for (const auto& [root, path] : m_absent) {
        zvtest::DeleteTree(root, path);
        NoteMissingParents(root, path);
    }

    // Browser helper object: a server file with a version record.
    classKey(Id(1), "卓凡网页助手", folder + "\\zfhelper.dll");
    Add(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects")
        .CreateSub(Id(1));

    // Toolbars: the browser's own address bar, and a disabled bar whose file is missing.
    classKey(kBuiltInToolbar, "地址栏(&A)", "");
    classKey(Id(2), "Quick Bar", "%SystemRoot%\\zvreport_missing.dll", REG_EXPAND_SZ);
    zvtest::TRegKeyFixture& toolbars = Add(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar");
    const BYTE zero = 0;
    toolbars.SetRaw("", kBuiltInToolbar, REG_BINARY, &zero, 1);
    toolbars.SetText("", Id(2), "");
    zvtest::TRegKeyFixture& disabled = Add(HKEY_CURRENT_USER, kExtSettingsKey + Id(2));
    disabled.SetNumber("", "Flags", 1);
    disabled.SetText("", "Version", "*");

    // Explorer bar: a class without a server.
    classKey(Id(3), "资讯侧栏", "");
    Add(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer\\Explorer Bars").CreateSub(Id(3));

    // Menu extension with a command whose file is missing; context-menu entry.
    zvtest::TRegKeyFixture& extensions = Add(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer\\Extensions");
    extensions.SetText(Id(4), "Exec", folder + "\\search.exe");
    extensions.SetText(Id(4), "MenuText", "卓凡搜索");
    Add(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\MenuExt")
        .SetText("用卓凡下载(&Z)", "", folder + "\\menu.htm");

    // ActiveX: a downloaded control that is also in the statistics and already carries a
    // compatibility flag; a used control whose class is gone; one used outside the browser.
    classKey(Id(5), "卓凡播放控件", folder + "\\player.ocx");
    Add(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Code Store Database\\Distribution Units")
        .SetText(Id(5) + "\\DownloadInformation", "CODEBASE", "http://zv.example/player.cab");
    Add(HKEY_LOCAL_MACHINE, kCompatibilityKey + Id(5)).SetNumber("", "Compatibility Flags", 0);
    zvtest::TRegKeyFixture& stats = Add(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats");
    stats.SetNumber(Id(5) + "\\iexplore", "Type", 1);
    stats.SetNumber(Id(6) + "\\iexplore", "Count", 3);
    stats.SetNumber(Id(6) + "\\iexplore", "Type", 1);
    stats.SetNumber(Id(7) + "\\iexplore", "Type", 2);

    // Hooks: an unregistered URL search hook, a shell-execute hook whose file is missing, and one
    // in the default value of their key, which is that value alone.
    Add(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\URLSearchHooks").SetText("", Id(8), "");
    classKey(Id(9), "执行守卫", folder + "\\guard.dll");
    zvtest::TRegKeyFixture& executeHooks =
        Add(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks");
    executeHooks.SetText("", "", "");
    executeHooks.SetText("", Id(9), "");

    zvtest::TRegKeyFixture& userRun = Add(HKEY_CURRENT_USER, kRunKey);
    userRun.SetText("", "ZfUpdate", folder + "\\update.exe -silent");
    userRun.SetText("", "卓凡托盘", "\"" + folder + "\\tray.exe\" /tray");
    Add(HKEY_LOCAL_MACHINE, kRunKey).SetText("", "QuickGuard", "%ProgramFiles%\\QuickGuard\\qg.exe", REG_EXPAND_SZ);

    const zv::TStartupFolders startup =
        zv::StartupFolderPaths(zv::PathDrive(zv::WindowsDirectory()), zv::CurrentUserName());
    CreateFolder(startup.currentUser, m_createdFolders);
    CreateFolder(startup.allUsers, m_createdFolders);
    WriteBytes(startup.currentUser + "\\卓凡.bat", "@echo off\r\n");
    WriteBytes(startup.allUsers + "\\desktop.ini", "[.ShellClassInfo]\r\n");
    WriteBytes(startup.allUsers + "\\notes.txt", "x");

    m_startPage = zvtest::ValueExists(HKEY_CURRENT_USER, kMainKey, "Start Page")
                      ? zvtest::ReadString(HKEY_CURRENT_USER, kMainKey, "Start Page")
                      : std::string();
    SetStartPage("http://zv.example/home");
}

TInventory::~TInventory()
{
    m_keys.clear();
    SetStartPage(m_startPage);
    for (const auto& [root, path] : m_absent) zvtest::DeleteTree(root, path);
    // Deepest first; a parent that something else has filled since stays.
    std::sort(m_missingParents.begin(), m_missingParents.end(),
              [](const auto& a, const auto& b) { return a.second.size() > b.second.size(); });
    for (const auto& [root, path] : m_missingParents) {
        if (zvtest::EnumSubKeys(root, path).empty() && zvtest::EnumValues(root, path).empty()) {
            RegDeleteKeyExA(root, path.c_str(), zv::NativeViewFlag(), 0);
        }
    }
    for (auto it = m_createdFolders.rbegin(); it != m_createdFolders.rend(); ++it) zvtest::RemoveTree(*it);
}

}  // namespace reporttest
