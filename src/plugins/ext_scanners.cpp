// Scanners of the registry-listed extension points of the browser and the shell.
#include <memory>

#include "platform/ansi_text.h"
#include "platform/cmdline.h"
#include "plugins/action_keys.h"
#include "plugins/node_data.h"
#include "plugins/plugin_texts.h"
#include "plugins/scan_entries.h"
#include "ui/w_main.h"

namespace zv {

namespace {

// The browser's address and links bars, its tip-of-the-day bar, the shell's URL execute hook
// and the browser's URL search hook, one after the other: a listed name counts as built-in
// wherever it occurs in this text, also when it is only a part of one identifier.
constexpr char kSystemClsidList[] =
    "{01E04581-4EEE-11D0-BFE9-00AA005B4383}{0E5CBF21-D15F-11D0-8301-00AA005B4383}"
    "{4D5C8C25-D075-11d0-B416-00C04FB90376}{AEB6717E-7E19-11d0-97EE-00C04FD91972}"
    "{CFBFAE00-17A6-11D0-99CB-00C04FD64497}";
static_assert(sizeof(kSystemClsidList) == 190 + 1);

const char kClsidKey[] = "SOFTWARE\\Classes\\CLSID\\";

// An extension point whose listed names are class identifiers.
struct TClassPoint {
    uint32_t root;
    const char* key;
    TListKind list;
    bool canDisable;   // the entry ends in its state mark
    bool builtInTest;  // without it, the entry shows its picture before it is resolved
};

const TClassPoint kHelperObjects{kHkeyLocalMachine, HelperObjectsKey, TListKind::SubKeys, true, false};
const TClassPoint kToolbars{kHkeyLocalMachine, ToolbarKey, TListKind::Values, true, true};
const TClassPoint kExplorerBars{kHkeyLocalMachine, ExplorerBarsKey, TListKind::SubKeys, true, true};
const TClassPoint kUrlSearchHooks{kHkeyCurrentUser, UrlSearchHooksKey, TListKind::Values, false, true};
const TClassPoint kShellExecuteHooks{kHkeyLocalMachine, ShellExecuteHooksKey, TListKind::Values, false, true};

bool IsBuiltIn(const std::string& name) { return AnsiPos(kSystemClsidList, name) != std::string::npos; }

void ScanClassPointView(Tfm_main& form, TTreeNode* category, const TClassPoint& point, const TViewKey& view);

void ScanClassPoint(Tfm_main& form, TTreeNode* category, const TClassPoint& point)
{
    for (const TViewKey& view : KeyViews(point.root, point.key)) ScanClassPointView(form, category, point, view);
}

void ScanClassPointView(Tfm_main& form, TTreeNode* category, const TClassPoint& point, const TViewKey& view)
{
    TRegistry reg;
    TStringList names;
    if (!ListNames(reg, point.root, view.path, point.list, names)) return;
    for (const std::string& name : names) {
        TTreeNode* entry = form.m_tree.Add(category, name);
        if (!point.builtInTest) form.SetNodeIcon(entry, picEntry);

        std::string fileName, displayName;
        form.ResolveClsid(name, fileName, displayName, view.view);
        if (!displayName.empty()) {
            AddDetail(form, entry, name, picDetail);
            if (!fileName.empty()) AddDetail(form, entry, fileName, picServerFile);
            entry->SetText(displayName);
        }
        if (point.canDisable) entry->SetText(entry->Text() + StatusSuffix(form, name));
        const bool builtIn = point.builtInTest && IsBuiltIn(name);
        if (point.builtInTest) form.SetNodeIcon(entry, builtIn ? picSystemEntry : picEntry);

        auto data = std::make_unique<TNodeData>();
        data->RootKey = point.root;
        data->View = view.view;
        if (point.list == TListKind::SubKeys) {
            data->KeyPath = view.path + "\\" + name;
        } else {
            data->KeyPath = view.path;
            data->ValueName = name;
            data->IsValue = 1;
        }
        AddViewDetail(form, entry, point.root, data->KeyPath, view.view);
        data->Clsid = name;
        data->FileName = fileName;
        data->Deletable = builtIn ? 0 : 1;
        data->CanDisable = point.canDisable ? 1 : 0;
        entry->Data = data.release();
    }
}

// The record of an entry whose hook is a key of its own that nothing can disable.
void AttachKeyRecord(TTreeNode* entry, uint32_t root, TRegView view, std::string keyPath, std::string clsid,
                     std::string fileName)
{
    auto data = std::make_unique<TNodeData>();
    data->RootKey = root;
    data->View = view;
    data->KeyPath = std::move(keyPath);
    data->Clsid = std::move(clsid);
    data->FileName = std::move(fileName);
    data->Deletable = 1;
    entry->Data = data.release();
}

}  // namespace

void Tfm_main::ResolveClsid(const std::string& Clsid, std::string& FileName, std::string& DisplayName, TRegView View)
{
    FileName.clear();
    DisplayName.clear();
    const std::string windows = WindowsDirectory();
    if (IsKeyName(Clsid)) {
        TRegistry reg;
        reg.SetRoot(kHkeyLocalMachine);
        reg.AccessMask = KEY_READ;
        const std::string classKey = ViewKeyPath(View, kClsidKey) + Clsid;
        if (reg.EnterKey(classKey, false)) {
            DisplayName = reg.ReadText("");
            reg.LeaveKey();
        }
        if (reg.EnterKey(classKey + "\\InprocServer32", false)) {
            FileName = AnsiReplaceAllNoCase(reg.ReadText(""), "%SystemRoot%", windows);
            reg.LeaveKey();
        }
    }
    // The server is loaded by a process of the class's own view.
    FileName = ExtractCommandFile(FileName, View == TRegView::Wow32 ? TFileView::Wow32 : TFileView::Native);
}

void Tfm_main::ScanExtensions(TTreeNode* Category)
{
    for (const TViewKey& view : KeyViews(kHkeyLocalMachine, ExtensionsKey)) ScanExtensionsView(Category, view);
}

void Tfm_main::ScanExtensionsView(TTreeNode* Category, const TViewKey& View)
{
    TRegistry reg;
    TStringList names;
    if (!ListNames(reg, kHkeyLocalMachine, View.path, TListKind::SubKeys, names)) return;
    for (const std::string& name : names) {
        TTreeNode* entry = m_tree.Add(Category, name);
        SetNodeIcon(entry, picEntry);
        const std::string keyPath = View.path + "\\" + name;
        std::string exec;
        if (reg.EnterKey(keyPath, false)) {
            std::string text = reg.ReadText("MenuText");
            if (text.empty()) text = reg.ReadText("ButtonText");
            if (!text.empty()) {
                AddDetail(*this, entry, "CLSID:" + entry->Text(), picDetail);
                entry->SetText(text);
            }
            exec = reg.ReadText("Exec");
            if (!exec.empty()) AddDetail(*this, entry, exec, picDetail);
            reg.LeaveKey();
        }
        AddViewDetail(*this, entry, kHkeyLocalMachine, keyPath, View.view);
        AttachKeyRecord(entry, kHkeyLocalMachine, View.view, keyPath, name, exec);
    }
}

void Tfm_main::ScanMenuExt(TTreeNode* Category)
{
    for (const TViewKey& view : KeyViews(kHkeyCurrentUser, MenuExtKey)) ScanMenuExtView(Category, view);
}

void Tfm_main::ScanMenuExtView(TTreeNode* Category, const TViewKey& View)
{
    TRegistry reg;
    TStringList names;
    if (!ListNames(reg, kHkeyCurrentUser, View.path, TListKind::SubKeys, names)) return;
    for (const std::string& name : names) {
        TTreeNode* entry = m_tree.Add(Category, name);
        SetNodeIcon(entry, picEntry);
        const std::string keyPath = View.path + "\\" + name;
        if (reg.EnterKey(keyPath, false)) {
            const std::string target = reg.ReadText("");
            if (!target.empty()) AddDetail(*this, entry, target, picDetail);
            reg.LeaveKey();
        }
        AddViewDetail(*this, entry, kHkeyCurrentUser, keyPath, View.view);
        AttachKeyRecord(entry, kHkeyCurrentUser, View.view, keyPath, {}, {});
    }
}

void Tfm_main::ScanBrowserHelperObjects(TTreeNode* Category) { ScanClassPoint(*this, Category, kHelperObjects); }
void Tfm_main::ScanToolbars(TTreeNode* Category) { ScanClassPoint(*this, Category, kToolbars); }
void Tfm_main::ScanExplorerBars(TTreeNode* Category) { ScanClassPoint(*this, Category, kExplorerBars); }
void Tfm_main::ScanUrlSearchHooks(TTreeNode* Category) { ScanClassPoint(*this, Category, kUrlSearchHooks); }
void Tfm_main::ScanShellExecuteHooks(TTreeNode* Category) { ScanClassPoint(*this, Category, kShellExecuteHooks); }

}  // namespace zv
