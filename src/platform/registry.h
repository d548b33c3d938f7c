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
    // RegDeleteKeyExA where advapi32 has it; elsewhere (32-bit XP, one view) RegDeleteKeyA,
    // the view ignored.
    using TDeleteKey = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
    TDeleteKey DeleteKey;
    decltype(&RegDeleteValueA) DeleteValue = RegDeleteValueA;
    decltype(&RegQueryInfoKeyA) QueryInfoKey = RegQueryInfoKeyA;
    decltype(&RegEnumKeyExA) EnumKeyEx = RegEnumKeyExA;
    decltype(&RegEnumValueA) EnumValue = RegEnumValueA;
    decltype(&RegQueryValueExA) QueryValueEx = RegQueryValueExA;
    decltype(&RegSetValueExA) SetValueEx = RegSetValueExA;
    // The wide calls carry a name whole, whatever the code page makes of it; the undo also
    // checks with them that every key it would write can be written, before it writes any.
    decltype(&RegOpenKeyExW) OpenKeyExW = RegOpenKeyExW;
    // RegDeleteKeyExW where advapi32 has it, else RegDeleteKeyW, as DeleteKey.
    using TDeleteKeyW = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
    TDeleteKeyW DeleteKeyW;
    decltype(&RegEnumKeyExW) EnumKeyExW = RegEnumKeyExW;
    decltype(&RegEnumValueW) EnumValueW = RegEnumValueW;
    TRegistryApi();
};

TRegistryApi& RegistryApi();

// The predefined root a record stores as 32 bits: its handle is that value sign-extended.
inline HKEY RootKeyHandle(uint32_t root) { return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(root))); }

// Which registry view an entry was read in. On 32-bit Windows there is one view (Only); on
// 64-bit Windows every key is opened in the 64-bit view and the 32-bit view's keys by their real
// path below Wow6432Node, so one path names one key in records, backups and undo records.
enum class TRegView : uint8_t { Only, Native, Wow32 };

// True on 64-bit Windows, whichever build runs.
bool IsWindows64();
// The flag every open of a key adds: KEY_WOW64_64KEY on 64-bit Windows, else 0.
REGSAM NativeViewFlag();

// The real path of `path`'s key in the 32-bit view ("SOFTWARE\Wow6432Node\...", classes as
// "SOFTWARE\Classes\Wow6432Node\..."); the path itself for every other view, and for a path
// outside SOFTWARE.
std::string ViewKeyPath(TRegView view, const std::string& path);

// Deletes the key and everything below it in the 64-bit view on 64-bit Windows, as SHDeleteKeyW
// does in this process's own view. The system's result: ERROR_FILE_NOT_FOUND for no such key.
LONG DeleteKeyTreeW(HKEY root, const std::wstring& path);

struct TViewKey {
    TRegView view;
    std::string path;
};
// The views in which `path` under `root` is a key of its own, each with its real path: the
// 64-bit view and, when the system keeps a separate one, the 32-bit view; on 32-bit Windows the
// one view. A key the system shares between the views is listed once.
std::vector<TViewKey> KeyViews(uint32_t root, const std::string& path);

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
    // False to read the keys as this process itself sees them (what it loads in-process), not
    // through the 64-bit view.
    bool NativeView = true;

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
    REGSAM Access(REGSAM access) const { return access | (NativeView ? NativeViewFlag() : 0); }
    LONG DeleteKey(HKEY base, const std::string& name) const;
    bool WideNames(const std::string& path, bool values, std::vector<std::wstring>& names) const;

    HKEY m_root;
    HKEY m_current = nullptr;
    std::string m_currentPath;
};

}  // namespace zv
