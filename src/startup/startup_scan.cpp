// The scan of the Run keys and the startup folders.
#include <zarlib.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/cmdline.h"
#include "platform/handles.h"
#include "platform/shell_api.h"
#include "plugins/action_keys.h"
#include "plugins/node_data.h"
#include "startup/startup_folders.h"
#include "startup/startup_marks.h"
#include "ui/w_main.h"

namespace zv {

namespace {

constexpr int kPictureRunKey = 0;
constexpr int kPictureFolder = 1;
// Pictures 0 and 1 are the window's own; every scan adds its items' icons after them.
constexpr int kFixedPictures = 2;

// zarlib writes at most this many bytes and a NUL.
constexpr int kCommandLineSize = 1024;

// The window's tree is refilled from the nodes when the scan ends, also when a read raises
// half-way: what was added so far is shown.
class TRebuildScope {
public:
    explicit TRebuildScope(TTreeView& tree) : m_tree(tree) { m_tree.BeginRebuild(); }
    ~TRebuildScope() { m_tree.EndRebuild(); }
    TRebuildScope(const TRebuildScope&) = delete;
    TRebuildScope& operator=(const TRebuildScope&) = delete;

private:
    TTreeView& m_tree;
};

// The folder's own settings file, its letters A to Z in either case.
bool IsDesktopIni(const std::string& name)
{
    constexpr std::string_view kName = "desktop.ini";
    if (name.size() != kName.size()) return false;
    for (size_t i = 0; i < kName.size(); ++i) {
        const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
        if (c != kName[i]) return false;
    }
    return true;
}

void AttachRecord(TTreeNode* node, std::unique_ptr<TNodeData> record) { node->Data = record.release(); }

// Gives an item `shellIcon`, copied into the list, or the folder picture when it is null.
void SetItemPicture(TImageList& pictures, TTreeNode* node, HICON shellIcon)
{
    TIcon icon(shellIcon);
    const int added = icon ? pictures.AddIcon(icon.get()) : -1;
    const int picture = added >= 0 ? added : kPictureFolder;
    node->SetImageIndex(picture);
    node->SetSelectedIndex(picture);
}

}  // namespace

void Tfm_main::ScanStartupItems()
{
    TRebuildScope rebuild(tree_start);
    for (const TStartupPlace& place : ClearStartupTree()) ScanStartupPlace(place);
}

std::vector<Tfm_main::TStartupPlace> Tfm_main::ClearStartupTree()
{
    // The selection goes with the old nodes; reporting it lets the delete button follow.
    tree_start.Select(nullptr);
    FreeTreeData(&tree_start);
    tree_start.Clear();
    for (int i = img_start.Count() - 1; i >= kFixedPictures; --i) img_start.Delete(i);

    std::vector<TStartupPlace> places;
    // A group for each view that keeps a key of its own, titled as the registry editor shows it.
    for (uint32_t root : {kHkeyCurrentUser, kHkeyLocalMachine}) {
        for (const TViewKey& view : KeyViews(root, RunKey)) {
            const char* title = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
            if (root == kHkeyCurrentUser) {
                title = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
            } else if (view.view == TRegView::Wow32) {
                title = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
            }
            places.push_back({title, kPictureRunKey, [this, root, view](TTreeNode* group) {
                                  return ScanRunKey(group, root, view.path, view.view);
                              }});
        }
    }
    // Task Manager marks the files of the current user's folders under HKEY_CURRENT_USER and of
    // all users' under HKEY_LOCAL_MACHINE; the Windows Start Menu folder of old is not its.
    const TStartupFolders folders = StartupFolderPaths(PathDrive(WindowsDirectory()), CurrentUserName());
    std::vector<std::string> listed;
    auto addFolder = [&](const std::string& folder, uint32_t markRoot) {
        listed.push_back(folder);
        places.push_back({folder, kPictureFolder,
                          [this, folder](TTreeNode* group) { return ScanStartupFolder(group, folder + "\\"); },
                          markRoot});
    };
    addFolder(folders.currentUser, kHkeyCurrentUser);
    addFolder(folders.allUsers, kHkeyLocalMachine);
    addFolder(folders.windowsStartMenu, 0);
    // On later Windows the shell's folders are elsewhere; where they are one of the above,
    // through a junction or spelt otherwise, they are listed once.
    for (const auto& [csidl, markRoot] : {std::pair{CSIDL_STARTUP, kHkeyCurrentUser},
                                          std::pair{CSIDL_COMMON_STARTUP, kHkeyLocalMachine}}) {
        const std::string folder = ShellStartupFolder(csidl);
        if (folder.empty() ||
            std::any_of(listed.begin(), listed.end(), [&](const std::string& l) { return SameDirectory(l, folder); })) {
            continue;
        }
        addFolder(folder, markRoot);
    }
    return places;
}

void Tfm_main::ScanStartupPlace(const TStartupPlace& Place)
{
    TTreeNode* group = tree_start.Add(nullptr, "..");
    group->SetImageIndex(Place.Picture);
    group->SetSelectedIndex(Place.Picture);
    auto record = std::make_unique<TNodeData>();
    record->ItemName = Place.Title;
    AttachRecord(group, std::move(record));
    if (Place.Scan(group) > 0) {
        ReadStartupMarks(*group, Place.FolderMarkRoot);
        group->Expand();
    } else {
        delete group->Data;
        group->Data = nullptr;
        tree_start.Delete(group);
    }
}

int Tfm_main::ScanRunKey(TTreeNode* Group, uint32_t Root, const std::string& KeyPath, TRegView View)
{
    TRegistry reg;
    reg.AccessMask = KEY_READ;
    reg.SetRoot(Root);
    if (!reg.EnterKey(KeyPath, false)) return 0;
    // Each value's data comes with its name: a name cut short by a zero byte would look up
    // another value's.
    std::vector<TRegistry::TValueEntry> values;
    reg.ListValueEntries(values);
    int added = 0;
    for (const TRegistry::TValueEntry& value : values) {
        auto record = std::make_unique<TNodeData>();
        record->CommandLine = TRegistry::TextOf(value);
        record->RootKey = Root;
        record->KeyPath = KeyPath;
        record->View = View;
        record->ValueName = value.name;
        record->IsValue = 1;
        // Shown as far as it can be: text stops at a zero byte. The delete refuses such a name.
        record->ItemName = value.name.substr(0, value.name.find('\0'));
        TTreeNode* node = tree_start.Add(Group, "..");
        SetItemPicture(img_start, node, GetFileSmallIcon(ExtractCommandFile(record->CommandLine)));
        AttachRecord(node, std::move(record));
        ++added;
    }
    reg.LeaveKey();
    return added;
}

int Tfm_main::ScanStartupFolder(TTreeNode* Group, const std::string& Folder)
{
    WIN32_FIND_DATAA entry;
    // Every kind of entry is wanted: hidden and system files and subfolders too.
    TFindHandle find(ShellApi().FindFirstFile((Folder + "*.*").c_str(), &entry));
    if (!find) return 0;
    int added = 0;
    do {
        const std::string name(entry.cFileName, strnlen(entry.cFileName, sizeof(entry.cFileName)));
        if (name == "." || name == ".." || IsDesktopIni(name)) continue;
        auto record = std::make_unique<TNodeData>();
        record->FileName = Folder + name;
        record->ItemName = name;
        TTreeNode* node = tree_start.Add(Group, "..");
        char commandLine[kCommandLineSize + 1] = {};
        GetLnkCmdline(record->FileName.c_str(), commandLine, kCommandLineSize);
        record->CommandLine.assign(commandLine, strnlen(commandLine, sizeof(commandLine)));
        // The folder is the program's own, the entry's name is not.
        SetItemPicture(img_start, node, GetFileSmallIcon(record->FileName, Folder.size()));
        AttachRecord(node, std::move(record));
        ++added;
    } while (FindNextFileA(find.get(), &entry));
    return added;
}

}  // namespace zv
