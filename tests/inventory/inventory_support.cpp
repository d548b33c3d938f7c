#include "inventory_support.h"

#include "ui/w_main.h"

namespace inventorytest {

namespace {

std::string ReadDirectory(UINT(WINAPI* read)(LPSTR, UINT))
{
    char buffer[MAX_PATH + 1] = {};
    read(buffer, sizeof(buffer));
    return buffer;
}

void MakeFile(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << path;
        return;
    }
    DWORD written = 0;
    WriteFile(h, "MZ", 2, &written, nullptr);
    CloseHandle(h);
}

}  // namespace

std::string FakeId(int n)
{
    char id[64];
    wsprintfA(id, "{5A564E%02X-1D0C-4E2A-9F00-00005A56494E}", n & 0xFF);
    return id;
}

std::string WindowsDir() { return ReadDirectory(GetWindowsDirectoryA); }
std::string SystemDir() { return ReadDirectory(GetSystemDirectoryA); }

TCreatedParents::TCreatedParents(HKEY root, const std::string& path) : m_root(root)
{
    std::string ancestor = path;
    for (size_t cut; (cut = ancestor.rfind('\\')) != std::string::npos;) {
        ancestor.resize(cut);
        if (zvtest::KeyExists(root, ancestor)) break;
        m_topCreated = ancestor;
    }
}

TCreatedParents::~TCreatedParents()
{
    if (!m_topCreated.empty()) zvtest::DeleteTree(m_root, m_topCreated);
}

void TClasses::Add(const std::string& clsid, const std::string& displayName, const std::string& server)
{
    auto& key = m_keys.emplace_back(
        std::make_unique<TKeyFixture>(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\" + clsid));
    if (!displayName.empty()) key->SetText("", "", displayName);
    if (!server.empty()) key->SetText("InprocServer32", "", server);
}

void TDisabled::Add(const std::string& clsid)
{
    m_keys.emplace_back(
        std::make_unique<TKeyFixture>(HKEY_CURRENT_USER, std::string(kExtSettingsKey) + "\\" + clsid));
}

TWindowsFolder::TWindowsFolder() : m_name("zvinv" + std::to_string(GetCurrentProcessId()))
{
    if (!CreateDirectoryA(Path().c_str(), nullptr)) ADD_FAILURE() << "cannot create " << Path();
}

TWindowsFolder::~TWindowsFolder() { zvtest::RemoveTree(Path()); }

std::string TWindowsFolder::Path() const { return WindowsDir() + "\\" + m_name; }

std::string TWindowsFolder::File(const std::string& name) const
{
    const std::string path = Path() + "\\" + name;
    MakeFile(path);
    return path;
}

TLooseFile::TLooseFile(const std::string& directory, const std::string& name) : m_path(directory + "\\" + name)
{
    MakeFile(m_path);
}

TLooseFile::~TLooseFile() { DeleteFileA(m_path.c_str()); }

TSeamRestore::~TSeamRestore()
{
    zv::RegistryApi() = m_registry;
    zv::ShellApi() = m_shell;
}

TScan::TScan(bool withWindow) : m_liveBefore(zv::TNodeData::LiveCount()), m_form(std::make_unique<zv::Tfm_main>())
{
    if (withWindow) m_form->CreateForm(true);
}

TScan::~TScan()
{
    m_form->FreeTreeData(&m_form->m_tree);
    m_form->FreeTreeData(&m_form->tree_start);
    m_form.reset();
    EXPECT_EQ(zv::TNodeData::LiveCount(), m_liveBefore) << "records left allocated";
}

zv::TTreeNode* TScan::Category(const std::string& text) const
{
    for (size_t r = 0; r < m_form->m_tree.TopCount(); ++r) {
        zv::TTreeNode* root = m_form->m_tree.TopItem(r);
        for (size_t i = 0; i < root->Count(); ++i) {
            if (root->Item(i)->Text() == text) return root->Item(i);
        }
    }
    ADD_FAILURE() << "no category " << text;
    return nullptr;
}

zv::TTreeNode* TScan::Entry(const std::string& category, const std::string& prefix) const
{
    zv::TTreeNode* c = Category(category);
    for (size_t i = 0; c && i < c->Count(); ++i) {
        if (c->Item(i)->Text().rfind(prefix, 0) == 0) return c->Item(i);
    }
    ADD_FAILURE() << "no entry " << prefix << " under " << category;
    return nullptr;
}

void PrintTo(const TRecordFields& r, std::ostream* os)
{
    *os << "{root " << std::hex << r.root << std::dec << ", key \"" << r.keyPath << "\", value \"" << r.valueName
        << "\", clsid \"" << r.clsid << "\", file \"" << r.fileName << "\", deletable " << r.deletable
        << ", activex " << r.isActiveX << ", can disable " << r.canDisable << "}";
}

TRecordFields Fields(const zv::TTreeNode* entry)
{
    if (!entry || !entry->Data) {
        ADD_FAILURE() << "no record";
        return {};
    }
    const zv::TNodeData& d = *entry->Data;
    EXPECT_EQ(d.CommandLine, "");
    EXPECT_EQ(d.ItemName, "");
    return {d.RootKey, d.KeyPath, d.ValueName, d.Clsid, d.FileName, d.Deletable, d.IsActiveX, d.CanDisable};
}

std::vector<std::string> Texts(const zv::TTreeNode* parent)
{
    std::vector<std::string> texts;
    for (size_t i = 0; parent && i < parent->Count(); ++i) texts.push_back(parent->Item(i)->Text());
    return texts;
}

std::vector<TShownNode> Shown(const zv::TTreeNode* parent)
{
    std::vector<TShownNode> shown;
    for (size_t i = 0; parent && i < parent->Count(); ++i) {
        const zv::TTreeNode* n = parent->Item(i);
        EXPECT_EQ(n->SelectedIndex(), n->ImageIndex()) << n->Text();
        shown.emplace_back(n->Text(), n->ImageIndex());
    }
    return shown;
}

}  // namespace inventorytest
