#include "actions_support.h"

#include "platform/registry.h"
#include "platform/unicode_text.h"
#include "plugins/plugin_texts.h"

namespace actionstest {

namespace {

// The topmost key of the path that is not there yet, or "" when the whole path exists.
std::string FirstMissing(HKEY root, const std::string& path)
{
    size_t end = 0;
    for (;;) {
        end = path.find('\\', end + 1);
        const std::string prefix = path.substr(0, end);
        if (!zvtest::KeyExists(root, prefix)) return prefix;
        if (end == std::string::npos) return {};
    }
}

void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type, const void* data,
              DWORD size)
{
    const TKeyHandle key = OpenKey(root, path, KEY_SET_VALUE);
    ASSERT_TRUE(key) << path;
    EXPECT_EQ(RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
}

BOOL WINAPI RecordShellExecute(SHELLEXECUTEINFOA* info)
{
    ShellRequests().push_back({info->cbSize, info->fMask, info->hwnd, info->lpVerb ? info->lpVerb : "",
                               info->lpFile ? info->lpFile : "", info->lpParameters != nullptr,
                               info->lpDirectory != nullptr, info->nShow});
    return FALSE;
}

bool Save(HKEY root, const std::string& path, TKeyBackup::TKey& into)
{
    const TKeyHandle key = OpenKey(root, path, KEY_READ);
    if (!key) return false;
    std::vector<char> name(32768);
    std::vector<BYTE> data(1 << 20);
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        if (RegEnumValueA(key.get(), i, name.data(), &nameLen, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
            break;
        }
        into.values.push_back({std::string(name.data(), nameLen), type, {data.begin(), data.begin() + size}});
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLen = static_cast<DWORD>(name.size());
        if (RegEnumKeyExA(key.get(), i, name.data(), &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        TKeyBackup::TKey sub;
        sub.name.assign(name.data(), nameLen);
        Save(root, path + "\\" + sub.name, sub);
        into.subKeys.push_back(std::move(sub));
    }
    return true;
}

void Restore(HKEY root, const std::string& path, const TKeyBackup::TKey& from)
{
    const TKeyHandle key = OpenKey(root, path, KEY_SET_VALUE, true);
    ASSERT_TRUE(key) << path;
    for (const TKeyBackup::TValue& v : from.values) {
        RegSetValueExA(key.get(), v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
    }
    for (const TKeyBackup::TKey& sub : from.subKeys) Restore(root, path + "\\" + sub.name, sub);
}

struct TFaults {
    zv::TRegistryApi real;
    HKEY deniedRoot = nullptr;
    std::string failedValue;
    std::string failedKeyTail;
    std::string deniedOpenTail;
};

TFaults& Faults()
{
    static TFaults faults;
    return faults;
}

bool EndsWithNoCase(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && lstrcmpiA(text.c_str() + text.size() - tail.size(), tail.c_str()) == 0;
}

LONG WINAPI DeniedCreateKey(HKEY base, LPCSTR sub, DWORD reserved, LPSTR cls, DWORD options, REGSAM sam,
                            LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition)
{
    if (base == Faults().deniedRoot) return ERROR_ACCESS_DENIED;
    return Faults().real.CreateKeyEx(base, sub, reserved, cls, options, sam, security, result, disposition);
}

LONG WINAPI FailingSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (name && lstrcmpiA(name, Faults().failedValue.c_str()) == 0) return ERROR_ACCESS_DENIED;
    return Faults().real.SetValueEx(key, name, reserved, type, data, size);
}

LONG WINAPI FailingDeleteKey(HKEY base, LPCSTR sub, REGSAM view, DWORD reserved)
{
    if (sub && EndsWithNoCase(sub, Faults().failedKeyTail)) return ERROR_ACCESS_DENIED;
    return Faults().real.DeleteKey(base, sub, view, reserved);
}

LONG WINAPI FailingDeleteKeyW(HKEY base, LPCWSTR sub, REGSAM view, DWORD reserved)
{
    if (sub && EndsWithNoCase(zv::WideToAnsi(sub), Faults().failedKeyTail)) return ERROR_ACCESS_DENIED;
    return Faults().real.DeleteKeyW(base, sub, view, reserved);
}

LONG WINAPI DeniedOpenKey(HKEY base, LPCSTR sub, DWORD options, REGSAM sam, PHKEY result)
{
    if (sub && EndsWithNoCase(sub, Faults().deniedOpenTail)) return ERROR_ACCESS_DENIED;
    return Faults().real.OpenKeyEx(base, sub, options, sam, result);
}

}  // namespace

TKeyHandle OpenKey(HKEY root, const std::string& path, REGSAM access, bool create)
{
    HKEY key = nullptr;
    const REGSAM sam = access | zv::NativeViewFlag();
    const LONG status = create ? RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, sam, nullptr, &key, nullptr)
                               : RegOpenKeyExA(root, path.c_str(), 0, sam, &key);
    return TKeyHandle(status == ERROR_SUCCESS ? key : nullptr);
}

void DeleteValue(HKEY root, const std::string& path, const std::string& name)
{
    if (const TKeyHandle key = OpenKey(root, path, KEY_SET_VALUE)) RegDeleteValueA(key.get(), name.c_str());
}

void ExpectAccess(const zvtest::TRegistryLog& log, REGSAM access, bool creates)
{
    EXPECT_FALSE(log.requests.empty());
    for (const zvtest::TRegistryRequest& r : log.requests) {
        if (r.kind == zvtest::TRegistryRequest::SetValue) continue;
        // The look at a key's names before the change asks only to read.
        if (r.kind == zvtest::TRegistryRequest::Open && r.access == KEY_READ) continue;
        EXPECT_EQ(r.access, access) << r.path;
        if (!creates) {
            EXPECT_EQ(r.kind, zvtest::TRegistryRequest::Open) << r.path;
        }
    }
}

void DenyCreateKeyUnder(HKEY root)
{
    Faults().real.CreateKeyEx = zv::RegistryApi().CreateKeyEx;
    Faults().deniedRoot = root;
    zv::RegistryApi().CreateKeyEx = DeniedCreateKey;
}

void FailSetValueNamed(const std::string& name)
{
    Faults().real.SetValueEx = zv::RegistryApi().SetValueEx;
    Faults().failedValue = name;
    zv::RegistryApi().SetValueEx = FailingSetValue;
}

void FailDeleteKeyEndingWith(const std::string& tail)
{
    Faults().real.DeleteKey = zv::RegistryApi().DeleteKey;
    Faults().real.DeleteKeyW = zv::RegistryApi().DeleteKeyW;
    Faults().failedKeyTail = tail;
    zv::RegistryApi().DeleteKey = FailingDeleteKey;
    zv::RegistryApi().DeleteKeyW = FailingDeleteKeyW;
}

void DenyOpenKeyEndingWith(const std::string& tail)
{
    Faults().real.OpenKeyEx = zv::RegistryApi().OpenKeyEx;
    Faults().deniedOpenTail = tail;
    zv::RegistryApi().OpenKeyEx = DeniedOpenKey;
}

TKeyBackup::TKeyBackup(HKEY root, std::string path) : m_root(root), m_path(std::move(path))
{
    m_existed = Save(m_root, m_path, m_saved);
}

TKeyBackup::~TKeyBackup()
{
    zvtest::DeleteTree(m_root, m_path);
    if (m_existed) Restore(m_root, m_path, m_saved);
}

TRegistryScratch::~TRegistryScratch()
{
    for (auto it = m_added.rbegin(); it != m_added.rend(); ++it) {
        if (it->isKey) {
            zvtest::DeleteTree(it->root, it->path);
            continue;
        }
        DeleteValue(it->root, it->path, it->value);
    }
}

void TRegistryScratch::Key(HKEY root, const std::string& path)
{
    Claim(root, path);
    ASSERT_TRUE(OpenKey(root, path, KEY_READ, true)) << path;
}

void TRegistryScratch::Claim(HKEY root, const std::string& path)
{
    const std::string missing = FirstMissing(root, path);
    if (!missing.empty()) m_added.push_back({root, missing, {}, true});
}

void TRegistryScratch::Value(HKEY root, const std::string& path, const std::string& name, DWORD type,
                             const void* data, DWORD size)
{
    Key(root, path);
    ASSERT_FALSE(zvtest::ValueExists(root, path, name)) << "a test must not overwrite " << path << "\\" << name;
    m_added.push_back({root, path, name, false});
    SetValue(root, path, name, type, data, size);
}

void TRegistryScratch::Text(HKEY root, const std::string& path, const std::string& name, const std::string& text)
{
    Value(root, path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void TRegistryScratch::Number(HKEY root, const std::string& path, const std::string& name, DWORD value)
{
    Value(root, path, name, REG_DWORD, &value, sizeof(value));
}

void TRegistryScratch::Mark(HKEY root, const std::string& path, const std::string& name, DWORD flags)
{
    const DWORD mark[3] = {flags, 0x5A5A5A5A, 0x01D9A5A5};
    Value(root, path, name, REG_BINARY, mark, sizeof(mark));
}

std::vector<TShellRequest>& ShellRequests()
{
    static std::vector<TShellRequest> requests;
    return requests;
}

void CaptureShellExecute()
{
    ShellRequests().clear();
    zv::ShellApi().ShellExecuteEx = RecordShellExecute;
}

TLiveForm::TLiveForm(bool withWindow) : m_form(std::make_unique<zv::Tfm_main>())
{
    CaptureShellExecute();
    m_rec = std::make_unique<zvtest::TMessageRecorder>(*m_form);
    m_form->CreateForm(withWindow);
    if (withWindow) {
        ShowWindow(m_form->Handle(), SW_SHOWNORMAL);
        zvtest::PumpMessages();
    }
}

TLiveForm::~TLiveForm()
{
    // Without a window no destroy handler runs to dispose the records.
    if (!m_form->HandleAllocated()) m_form->FormDestroy(m_form.get());
    m_rec.reset();
    m_form.reset();
    zvtest::PumpMessages();
}

zv::TTreeNode* TLiveForm::Category(size_t index) const
{
    zv::TTreeNode* browser = m_form->m_tree.TopItem(0);
    if (index < browser->Count()) return browser->Item(index);
    return m_form->m_tree.TopItem(1)->Item(0);
}

zv::TTreeNode* TLiveForm::Entry(size_t category, const std::string& textPrefix) const
{
    zv::TTreeNode* c = Category(category);
    for (size_t i = 0; i < c->Count(); ++i) {
        if (c->Item(i)->Text().compare(0, textPrefix.size(), textPrefix) == 0) return c->Item(i);
    }
    return nullptr;
}

void TLiveForm::Select(zv::TTreeNode* node)
{
    m_form->m_tree.Select(node);
    zvtest::PumpMessages();
}

bool TLiveForm::Click(zv::TButton& button)
{
    if (!button.Enabled() || !IsWindowEnabled(button.Handle())) return false;
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
    zvtest::PumpMessages();
    return true;
}

std::string TLiveForm::ViewText(const zv::TTreeNode* node) const
{
    return zvtest::TreeItemText(m_form->m_tree.Handle(), node->ItemId());
}

std::vector<std::string> TLiveForm::ViewChildren(const zv::TTreeNode* parent) const
{
    return zvtest::TreeChildTexts(m_form->m_tree.Handle(), parent->ItemId());
}

std::vector<std::string> TLiveForm::ModelChildren(const zv::TTreeNode* parent) const
{
    std::vector<std::string> texts;
    for (size_t i = 0; i < parent->Count(); ++i) texts.push_back(parent->Item(i)->Text());
    return texts;
}

std::string TLiveForm::WindowCaption(const zv::TButton& button) const
{
    char text[256] = {};
    GetWindowTextA(button.Handle(), text, sizeof(text));
    return text;
}

void RegisterClass(TRegistryScratch& scratch, const std::string& clsid, const std::string& displayName,
                   const std::string& serverFile)
{
    const std::string key = std::string(kClassesClsid) + clsid;
    scratch.Text(HKEY_LOCAL_MACHINE, key, "", displayName);
    if (!serverFile.empty()) scratch.Text(HKEY_LOCAL_MACHINE, key + "\\InprocServer32", "", serverFile);
}

zv::TTreeNode* AddEntry(zv::Tfm_main& form, zv::TTreeNode* category, const std::string& text,
                        const std::function<void(zv::TNodeData&)>& fill)
{
    zv::TTreeNode* node = form.m_tree.Add(category, text);
    form.SetNodeIcon(node, zv::picEntry);
    auto* record = new zv::TNodeData;
    fill(*record);
    node->Data = record;
    return node;
}

}  // namespace actionstest
