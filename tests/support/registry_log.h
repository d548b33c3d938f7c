// What the program asks of the registry through its seam: Wine grants every right and is loose
// about types, so rules about access rights and value types are checked on the requests.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace zvtest {

struct TRegistryRequest {
    enum TKind { Open, Create, SetValue } kind;
    HKEY root;         // HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE, the base below the handles
    std::string path;  // below the root, as far as the program opened it
    REGSAM access = 0;              // Open and Create
    std::string value;              // SetValue
    DWORD type = 0;                 // SetValue
    std::vector<BYTE> data;         // SetValue
};

// Records every open, create and value write of the program's registry object from its
// construction to its destruction. One at a time; the seam is put back afterwards.
class TRegistryLog {
public:
    TRegistryLog();
    ~TRegistryLog();
    TRegistryLog(const TRegistryLog&) = delete;
    TRegistryLog& operator=(const TRegistryLog&) = delete;

    std::vector<TRegistryRequest> requests;
};

}  // namespace zvtest
