#include "report/backup.h"

#include <algorithm>

#include "platform/reg_file.h"
#include "platform/registry.h"
#include "platform/unicode_text.h"
#include "plugins/action_keys.h"
#include "report/system_info.h"

namespace zv {

namespace {

// The value the home-page command sets in HomePageKey, after it erased HomePageLockKey whole.
const char kHomePageValue[] = "Start Page";

// Names match as the registry matches them: blind to case by the system's own casing table,
// not a language's rules, which is what LCMapStringW does without LCMAP_LINGUISTIC_CASING.
// (CompareStringOrdinal says the same in one call, but Windows XP lacks it.)
std::wstring UpperName(const std::wstring& name)
{
    std::wstring upper(name.size(), L'\0');
    if (!name.empty()) {
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, name.c_str(), static_cast<int>(name.size()), upper.data(),
                     static_cast<int>(upper.size()));
    }
    return upper;
}

bool SameName(const std::wstring& a, const std::wstring& b)
{
    return a.size() == b.size() && UpperName(a) == UpperName(b);
}

// The key `path`, or a key below it, is `ancestor`'s.
bool Within(const std::wstring& path, const std::wstring& ancestor)
{
    if (path.size() == ancestor.size()) return SameName(path, ancestor);
    return path.size() > ancestor.size() && path[ancestor.size()] == L'\\' &&
           SameName(path.substr(0, ancestor.size()), ancestor);
}

HKEY RootHandle(uint32_t root)
{
    if (root == kHkeyCurrentUser) return HKEY_CURRENT_USER;
    if (root == kHkeyLocalMachine) return HKEY_LOCAL_MACHINE;
    return nullptr;
}

class TBackupPlan {
public:
    void AddKeyTree(HKEY root, const std::string& path, const std::wstring& reason)
    {
        const std::wstring key = AnsiToWide(path);
        for (TBackupItem& item : m_items) {
            if (item.Root == root && item.WholeKey && Within(key, item.KeyPath)) return AddReason(item, reason);
        }
        // Saved keys and values inside the new key are saved with it, where the first of them stood.
        TBackupItem tree{root, key, true, {}, {}};
        auto inside = [&](const TBackupItem& item) { return item.Root == root && Within(item.KeyPath, key); };
        const auto first = std::find_if(m_items.begin(), m_items.end(), inside);
        for (auto it = first; it != m_items.end(); ++it) {
            if (inside(*it)) {
                for (const std::wstring& r : it->Reasons) AddReason(tree, r);
            }
        }
        AddReason(tree, reason);
        const size_t position = static_cast<size_t>(first - m_items.begin());
        m_items.erase(std::remove_if(m_items.begin(), m_items.end(), inside), m_items.end());
        m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(std::min(position, m_items.size())),
                       std::move(tree));
    }

    void AddValue(HKEY root, const std::string& path, const std::string& name, const std::wstring& reason)
    {
        const std::wstring key = AnsiToWide(path);
        const std::wstring value = AnsiToWide(name);
        for (TBackupItem& item : m_items) {
            if (item.Root != root) continue;
            if (item.WholeKey && Within(key, item.KeyPath)) return AddReason(item, reason);
            if (!item.WholeKey && SameName(key, item.KeyPath)) {
                const bool known = std::any_of(item.ValueNames.begin(), item.ValueNames.end(),
                                               [&](const std::wstring& n) { return SameName(n, value); });
                if (!known) item.ValueNames.push_back(value);
                return AddReason(item, reason);
            }
        }
        m_items.push_back({root, key, false, {value}, {reason}});
    }

    std::vector<TBackupItem> Take() { return std::move(m_items); }

private:
    static void AddReason(TBackupItem& item, const std::wstring& reason)
    {
        if (std::find(item.Reasons.begin(), item.Reasons.end(), reason) == item.Reasons.end()) {
            item.Reasons.push_back(reason);
        }
    }

    std::vector<TBackupItem> m_items;
};

void PlanPluginEntry(TBackupPlan& plan, const TReportSection& section, const TReportEntry& entry)
{
    const TRecordFields& record = *entry.Record;
    const std::wstring name = AnsiToWide(section.Title + "\\" + entry.Text);
    const std::string& clsid = record.Clsid;
    // The machine-wide keys of the class are those of the entry's own view, as the window's actions change them.
    // The window refuses to delete or unregister a built-in entry, but disables it.
    if (!entry.BuiltIn) {
        const std::wstring deleted = name + L"：删除此项时移除";
        if (record.IsActiveX) {
            if (IsSingleKeyName(clsid)) {
                plan.AddKeyTree(HKEY_LOCAL_MACHINE, ViewKeyPath(record.View, DistributionUnitsKey) + clsid, deleted);
                plan.AddKeyTree(HKEY_CURRENT_USER, ExtSettingsKey + clsid, deleted);
                plan.AddKeyTree(HKEY_CURRENT_USER, ExtStatsKey + clsid, deleted);
            }
        } else if (HKEY root = RootHandle(record.RootKey); root && IsEntryKeyPath(record.KeyPath)) {
            // A value entry, the default value's too, is that value alone: never its whole key.
            if (!record.IsValue) {
                if (record.ValueName.empty()) plan.AddKeyTree(root, record.KeyPath, deleted);
            } else if (IsExactName(record.ValueName)) {
                plan.AddValue(root, record.KeyPath, record.ValueName, deleted);
            }
        }
        if (IsSingleKeyName(clsid)) {
            plan.AddKeyTree(HKEY_LOCAL_MACHINE, ViewKeyPath(record.View, ClassesClsidKey) + clsid, name + L"：注销时移除");
        }
    }
    if (record.CanDisable && IsSingleKeyName(clsid)) {
        const std::wstring switched = name + L"：禁用或启用时更改";
        plan.AddKeyTree(HKEY_CURRENT_USER, ExtSettingsKey + clsid, switched);
        plan.AddKeyTree(HKEY_LOCAL_MACHINE, ViewKeyPath(record.View, ActiveXCompatibilityKey) + clsid, switched);
    }
}

void PlanStartupItem(TBackupPlan& plan, const TReportSection& section, const TReportEntry& entry)
{
    const TRecordFields& record = *entry.Record;
    const std::wstring reason = AnsiToWide(section.Title + "\\" + entry.Text) + L"：删除此启动项目时移除";
    const HKEY root = RootHandle(record.RootKey);
    if (root && IsEntryKeyPath(record.KeyPath) && IsExactName(record.ValueName)) {
        plan.AddValue(root, record.KeyPath, record.ValueName, reason);
    }
    // Task Manager's mark goes with the item; one that is not there needs no saving.
    if (entry.State != TEntryState::None && RootHandle(record.MarkRoot) && IsExactName(record.MarkName)) {
        plan.AddValue(RootHandle(record.MarkRoot), record.MarkKey, record.MarkName, reason);
    }
}

}  // namespace

std::vector<TBackupItem> PlanBackup(const TReport& report)
{
    TBackupPlan plan;
    for (const TReportSection& section : report.Plugins) {
        for (const TReportEntry& entry : section.Entries) {
            if (entry.Record) PlanPluginEntry(plan, section, entry);
        }
    }
    for (const TReportSection& section : report.Startup) {
        for (const TReportEntry& entry : section.Entries) {
            if (entry.Record) PlanStartupItem(plan, section, entry);
        }
    }
    plan.AddKeyTree(HKEY_CURRENT_USER, HomePageLockKey, L"恢复浏览器主页地址时移除");
    plan.AddValue(HKEY_CURRENT_USER, HomePageKey, kHomePageValue, L"恢复浏览器主页地址时更改");
    return plan.Take();
}

std::string RenderBackup(const TReport& report)
{
    TRegFileWriter file;
    file.Comment(L"Zorvane " + AnsiToWide(report.Header.ProgramVersion) + L" 备份，" +
                 AnsiToWide(DateTimeText(report.Header.Time)));
    file.Comment(L"用系统的注册表编辑器导入此文件（regedit /s 文件名），下列键和值即恢复到备份时的样子。");
    if (!report.Complete()) file.Comment(L"报告不完整：中断的扫描之后本应列出的项目不在此备份中。");
    for (const TReportSection& section : report.Startup) {
        for (const TReportEntry& entry : section.Entries) {
            if (entry.Record && entry.Record->KeyPath.empty()) {
                file.Comment(L"启动文件夹中的文件不在此备份中：" + AnsiToWide(entry.Record->FileName));
            }
        }
    }
    file.BlankLine();
    for (const TBackupItem& item : PlanBackup(report)) {
        for (const std::wstring& reason : item.Reasons) file.Comment(reason);
        if (item.WholeKey) {
            file.SaveKeyTree(item.Root, item.KeyPath);
        } else {
            file.SaveValues(item.Root, item.KeyPath, item.ValueNames);
        }
    }
    return file.Bytes();
}

}  // namespace zv
