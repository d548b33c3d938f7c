#include "platform/registry.h"

#include <algorithm>
#include <cstring>

#include "platform/handles.h"
#include "platform/unicode_text.h"

namespace zv {

namespace {

constexpr DWORD kLongestName = 65536;  // bound on name buffers, whatever the key info claims

std::string ValueMessage(const char* format_head, const std::string& name)
{
    return std::string(format_head) + " '" + name + "'";
}

// Fetches the name at `index` into `buffer`, growing it once when the key gained a longer
// name since its information was read. Returns the status of the last call.
template <class Enum, class Char>
LONG FetchName(Enum enumerate, HKEY key, DWORD index, std::vector<Char>& buffer, std::basic_string<Char>& name)
{
    DWORD len = static_cast<DWORD>(buffer.size());
    LONG status = enumerate(key, index, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA && buffer.size() < kLongestName) {
        buffer.resize(kLongestName);
        len = static_cast<DWORD>(buffer.size());
        status = enumerate(key, index, buffer.data(), &len, nullptr, nullptr, nullptr, nullptr);
    }
    if (status == ERROR_SUCCESS) name.assign(buffer.data(), len);
    return status;
}

bool DoubleByteCodePage()
{
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
}

// The kernel's name of an open key, which tells whether two handles reach one key.
std::wstring KernelName(HKEY key)
{
    using TNtQueryKey = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query =
        reinterpret_cast<TNtQueryKey>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"),
                                                                             "NtQueryKey")));
    constexpr int kKeyNameInformation = 3;
    if (!query) return {};
    ULONG size = 0;
    query(key, kKeyNameInformation, nullptr, 0, &size);
    // A ULONG length, then the name in UTF-16 units.
    std::vector<ULONG> buffer(size / sizeof(ULONG) + 2, 0);
    if (size == 0 || query(key, kKeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONG)),
                           &size) != 0) {
        return {};
    }
    const ULONG bytes = buffer[0] < (buffer.size() - 1) * sizeof(ULONG) ? buffer[0] : 0;
    return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + 1), bytes / sizeof(wchar_t));
}

std::wstring KernelName(uint32_t root, const std::string& path, REGSAM view)
{
    HKEY opened = nullptr;
    if (RegistryApi().OpenKeyEx(RootKeyHandle(root), path.c_str(), 0, KEY_READ | view, &opened) != ERROR_SUCCESS) {
        return {};
    }
    std::wstring name = KernelName(opened);
    RegistryApi().CloseKey(opened);
    return name;
}

// Letters A to Z in either case. `from` is a character boundary and `head` ASCII: a lead byte
// matches none of it.
bool StartsWithNoCase(const std::string& text, size_t from, const char* head)
{
    const size_t length = strlen(head);
    if (text.size() < from + length) return false;
    for (size_t i = 0; i < length; ++i) {
        char c = text[from + i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        char h = head[i];
        if (h >= 'a' && h <= 'z') h = static_cast<char>(h - 'a' + 'A');
        if (c != h) return false;
    }
    return true;
}

// Appends every key below `path` (relative to `top`; empty for `top` itself), deepest first, so
// that each is empty when its turn to go comes. False when a name there has no exact code-page
// form: such a key could not be shown, nor named again, as the one that was there. A key that
// cannot be opened or listed counts as a leaf; its own deletion then fails, and its parents'.
bool ListTree(HKEY top, const std::wstring& path, REGSAM access, std::vector<std::wstring>& below)
{
    HKEY key = top;
    TRegKeyHandle opened;
    if (!path.empty()) {
        if (RegistryApi().OpenKeyExW(top, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return true;
        opened.reset(key);
    }
    std::vector<wchar_t> buffer(256);
    std::wstring name;
    std::string ansi;
    for (DWORD i = 0; FetchName(RegistryApi().EnumKeyExW, key, i, buffer, name) == ERROR_SUCCESS; ++i) {
        if (name.find(L'\0') != std::wstring::npos || !ExactAnsiName(name, ansi)) return false;
        const std::wstring sub = path.empty() ? name : path + L"\\" + name;
        if (!ListTree(top, sub, access, below)) return false;
        below.push_back(sub);
    }
    return true;
}

}  // namespace

bool IsWindows64()
{
    if constexpr (sizeof(void*) == 8) {
        return true;
    } else {
        // Looked up, not imported: XP before SP2 lacks it, and is 32-bit.
        using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
        static const bool wow64 = [] {
            const auto isWow64 = reinterpret_cast<TIsWow64Process>(
                reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
            BOOL result = FALSE;
            return isWow64 && isWow64(GetCurrentProcess(), &result) && result;
        }();
        return wow64;
    }
}

REGSAM NativeViewFlag() { return IsWindows64() ? KEY_WOW64_64KEY : 0; }

std::string ViewKeyPath(TRegView view, const std::string& path)
{
    if (view != TRegView::Wow32 || !StartsWithNoCase(path, 0, "SOFTWARE\\")) return path;
    const size_t below = StartsWithNoCase(path, 9, "Classes\\") ? 17 : 9;
    return path.substr(0, below) + "Wow6432Node\\" + path.substr(below);
}

std::vector<TViewKey> KeyViews(uint32_t root, const std::string& path)
{
    if (!IsWindows64()) return {{TRegView::Only, path}};
    std::vector<TViewKey> views{{TRegView::Native, path}};
    const std::wstring wow32 = KernelName(root, path, KEY_WOW64_32KEY);
    // No key of that name in the 32-bit view, or the very key the 64-bit view reaches.
    if (!wow32.empty() && wow32 != KernelName(root, path, KEY_WOW64_64KEY)) {
        views.push_back({TRegView::Wow32, ViewKeyPath(TRegView::Wow32, path)});
    }
    return views;
}

LONG DeleteKeyTreeW(HKEY root, const std::wstring& path)
{
    HKEY opened = nullptr;
    LONG rc = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | NativeViewFlag(), &opened);
    if (rc != ERROR_SUCCESS) return rc;
    TRegKeyHandle key(opened);
    std::vector<std::wstring> children;
    std::vector<wchar_t> name(256);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        rc = RegEnumKeyExW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_MORE_DATA && name.size() < kLongestName) {
            name.resize(kLongestName);
            --index;
            continue;
        }
        if (rc != ERROR_SUCCESS) break;
        children.emplace_back(name.data(), length);
    }
    key.reset();
    for (const std::wstring& child : children) {
        rc = DeleteKeyTreeW(root, path + L"\\" + child);
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return rc;
    }
    return RegistryApi().DeleteKeyW(root, path.c_str(), NativeViewFlag(), 0);
}

namespace {

LONG WINAPI DeleteKeyInOneView(HKEY base, LPCSTR name, REGSAM, DWORD) { return RegDeleteKeyA(base, name); }
LONG WINAPI DeleteWideKeyInOneView(HKEY base, LPCWSTR name, REGSAM, DWORD) { return RegDeleteKeyW(base, name); }

template <class TFunction>
TFunction Advapi32Function(const char* name)
{
    return reinterpret_cast<TFunction>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("advapi32.dll"), name)));
}

}  // namespace

TRegistryApi::TRegistryApi()
    : DeleteKey(Advapi32Function<TDeleteKey>("RegDeleteKeyExA")),
      DeleteKeyW(Advapi32Function<TDeleteKeyW>("RegDeleteKeyExW"))
{
    if (!DeleteKey) DeleteKey = DeleteKeyInOneView;
    if (!DeleteKeyW) DeleteKeyW = DeleteWideKeyInOneView;
}

TRegistryApi& RegistryApi()
{
    static TRegistryApi api;
    return api;
}

TRegistry::TRegistry() : m_root(HKEY_CURRENT_USER) {}

TRegistry::~TRegistry() { CloseCurrent(); }

void TRegistry::CloseCurrent()
{
    if (m_current) RegistryApi().CloseKey(m_current);
    m_current = nullptr;
    m_currentPath.clear();
}

void TRegistry::SetRoot(HKEY root)
{
    if (root == m_root) return;
    CloseCurrent();
    m_root = root;
}

HKEY TRegistry::ResolveBase(const std::string& path, std::string& rest) const
{
    if (!path.empty() && path[0] == '\\') {
        rest = path.substr(1);
        return m_root;
    }
    rest = path;
    return m_current ? m_current : m_root;
}

bool TRegistry::EnterKey(const std::string& path, bool create)
{
    std::string rest;
    const HKEY base = ResolveBase(path, rest);
    const bool relative = path.empty() || path[0] != '\\';
    HKEY opened = nullptr;
    LONG status;
    if (create && !path.empty()) {
        status = RegistryApi().CreateKeyEx(base, rest.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           Access(AccessMask), nullptr, &opened, nullptr);
    } else {
        status = RegistryApi().OpenKeyEx(base, rest.c_str(), 0, Access(AccessMask), &opened);
    }
    if (status != ERROR_SUCCESS) return false;

    std::string newPath = (relative && m_current) ? m_currentPath + "\\" + rest : rest;
    CloseCurrent();
    m_current = opened;
    m_currentPath = std::move(newPath);
    return true;
}

void TRegistry::LeaveKey() { CloseCurrent(); }

bool TRegistry::QueryKeyInfo(HKEY key, TKeyInfo& info) const
{
    if (RegistryApi().QueryInfoKey(key, nullptr, nullptr, nullptr, &info.subKeys, &info.maxSubKeyLen,
                                   nullptr, &info.values, &info.maxValueLen, &info.maxDataLen, nullptr,
                                   nullptr) != ERROR_SUCCESS) {
        return false;
    }
    // The lengths come in UTF-16 units; an ANSI double-byte name can need twice as many bytes.
    if (DoubleByteCodePage()) {
        info.maxSubKeyLen *= 2;
        info.maxValueLen *= 2;
    }
    return true;
}

bool TRegistry::EraseKey(const std::string& path)
{
    std::string rest;
    const HKEY base = ResolveBase(path, rest);
    HKEY opened = nullptr;
    if (RegistryApi().OpenKeyEx(base, rest.c_str(), 0, Access(AccessMask), &opened) == ERROR_SUCCESS) {
        const TRegKeyHandle top(opened);
        std::vector<std::wstring> below;
        if (!ListTree(opened, {}, Access(AccessMask), below)) return false;
        // Each in the view the key was opened in.
        for (const std::wstring& key : below) RegistryApi().DeleteKeyW(opened, key.c_str(), Access(0), 0);
    }
    return DeleteKey(base, rest) == ERROR_SUCCESS;
}

LONG TRegistry::DeleteKey(HKEY base, const std::string& name) const
{
    // Without a view the system deletes the key of this process's own view.
    return RegistryApi().DeleteKey(base, name.c_str(), Access(0), 0);
}

bool TRegistry::KeyIsAbsent(const std::string& path)
{
    std::string rest;
    const HKEY base = ResolveBase(path, rest);
    HKEY opened = nullptr;
    const LONG status = RegistryApi().OpenKeyEx(base, rest.c_str(), 0, Access(AccessMask), &opened);
    if (status == ERROR_SUCCESS) RegistryApi().CloseKey(opened);
    return status == ERROR_FILE_NOT_FOUND;
}

bool TRegistry::EraseValue(const std::string& name)
{
    return RegistryApi().DeleteValue(m_current, name.c_str()) == ERROR_SUCCESS;
}

void TRegistry::ListSubKeys(TStringList& list)
{
    list.clear();
    TKeyInfo info;
    if (!m_current || !QueryKeyInfo(m_current, info)) return;
    std::vector<char> buffer(info.maxSubKeyLen + 1);
    std::string name;
    for (DWORD i = 0; i < info.subKeys; ++i) {
        if (FetchName(RegistryApi().EnumKeyEx, m_current, i, buffer, name) != ERROR_SUCCESS) break;  // key changed
        list.push_back(name);
    }
}

void TRegistry::ListValues(TStringList& list)
{
    list.clear();
    TKeyInfo info;
    if (!m_current || !QueryKeyInfo(m_current, info)) return;
    std::vector<char> buffer(info.maxValueLen + 1);
    std::string name;
    for (DWORD i = 0; i < info.values; ++i) {
        if (FetchName(RegistryApi().EnumValue, m_current, i, buffer, name) != ERROR_SUCCESS) break;
        list.push_back(name);
    }
}

void TRegistry::ListValueEntries(std::vector<TValueEntry>& list)
{
    list.clear();
    TKeyInfo info;
    if (!m_current || !QueryKeyInfo(m_current, info)) return;
    std::vector<char> name(info.maxValueLen + 1);
    std::vector<BYTE> data(info.maxDataLen + 1);
    for (DWORD i = 0; i < info.values; ++i) {
        TValueEntry entry;
        DWORD nameLen = static_cast<DWORD>(name.size()), dataLen = static_cast<DWORD>(data.size());
        LONG status = RegistryApi().EnumValue(m_current, i, name.data(), &nameLen, nullptr, &entry.type,
                                              data.data(), &dataLen);
        if (status == ERROR_MORE_DATA) {
            // The value grew since the key's sizes were read: once more, with room for what it
            // now says it needs.
            name.resize(std::max<size_t>(name.size(), kLongestName));
            data.resize(std::max<size_t>(data.size() * 2, dataLen + size_t{1}));
            nameLen = static_cast<DWORD>(name.size());
            dataLen = static_cast<DWORD>(data.size());
            status = RegistryApi().EnumValue(m_current, i, name.data(), &nameLen, nullptr, &entry.type, data.data(),
                                             &dataLen);
        }
        if (status != ERROR_SUCCESS) break;  // the key changed under the scan
        entry.name.assign(name.data(), nameLen);
        entry.data.assign(reinterpret_cast<const char*>(data.data()), dataLen);
        list.push_back(std::move(entry));
    }
}

std::string TRegistry::TextOf(const TValueEntry& entry)
{
    if (entry.data.empty()) return {};
    if (entry.type != REG_SZ && entry.type != REG_EXPAND_SZ) {
        throw ERegistryException(ValueMessage("Invalid data type for", entry.name));
    }
    return std::string(entry.data.data(), strnlen(entry.data.data(), entry.data.size()));
}

bool TRegistry::WideNames(const std::string& path, bool values, std::vector<std::wstring>& names) const
{
    std::string rest;
    const HKEY base = ResolveBase(path, rest);
    HKEY opened = nullptr;
    const LONG status = RegistryApi().OpenKeyExW(base, AnsiToWide(rest).c_str(), 0, Access(KEY_READ), &opened);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    const TRegKeyHandle key(opened);
    std::vector<wchar_t> buffer(256);
    std::wstring name;
    for (DWORD i = 0;; ++i) {
        const LONG fetched = values ? FetchName(RegistryApi().EnumValueW, opened, i, buffer, name)
                                    : FetchName(RegistryApi().EnumKeyExW, opened, i, buffer, name);
        if (fetched == ERROR_NO_MORE_ITEMS) return true;
        if (fetched != ERROR_SUCCESS) return false;
        names.push_back(name);
    }
}

bool TRegistry::NamesOneSubKey(const std::string& path, const std::string& name)
{
    std::vector<std::wstring> names;
    return WideNames(path, false, names) && NamesOneEntry(names, name);
}

bool TRegistry::NamesOneValue(const std::string& path, const std::string& name)
{
    std::vector<std::wstring> names;
    return WideNames(path, true, names) && NamesOneEntry(names, name);
}

bool TRegistry::HasValue(const std::string& name)
{
    return RegistryApi().QueryValueEx(m_current, name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::string TRegistry::ReadText(const std::string& name)
{
    DWORD type = 0, size = 0;
    if (RegistryApi().QueryValueEx(m_current, name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        size == 0) {
        return {};
    }
    // One spare zero byte: stored text need not end in NUL, and the cut below stays inside.
    std::vector<char> data(static_cast<size_t>(size) + 1, '\0');
    DWORD got = size;
    if (RegistryApi().QueryValueEx(m_current, name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(data.data()), &got) != ERROR_SUCCESS) {
        throw ERegistryException(ValueMessage("Failed to get data for", name));
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        throw ERegistryException(ValueMessage("Invalid data type for", name));
    }
    const size_t limit = got < size ? got : size;
    return std::string(data.data(), strnlen(data.data(), limit));
}

uint32_t TRegistry::ReadNumber(const std::string& name)
{
    DWORD type = 0, value = 0, size = sizeof(value);
    if (RegistryApi().QueryValueEx(m_current, name.c_str(), nullptr, &type,
                                   reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS) {
        throw ERegistryException(ValueMessage("Failed to get data for", name));
    }
    if (type != REG_DWORD) throw ERegistryException(ValueMessage("Invalid data type for", name));
    return value;
}

void TRegistry::WriteText(const std::string& name, const std::string& text)
{
    if (RegistryApi().SetValueEx(m_current, name.c_str(), 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(text.c_str()),
                                 static_cast<DWORD>(text.size() + 1)) != ERROR_SUCCESS) {
        throw ERegistryException(ValueMessage("Failed to set data for", name));
    }
}

void TRegistry::WriteNumber(const std::string& name, uint32_t value)
{
    const DWORD data = value;
    if (RegistryApi().SetValueEx(m_current, name.c_str(), 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&data), sizeof(data)) != ERROR_SUCCESS) {
        throw ERegistryException(ValueMessage("Failed to set data for", name));
    }
}

}  // namespace zv
