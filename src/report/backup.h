// The backup of everything the window's commands could remove or change for the entries of a
// report, as a file the system's registry editor imports.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "report/report_model.h"

namespace zv {

// A key saved with everything below it, or some values of one key, and the entries and
// commands it is saved for.
struct TBackupItem {
    HKEY Root = nullptr;
    std::wstring KeyPath;
    bool WholeKey = true;
    std::vector<std::wstring> ValueNames;
    std::vector<std::wstring> Reasons;
};

// The keys and values that deleting an entry, unregistering its class, disabling or enabling
// it, deleting a startup item and restoring the home page could change, in the order of the
// report, each key or value once: a key inside another saved key is saved with it.
std::vector<TBackupItem> PlanBackup(const TReport& report);

// The bytes of the backup file, read from the registry now. Raises ERegFileError when a key
// cannot be read or cannot be written faithfully.
std::string RenderBackup(const TReport& report);

}  // namespace zv
