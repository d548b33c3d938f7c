// Scanners of the ActiveX controls the browser downloaded or used.
#include <windows.h>

#include <memory>
#include <unordered_set>

#include "plugins/action_keys.h"
#include "plugins/node_data.h"
#include "plugins/plugin_texts.h"
#include "plugins/scan_entries.h"
#include "ui/w_main.h"

namespace zv {

namespace {

const char kDistributionUnitsKey[] = "SOFTWARE\\Microsoft\\Code Store Database\\Distribution Units";
const char kExtStatsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats";

// A class identifier with the letters A to Z in lower case, so that identifiers that differ
// only in their case compare equal. Letters inside a double-byte character are bytes of that
// character, not letters, and stay as they are.
std::string FoldedClassName(std::string clsid)
{
    for (size_t i = 0; i < clsid.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(clsid[i])) && i + 1 < clsid.size()) {
            ++i;
        } else if (clsid[i] >= 'A' && clsid[i] <= 'Z') {
            clsid[i] = static_cast<char>(clsid[i] - 'A' + 'a');
        }
    }
    return clsid;
}

// The per-user statistics are one key for both views, so the class tells whose control it is: a
// control the 32-bit browser used is registered in the 32-bit view only, and is deleted,
// unregistered and disabled there.
TRegView StatsControlView(const std::string& clsid, TRegView listed)
{
    if (listed != TRegView::Native || !IsSingleKeyName(clsid)) return listed;
    TRegistry reg;
    reg.SetRoot(kHkeyLocalMachine);
    reg.AccessMask = KEY_READ;
    const bool native = !reg.KeyIsAbsent(ClassesClsidKey + clsid);
    const bool wow32 = !reg.KeyIsAbsent(ViewKeyPath(TRegView::Wow32, ClassesClsidKey) + clsid);
    return !native && wow32 ? TRegView::Wow32 : listed;
}

// Adds the control's entry, named after its class or marked as missing, with its state mark;
// gives the server file that the class names.
TTreeNode* AddControl(Tfm_main& form, TTreeNode* category, const std::string& clsid, std::string& fileName,
                      TRegView view)
{
    TTreeNode* entry = form.m_tree.Add(category, clsid);
    form.SetNodeIcon(entry, picEntry);
    std::string displayName;
    form.ResolveClsid(clsid, fileName, displayName, view);
    if (!displayName.empty()) {
        entry->SetText(displayName);
        AddDetail(form, entry, clsid, picDetail);
        if (!fileName.empty()) AddDetail(form, entry, fileName, picServerFile);
    } else {
        entry->SetText(clsid + MissingControlMark);
    }
    entry->SetText(entry->Text() + StatusSuffix(form, clsid));
    return entry;
}

void AttachControlRecord(TTreeNode* entry, uint32_t root, TRegView view, std::string keyPath, const std::string& clsid,
                         std::string fileName)
{
    auto data = std::make_unique<TNodeData>();
    data->RootKey = root;
    data->View = view;
    data->KeyPath = std::move(keyPath);
    data->Clsid = clsid;
    data->FileName = std::move(fileName);
    data->Deletable = 1;
    data->IsActiveX = 1;
    data->CanDisable = 1;
    entry->Data = data.release();
}

}  // namespace

void Tfm_main::ScanDownloadedControls(TTreeNode* Category)
{
    for (const TViewKey& view : KeyViews(kHkeyLocalMachine, kDistributionUnitsKey)) {
        ScanDownloadedControlsView(Category, view);
    }
}

void Tfm_main::ScanDownloadedControlsView(TTreeNode* Category, const TViewKey& View)
{
    TRegistry reg;
    TStringList names;
    if (!ListNames(reg, kHkeyLocalMachine, View.path, TListKind::SubKeys, names)) return;
    for (const std::string& name : names) {
        const std::string unitKey = View.path + "\\" + name;
        if (!reg.EnterKey(unitKey, false)) continue;
        uint32_t systemComponent = 0;
        try {
            if (reg.HasValue("SystemComponent")) systemComponent = reg.ReadNumber("SystemComponent");
        } catch (const ERegistryException&) {
            // A mark that cannot be read as a number marks nothing: the control is listed.
        }
        reg.LeaveKey();
        if (systemComponent != 0) continue;

        std::string fileName;
        TTreeNode* entry = AddControl(*this, Category, name, fileName, View.view);
        if (reg.EnterKey(unitKey + "\\DownloadInformation", false)) {
            if (reg.HasValue("CODEBASE")) AddDetail(*this, entry, reg.ReadText("CODEBASE"), picDetail);
            reg.LeaveKey();
        }
        AddViewDetail(*this, entry, kHkeyLocalMachine, unitKey, View.view);
        AttachControlRecord(entry, kHkeyLocalMachine, View.view, View.path, name, fileName);
    }
}

void Tfm_main::ScanExtStats(TTreeNode* Category)
{
    for (const TViewKey& view : KeyViews(kHkeyCurrentUser, kExtStatsKey)) ScanExtStatsView(Category, view);
}

void Tfm_main::ScanExtStatsView(TTreeNode* Category, const TViewKey& View)
{
    TRegistry reg;
    TStringList names;
    if (!ListNames(reg, kHkeyCurrentUser, View.path, TListKind::SubKeys, names)) return;
    // What the category lists, kept as it grows: looking each name up among the children
    // would make the scan quadratic in the number of controls.
    std::unordered_set<std::string> listed;
    for (size_t i = 0; i < Category->Count(); ++i) {
        if (const TNodeData* data = Category->Item(i)->Data) listed.insert(FoldedClassName(data->Clsid));
    }
    for (const std::string& name : names) {
        if (listed.count(FoldedClassName(name))) continue;
        const std::string statsKey = View.path + "\\" + name;
        if (reg.EnterKey(statsKey + "\\iexplore", false)) {
            const uint32_t type = reg.HasValue("Type") ? reg.ReadNumber("Type") : 0;
            reg.LeaveKey();
            if (type != 1) continue;
        }
        std::string fileName;
        const TRegView view = StatsControlView(name, View.view);
        TTreeNode* entry = AddControl(*this, Category, name, fileName, view);
        AddViewDetail(*this, entry, kHkeyCurrentUser, statsKey, view);
        AttachControlRecord(entry, kHkeyCurrentUser, view, statsKey, name, fileName);
        listed.insert(FoldedClassName(name));
    }
}

}  // namespace zv
