// Scanners of the ActiveX controls the browser downloaded or used.
#include <windows.h>

#include <memory>

#include "plugins/node_data.h"
#include "plugins/plugin_texts.h"
#include "plugins/scan_entries.h"
#include "ui/w_main.h"

namespace zv {

namespace {

const char kDistributionUnitsKey[] = "SOFTWARE\\Microsoft\\Code Store Database\\Distribution Units";
const char kExtStatsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats";

// Class identifiers equal but for the letter case of A to Z. Letters inside a double-byte
// character are bytes of that character, not letters, and are compared as they are.
bool SameClassName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    for (size_t i = 0; i < a.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

bool ListedAlready(TTreeNode* category, const std::string& clsid)
{
    for (size_t i = 0; i < category->Count(); ++i) {
        const TNodeData* data = category->Item(i)->Data;
        if (data && SameClassName(data->Clsid, clsid)) return true;
    }
    return false;
}

// Adds the control's entry, named after its class or marked as missing, with its state mark;
// gives the server file that the class names.
TTreeNode* AddControl(Tfm_main& form, TTreeNode* category, const std::string& clsid, std::string& fileName)
{
    TTreeNode* entry = form.m_tree.Add(category, clsid);
    form.SetNodeIcon(entry, picEntry);
    std::string displayName;
    form.ResolveClsid(clsid, fileName, displayName);
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

void AttachControlRecord(TTreeNode* entry, uint32_t root, std::string keyPath, const std::string& clsid,
                         std::string fileName)
{
    auto data = std::make_unique<TNodeData>();
    data->RootKey = root;
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
    TRegistry reg;
    TStringList names;
    if (!ListNames(reg, kHkeyLocalMachine, kDistributionUnitsKey, TListKind::SubKeys, names)) return;
    for (const std::string& name : names) {
        const std::string unitKey = std::string(kDistributionUnitsKey) + "\\" + name;
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
        TTreeNode* entry = AddControl(*this, Category, name, fileName);
        if (reg.EnterKey(unitKey + "\\DownloadInformation", false)) {
            if (reg.HasValue("CODEBASE")) AddDetail(*this, entry, reg.ReadText("CODEBASE"), picDetail);
            reg.LeaveKey();
        }
        AttachControlRecord(entry, kHkeyLocalMachine, kDistributionUnitsKey, name, fileName);
    }
}

void Tfm_main::ScanExtStats(TTreeNode* Category)
{
    TRegistry reg;
    TStringList names;
    if (!ListNames(reg, kHkeyCurrentUser, kExtStatsKey, TListKind::SubKeys, names)) return;
    for (const std::string& name : names) {
        if (ListedAlready(Category, name)) continue;
        const std::string statsKey = std::string(kExtStatsKey) + "\\" + name;
        if (reg.EnterKey(statsKey + "\\iexplore", false)) {
            const uint32_t type = reg.HasValue("Type") ? reg.ReadNumber("Type") : 0;
            reg.LeaveKey();
            if (type != 1) continue;
        }
        std::string fileName;
        TTreeNode* entry = AddControl(*this, Category, name, fileName);
        AttachControlRecord(entry, kHkeyCurrentUser, statsKey, name, fileName);
    }
}

}  // namespace zv
