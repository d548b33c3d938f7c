// The record every entry node of both trees carries.
#pragma once
#include <cstdint>
#include <string>

#include "platform/file_view.h"
#include "platform/registry.h"

namespace zv {

// What Task Manager's mark for a startup item says, as the scan read it.
enum class TStartupMark : uint8_t { None, Enabled, Disabled };

struct TNodeData {
    uint32_t RootKey = 0;     // 0x80000001, 0x80000002, or 0 for a startup-folder file
    std::string KeyPath;      // below RootKey, no leading backslash
    std::string ValueName;    // empty when the entry is the whole key
    std::string Clsid;        // as the registry spells it
    std::string FileName;
    uint8_t Deletable = 0;    // 0: a built-in system entry, refused by the delete actions
    uint8_t IsActiveX = 0;
    std::string CommandLine;  // startup items only
    std::string ItemName;     // startup items and groups only
    uint8_t CanDisable = 0;
    // 1: the entry is the value ValueName of KeyPath (the key's default value when the name is
    // empty), 0: the entry is the key KeyPath itself. An empty name alone cannot tell the two
    // apart, and taking a default value for a whole key would erase every entry beside it.
    uint8_t IsValue = 0;
    // The registry view KeyPath was read in; a startup-folder file has none (Only).
    TRegView View = TRegView::Only;
    // The file is used by a process of the 32-bit view (an in-process server or control of that
    // view, a plug-in entry), so it is looked at through that view's system folder; every other
    // file (startup items: the 64-bit shell starts them) natively.
    TFileView FileView() const
    {
        return View == TRegView::Wow32 && ItemName.empty() ? TFileView::Wow32 : TFileView::Native;
    }
    // Startup items: the value MarkName of MarkKey under MarkRoot where Task Manager marks the
    // item enabled or disabled (MarkRoot 0: no such place), and what it said at the scan.
    uint32_t MarkRoot = 0;
    std::string MarkKey;
    std::string MarkName;
    TStartupMark Mark = TStartupMark::None;

    TNodeData() { ++s_live; }
    ~TNodeData() { --s_live; }
    TNodeData(const TNodeData&) = delete;
    TNodeData& operator=(const TNodeData&) = delete;

    // Records allocated and not yet disposed, so tests can prove that none leaks.
    static long LiveCount() { return s_live; }

private:
    static inline long s_live = 0;
};

}  // namespace zv
