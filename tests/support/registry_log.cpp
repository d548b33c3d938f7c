#include "registry_log.h"

#include <map>
#include <utility>

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "platform/unicode_text.h"

namespace zvtest {

namespace {

struct TLogState {
    TRegistryLog* log = nullptr;
    zv::TRegistryApi real;
    // Handles the program opened, with the key each stands for.
    std::map<HKEY, std::pair<HKEY, std::string>> keys;
};

TLogState& State()
{
    static TLogState state;
    return state;
}

// The root and path a base handle and a sub-path name.
std::pair<HKEY, std::string> Where(HKEY base, LPCSTR sub)
{
    const std::string rest = sub ? sub : "";
    const auto known = State().keys.find(base);
    if (known == State().keys.end()) return {base, rest};
    const std::string& path = known->second.second;
    return {known->second.first, rest.empty() ? path : path + "\\" + rest};
}

void Remember(LONG status, HKEY key, const std::pair<HKEY, std::string>& where)
{
    if (status == ERROR_SUCCESS && key) State().keys[key] = where;
}

// The rights asked for; the view flag says where the key is, not what may be done to it.
REGSAM Rights(REGSAM sam) { return sam & ~(KEY_WOW64_64KEY | KEY_WOW64_32KEY); }

LONG WINAPI LoggedOpen(HKEY base, LPCSTR sub, DWORD options, REGSAM sam, PHKEY result)
{
    const auto where = Where(base, sub);
    State().log->requests.push_back({TRegistryRequest::Open, where.first, where.second, Rights(sam), {}, 0, {}});
    const LONG status = State().real.OpenKeyEx(base, sub, options, sam, result);
    Remember(status, *result, where);
    return status;
}

// The wide opens name the same keys; their paths are logged as code-page text.
LONG WINAPI LoggedOpenW(HKEY base, LPCWSTR sub, DWORD options, REGSAM sam, PHKEY result)
{
    const auto where = Where(base, sub ? zv::WideToAnsi(sub).c_str() : nullptr);
    State().log->requests.push_back({TRegistryRequest::Open, where.first, where.second, Rights(sam), {}, 0, {}});
    const LONG status = State().real.OpenKeyExW(base, sub, options, sam, result);
    Remember(status, *result, where);
    return status;
}

LONG WINAPI LoggedCreate(HKEY base, LPCSTR sub, DWORD reserved, LPSTR cls, DWORD options, REGSAM sam,
                         LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    const auto where = Where(base, sub);
    State().log->requests.push_back({TRegistryRequest::Create, where.first, where.second, Rights(sam), {}, 0, {}});
    const LONG status = State().real.CreateKeyEx(base, sub, reserved, cls, options, sam, security, result, disposition);
    Remember(status, *result, where);
    return status;
}

LONG WINAPI LoggedSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    const auto where = Where(key, nullptr);
    State().log->requests.push_back({TRegistryRequest::SetValue, where.first, where.second, 0, name ? name : "", type,
                                     data ? std::vector<BYTE>(data, data + size) : std::vector<BYTE>()});
    return State().real.SetValueEx(key, name, reserved, type, data, size);
}

}  // namespace

TRegistryLog::TRegistryLog()
{
    EXPECT_EQ(State().log, nullptr) << "one registry log at a time";
    State().log = this;
    State().real = zv::RegistryApi();
    State().keys.clear();
    zv::RegistryApi().OpenKeyEx = LoggedOpen;
    zv::RegistryApi().OpenKeyExW = LoggedOpenW;
    zv::RegistryApi().CreateKeyEx = LoggedCreate;
    zv::RegistryApi().SetValueEx = LoggedSetValue;
}

TRegistryLog::~TRegistryLog()
{
    zv::RegistryApi() = State().real;
    State().log = nullptr;
}

}  // namespace zvtest
