// Deleting an add-on's file and unregistering its class from the plug-in page: real files and
// real class keys, the tree left as it was.
#include <utility>

#include "actions_support.h"

#include "platform/cmdline.h"

using actionstest::TLiveForm;
using actionstest::TRegistryScratch;
using zv::TNodeData;
using zv::TTreeNode;

namespace {

const size_t kToolbars = 1;
const char kFileQuestion[] = "如果此控件为系统控件，删除会造成系统出问题\r\n\r\n你确定要删除此文件吗？";
const char kClassQuestion[] = "如果此控件为系统控件，注销会造成系统出问题\r\n\r\n你确定要注销吗？";
const char kFoo[] = "{5A0C1D2E-0005-4C3B-9D7E-ACA710A5E001}";
const char kBar[] = "{5A0C1D2E-0005-4C3B-9D7E-ACA710A5E002}";

struct TFileTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
using TFile = zv::TUniqueHandle<TFileTraits>;

void AddToolbar(TRegistryScratch& scratch, const std::string& clsid, const std::string& name,
                const std::string& server)
{
    scratch.Text(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, clsid, "");
    if (!name.empty()) actionstest::RegisterClass(scratch, clsid, name, server);
}

// The node's text and those of its children, to show that an action left the tree alone.
std::vector<std::string> Snapshot(const TTreeNode* node)
{
    std::vector<std::string> texts{node->Text()};
    for (size_t i = 0; i < node->Count(); ++i) texts.push_back(node->Item(i)->Text());
    return texts;
}

void ExpectLastBox(TLiveForm& live, const std::string& text, UINT type)
{
    ASSERT_FALSE(live.rec().boxes.empty());
    const zvtest::TShownBox& box = live.rec().boxes.back();
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.type, type);
    EXPECT_EQ(box.caption, "提示");
    EXPECT_EQ(box.owner, live.form().Handle());
}

// A toolbar row of kBar, listed as the scanner lists it, whose class names `file`.
zv::TTreeNode* FileEntry(TLiveForm& live, const std::string& text, const std::string& file)
{
    return actionstest::AddEntry(live.form(), live.Category(kToolbars), text, [&](TNodeData& r) {
        r.RootKey = zv::kHkeyLocalMachine;
        r.KeyPath = actionstest::kToolbarKey;
        r.ValueName = kBar;
        r.IsValue = 1;
        r.Clsid = kBar;
        r.FileName = file;
        r.Deletable = 1;
    });
}

}  // namespace

TEST(ActionsDeleteFile, DeletesTheServerFileAndLeavesTheTree)
{
    zvtest::TTempDir dir;
    const std::string server = dir.File("zvfoo.dll");
    TRegistryScratch scratch;
    AddToolbar(scratch, kFoo, "Zv Foo", server);

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    TTreeNode* node = live.Entry(kToolbars, "Zv Foo");
    ASSERT_NE(node, nullptr);
    ASSERT_EQ(node->Count(), 2u);
    ASSERT_EQ(node->Item(1)->Text(), server);
    const std::vector<std::string> before = Snapshot(node);
    const long records = TNodeData::LiveCount();
    live.Select(node);

    live.rec().Answer(IDNO);
    ASSERT_TRUE(live.Click(f.bt_delfile));
    ASSERT_EQ(live.rec().boxes.size(), 1u);
    ExpectLastBox(live, kFileQuestion, 0x24);
    EXPECT_TRUE(zv::FileExists(server));

    live.rec().Answer(IDYES);
    ASSERT_TRUE(live.Click(f.bt_delfile));
    ASSERT_EQ(live.rec().boxes.size(), 3u);
    EXPECT_EQ(live.rec().boxes[1].text, kFileQuestion);
    ExpectLastBox(live, server + " 删除完成！", 0x40);
    EXPECT_EQ(GetFileAttributesA(server.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Snapshot(node), before);
    EXPECT_EQ(live.ViewChildren(node), live.ModelChildren(node));
    EXPECT_EQ(TNodeData::LiveCount(), records);
    EXPECT_EQ(f.m_tree.Selected(), node);
    EXPECT_TRUE(f.bt_delfile.Enabled());

    // Gone now: reported after the question, and its line opens nothing.
    live.rec().Answer(IDYES);
    ASSERT_TRUE(live.Click(f.bt_delfile));
    ASSERT_EQ(live.rec().boxes.size(), 5u);
    ExpectLastBox(live, server + " 文件不存在！", 0x10);
    live.Select(node->Item(1));
    f.m_treeDblClick(&f.m_tree);
    EXPECT_TRUE(actionstest::ShellRequests().empty());
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST(ActionsDeleteFile, FilesOnTheNetworkReadAsMissingAndStay)
{
    // Under Wine both reach real files: only the program's rule keeps them unopened.
    zvtest::TNetworkShare share;
    zvtest::TRemoteDrive remote;
    const std::string onShare = share.File("zvfoo.dll");
    const std::string onDrive = remote.File("zvbar.dll");
    TRegistryScratch scratch;
    AddToolbar(scratch, kFoo, "Zv Share", onShare);
    AddToolbar(scratch, kBar, "Zv Drive", onDrive);

    zvtest::TPathRecorder recorder;
    TLiveForm live;
    zv::Tfm_main& f = live.form();
    for (const auto& [name, server] : {std::pair<std::string, std::string>{"Zv Share", onShare}, {"Zv Drive", onDrive}}) {
        SCOPED_TRACE(name);
        TTreeNode* node = live.Entry(kToolbars, name);
        ASSERT_NE(node, nullptr);
        ASSERT_EQ(node->Count(), 2u);
        EXPECT_EQ(live.ViewText(node->Item(1)), server);
        live.Select(node);
        live.rec().Answer(IDYES);
        ASSERT_TRUE(live.Click(f.bt_delfile));
        ExpectLastBox(live, server + " 文件不存在！", 0x10);
        live.Select(node->Item(1));
        f.m_treeDblClick(&f.m_tree);
    }
    EXPECT_TRUE(actionstest::ShellRequests().empty());
    EXPECT_EQ(recorder.Holding("zvfoo"), std::vector<std::string>{});
    EXPECT_EQ(recorder.Holding("zvbar"), std::vector<std::string>{});
    EXPECT_NE(GetFileAttributesA(onShare.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesA(onDrive.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST(ActionsDeleteFile, FilesThatCannotGoAreReportedAndKept)
{
    zvtest::TTempDir dir;
    const std::string readOnly = dir.File("readonly.dll");
    ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string open = dir.File("inuse.dll");
    const std::string locked = dir.File("locked.dll");
    const std::string folder = dir.Path() + "\\folder.dll";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    TRegistryScratch scratch;
    AddToolbar(scratch, kBar, "", "");

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    auto deleteFileOf = [&](const std::string& file) {
        live.Select(FileEntry(live, "Zv File", file));
        ASSERT_TRUE(f.bt_delfile.Enabled());
        live.rec().Answer(IDYES);
        ASSERT_TRUE(live.Click(f.bt_delfile));
        ASSERT_EQ(live.rec().boxes.size(), 2u);
        EXPECT_EQ(live.rec().boxes[0].text, kFileQuestion);
    };

    deleteFileOf(readOnly);
    ExpectLastBox(live, readOnly + " 删除失败！", 0x10);
    EXPECT_TRUE(zv::FileExists(readOnly));
    live.rec().boxes.clear();

    {
        // Open without shared delete access, as a loaded library is.
        const TFile busy(CreateFileA(open.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(busy);
        deleteFileOf(open);
    }
    ExpectLastBox(live, open + " 删除失败！", 0x10);
    EXPECT_TRUE(zv::FileExists(open));
    live.rec().boxes.clear();

    {
        actionstest::TSeamRestore seams;
        zv::ShellApi().DeleteFile = [](LPCSTR) WINAPI -> BOOL {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        };
        deleteFileOf(locked);
    }
    ExpectLastBox(live, locked + " 删除失败！", 0x10);
    EXPECT_TRUE(zv::FileExists(locked));
    live.rec().boxes.clear();

    // The path functions trim the trailing dot: the name would reach plain.dll, which the
    // registry does not name.
    const std::string plain = dir.File("plain.dll");
    deleteFileOf(plain + ".");
    ExpectLastBox(live, plain + ". 删除失败！", 0x10);
    EXPECT_TRUE(zv::FileExists(plain));
    live.rec().boxes.clear();

    deleteFileOf(folder);
    ExpectLastBox(live, folder + " 文件不存在！", 0x10);
    EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(live.rec().errors.empty());
}

TEST(ActionsUnregister, RemovesOnlyTheMachineWideClassKey)
{
    zvtest::TTempDir dir;
    const std::string server = dir.File("zvfoo.dll");
    const std::string userClass = std::string("Software\\Classes\\CLSID\\") + kFoo;
    TRegistryScratch scratch;
    AddToolbar(scratch, kFoo, "Zv Foo", server);
    scratch.Text(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + kFoo + "\\Zv Sub\\Deeper", "", "x");
    AddToolbar(scratch, kBar, "Zv Bar", "");
    scratch.Text(HKEY_CURRENT_USER, userClass, "", "Zv Foo per user");

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    TTreeNode* node = live.Entry(kToolbars, "Zv Foo");
    ASSERT_NE(node, nullptr);
    const std::vector<std::string> before = Snapshot(node);
    live.Select(node);

    live.rec().Answer(IDNO);
    ASSERT_TRUE(live.Click(f.bt_delactivex));
    ASSERT_EQ(live.rec().boxes.size(), 1u);
    ExpectLastBox(live, kClassQuestion, 0x24);
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + kFoo));

    live.rec().Answer(IDYES);
    {
        zvtest::TRegistryLog log;
        ASSERT_TRUE(live.Click(f.bt_delactivex));
        actionstest::ExpectAccess(log, KEY_ALL_ACCESS);
    }
    ASSERT_EQ(live.rec().boxes.size(), 3u);
    ExpectLastBox(live, "Zv Foo [启用] 注销完成！", 0x40);
    EXPECT_FALSE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + kFoo));
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + kBar));
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, userClass, ""), "Zv Foo per user");
    EXPECT_TRUE(zvtest::ValueExists(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, kFoo));
    EXPECT_TRUE(zv::FileExists(server));
    EXPECT_EQ(Snapshot(node), before);
    EXPECT_NE(node->Data, nullptr);

    // A class registered only for the current user is no machine-wide class to remove.
    live.rec().Answer(IDYES);
    ASSERT_TRUE(live.Click(f.bt_delactivex));
    ExpectLastBox(live, "Zv Foo [启用] 注销失败！", 0x10);
    EXPECT_EQ(zvtest::ReadString(HKEY_CURRENT_USER, userClass, ""), "Zv Foo per user");
    EXPECT_TRUE(live.rec().errors.empty());
}

// A value name that holds a backslash or is empty names no class of its own: unregistering it
// would remove another class's sub-key or the whole class store.
TEST(ActionsUnregister, AnIdentifierThatIsNoKeyNameRemovesNothing)
{
    TRegistryScratch scratch;
    AddToolbar(scratch, kBar, "Zv Bar", "");
    scratch.Text(HKEY_LOCAL_MACHINE, actionstest::kToolbarKey, std::string(kBar) + "\\Zv Sub", "");
    scratch.Text(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + kBar + "\\Zv Sub", "", "x");

    TLiveForm live;
    zv::Tfm_main& f = live.form();
    TTreeNode* nested = live.Entry(kToolbars, std::string(kBar) + "\\Zv Sub");
    ASSERT_NE(nested, nullptr);
    TTreeNode* empty = actionstest::AddEntry(f, live.Category(kToolbars), "Zv Empty", [](TNodeData& r) {
        r.Clsid = std::string("\0", 1);
        r.Deletable = 1;
    });
    for (TTreeNode* node : {nested, empty}) {
        live.Select(node);
        ASSERT_TRUE(live.Click(f.bt_delactivex));
        live.rec().Answer(IDYES);
        f.bt_delactivexClick(&f.bt_delactivex);
        ExpectLastBox(live, node->Text() + " 注销失败！", 0x10);
    }
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + kBar + "\\Zv Sub"));
    EXPECT_TRUE(zvtest::KeyExists(HKEY_LOCAL_MACHINE, std::string(actionstest::kClassesClsid) + kBar));
    EXPECT_TRUE(live.rec().errors.empty());
}
