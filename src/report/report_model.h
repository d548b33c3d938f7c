// The inventory of both pages as the window shows it, copied out of the window's trees with
// what the report adds: whether each entry's file exists and what its version record says.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/path_policy.h"
#include "platform/registry.h"
#include "report/file_version.h"

namespace zv {

class Tfm_main;

// The fields of an entry's node record.
struct TRecordFields {
    uint32_t RootKey = 0;
    std::string KeyPath;
    std::string ValueName;
    std::string Clsid;
    std::string FileName;
    bool Deletable = false;
    bool IsActiveX = false;
    std::string CommandLine;
    std::string ItemName;
    bool CanDisable = false;
    // The entry is the value ValueName of KeyPath, the default value when the name is empty;
    // otherwise the key KeyPath itself.
    bool IsValue = false;
    TRegView View = TRegView::Only;
    // Where Task Manager marks a startup item (MarkRoot 0: nowhere; see TNodeData).
    uint32_t MarkRoot = 0;
    std::string MarkKey;
    std::string MarkName;
};

enum class TEntryState { None, Enabled, Disabled };

struct TReportEntry {
    std::string Text;                     // the entry's text, or a startup item's name
    std::vector<std::string> Details;     // the detail lines below a plug-in entry
    std::optional<TRecordFields> Record;  // none when a scan stopped before attaching it
    std::string File;                     // the file the entry loads or runs
    bool FileExists = false;
    // Why the file was never looked at, when it is a network path or a device name.
    TPathRisk FileRisk = TPathRisk::None;
    std::optional<TFileVersion> Version;
    // A built-in system plug-in entry, shown with the padlock; the window refuses to delete it.
    bool BuiltIn = false;
    // A plug-in entry's state, from the mark that ends its text; a startup item's, from the mark
    // Task Manager keeps for it.
    TEntryState State = TEntryState::None;
};

// A category of the plug-in page or a group of the startup page.
struct TReportSection {
    std::string Root;   // the plug-in root above a category; empty for a startup group
    std::string Title;  // the category's text, or the startup group's title
    std::vector<TReportEntry> Entries;
    // Why a scan of this section stopped early; its entries are then only those found before.
    std::vector<std::string> Problems;
};

struct TReportHeader {
    std::string ProgramVersion;
    SYSTEMTIME Time{};
    std::string Windows;
    std::string User;
};

struct TReport {
    TReportHeader Header;
    std::vector<TReportSection> Plugins;
    std::vector<TReportSection> Startup;

    bool Complete() const;
    size_t PluginEntryCount() const;
    size_t StartupItemCount() const;
};

// "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE"; null for any other root, and for 0.
const char* RegistryRootName(uint32_t root);

// Runs the window's scans on `form`, each category's scanner and each startup place on its
// own, so that a registry value of the wrong type stops only the scan it is met in, and copies
// out what they found. Changes nothing; the form keeps its trees and records.
TReport CollectReport(Tfm_main& form);

}  // namespace zv
