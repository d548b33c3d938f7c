#include "platform/registry.h"

#include <cstring>

namespace zv {

namespace {

constexpr DWORD kLongestName = 65536;  // bound on name buffers, whatever the key info claims

std::string ValueMessage(const char* format_head, const std::string& name)
{
    return std::string(format_head) + " '" + name + "'";
}

// Fetches the name at `index` into `buffer`, growing it once when the key gained a longer
// name since its information was read. Returns the status of the last call.
template <class Enum>
LONG FetchName(Enum enumerate, HKEY key, DWORD index, std::vector<char>& buffer, std::string& name)
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

}  // namespace

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
                                           AccessMask, nullptr, &opened, nullptr);
    } else {
        status = RegistryApi().OpenKeyEx(base, rest.c_str(), 0, AccessMask, &opened);
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
                                   nullptr, &info.values, &info.maxValueLen, nullptr, nullptr,
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
    if (RegistryApi().OpenKeyEx(base, rest.c_str(), 0, AccessMask, &opened) == ERROR_SUCCESS) {
        // The opened key stands in as the current key while its sub-keys are erased, so their
        // relative names resolve below it; the caller's key comes back on every path.
        struct TRestore {
            TRegistry& self;
            HKEY savedKey;
            std::string savedPath;
            HKEY opened;
            ~TRestore()
            {
                self.m_current = savedKey;
                self.m_currentPath = std::move(savedPath);
                RegistryApi().CloseKey(opened);
            }
        } restore{*this, m_current, m_currentPath, opened};
        m_current = opened;

        TKeyInfo info;
        if (QueryKeyInfo(opened, info)) {
            std::vector<char> buffer(info.maxSubKeyLen + 1);
            std::string name;
            // Highest index first, so removing a sub-key does not shift those still to visit.
            for (DWORD i = info.subKeys; i-- > 0;) {
                if (FetchName(RegistryApi().EnumKeyEx, opened, i, buffer, name) == ERROR_SUCCESS) EraseKey(name);
            }
        }
    }
    return RegistryApi().DeleteKey(base, rest.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyIsAbsent(const std::string& path)
{
    std::string rest;
    const HKEY base = ResolveBase(path, rest);
    HKEY opened = nullptr;
    const LONG status = RegistryApi().OpenKeyEx(base, rest.c_str(), 0, AccessMask, &opened);
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
