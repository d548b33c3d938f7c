// The registry object through which every scanner and action reads and changes the registry.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace zv {

using TStringList = std::vector<std::string>;

constexpr uint32_t kHkeyCurrentUser = 0x80000001u;
constexpr uint32_t kHkeyLocalMachine = 0x80000002u;

// advapi32 as the registry object reaches it. Real by default; a test may swap one entry to
// produce a failure Wine cannot (access denied on HKEY_LOCAL_MACHINE, a failing write).
struct TRegistryApi {
    decltype(&RegOpenKeyExA) OpenKeyEx = RegOpenKeyExA;
    decltype(&RegCreateKeyExA) CreateKeyEx = RegCreateKeyExA;
    decltype(&RegCloseKey) CloseKey = RegCloseKey;
    decltype(&RegDeleteKeyA) DeleteKey = RegDeleteKeyA;
    decltype(&RegDeleteValueA) DeleteValue = RegDeleteValueA;
    decltype(&RegQueryInfoKeyA) QueryInfoKey = RegQueryInfoKeyA;
    decltype(&RegEnumKeyExA) EnumKeyEx = RegEnumKeyExA;
    decltype(&RegEnumValueA) EnumValue = RegEnumValueA;
    decltype(&RegQueryValueExA) QueryValueEx = RegQueryValueExA;
    decltype(&RegSetValueExA) SetValueEx = RegSetValueExA;
    // The wide calls carry a name whole, whatever the code page makes of it; the undo also
    // checks with them that every key it would write can be written, before it writes any.
    decltype(&RegOpenKeyExW) OpenKeyExW = RegOpenKeyExW;
    decltype(&RegDeleteKeyW) DeleteKeyW = RegDeleteKeyW;
    decltype(&RegEnumKeyExW) EnumKeyExW = RegEnumKeyExW;
    decltype(&RegEnumValueW) EnumValueW = RegEnumValueW;
};

TRegistryApi& RegistryApi();

// The predefined root a record stores as 32 bits: its handle is that value sign-extended.
inline HKEY RootKeyHandle(uint32_t root) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(root))); }

class TRegistry {
public:
    TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;
    ~TRegistry();

    HKEY RootKey() const { return m_root; }
    // A different root closes the current key; the same root leaves it open.
    void SetRoot(HKEY root);
    void SetRoot(uint32_t root) { SetRoot(RootKeyHandle(root)); }

    REGSAM AccessMask = KEY_ALL_ACCESS;

    HKEY CurrentKey() const { return m_current; }
    const std::string& CurrentPath() const { return m_currentPath; }

    // Opens (or with create, creates) the key; on failure the current key is unchanged.
    bool EnterKey(const std::string& path, bool create);
    void LeaveKey();
    // Removes the key and everything below it, as far as AccessMask allows enumerating. The
    // sub-keys go by their wide names; a tree holding a name without an exact code-page form
    // (see ExactAnsiName) is refused whole, before anything changes.
    bool EraseKey(const std::string& path);
    bool EraseValue(const std::string& name);
    // True only when opening the key fails with "not found": a key that cannot be opened for
    // want of rights, or for any other reason, may still be there. The current key is unchanged.
    bool KeyIsAbsent(const std::string& path);
    void ListSubKeys(TStringList& list);
    void ListValues(TStringList& list);
    // Each value's name with the data read in the same call: a name cut short by a zero byte
    // would look up another value's data.
    struct TValueEntry {
        std::string name;
        DWORD type = REG_NONE;
        std::string data;
    };
    void ListValueEntries(std::vector<TValueEntry>& list);
    // The entry's data as ReadText gives a value's.
    static std::string TextOf(const TValueEntry& entry);
    // Whether `name`, as the ANSI functions list the sub-keys (or values) of the key at `path`,
    // names exactly one of them and names it exactly (see NamesOneEntry); a missing key holds
    // none. False when the key cannot be read. It is opened for reading only; the current key is
    // unchanged.
    bool NamesOneSubKey(const std::string& path, const std::string& name);
    bool NamesOneValue(const std::string& path, const std::string& name);
    bool HasValue(const std::string& name);
    // A missing or empty value reads as ""; other failures raise ERegistryException.
    std::string ReadText(const std::string& name);
    uint32_t ReadNumber(const std::string& name);
    void WriteText(const std::string& name, const std::string& text);
    void WriteNumber(const std::string& name, uint32_t value);

private:
    struct TKeyInfo {
        DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueLen = 0, maxDataLen = 0;
    };
    bool QueryKeyInfo(HKEY key, TKeyInfo& info) const;
    // The base key and the rest of the path a path resolves to.
    HKEY ResolveBase(const std::string& path, std::string& rest) const;
    void CloseCurrent();
    bool WideNames(const std::string& path, bool values, std::vector<std::wstring>& names) const;

    HKEY m_root;
    HKEY m_current = nullptr;
    std::string m_currentPath;
};

}  // namespace zv
