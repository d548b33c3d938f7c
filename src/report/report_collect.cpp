// Runs the window's own scans one by one and copies out what they found.
#include <algorithm>
#include <exception>
#include <map>
#include <utility>

#include "platform/cmdline.h"
#include "platform/path_policy.h"
#include "plugins/node_data.h"
#include "plugins/plugin_texts.h"
#include "report/report_model.h"
#include "report/system_info.h"
#include "startup/startup_folders.h"
#include "ui/w_main.h"

namespace zv {

namespace {

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TRecordFields CopyRecord(const TNodeData& record)
{
    TRecordFields fields;
    fields.RootKey = record.RootKey;
    fields.KeyPath = record.KeyPath;
    fields.ValueName = record.ValueName;
    fields.Clsid = record.Clsid;
    fields.FileName = record.FileName;
    fields.Deletable = record.Deletable != 0;
    fields.IsActiveX = record.IsActiveX != 0;
    fields.CommandLine = record.CommandLine;
    fields.ItemName = record.ItemName;
    fields.CanDisable = record.CanDisable != 0;
    fields.IsValue = record.IsValue != 0;
    fields.View = record.View;
    fields.MarkRoot = record.MarkRoot;
    fields.MarkKey = record.MarkKey;
    fields.MarkName = record.MarkName;
    return fields;
}

// The first `ownPart` bytes of `file` are the program's own folder. The file as a process of
// `view` sees it.
void DescribeFile(TReportEntry& entry, std::string file, size_t ownPart = 0, TFileView view = TFileView::Native)
{
    entry.File = std::move(file);
    entry.FileRisk = PathRisk(entry.File, ownPart);
    entry.FileExists = FileExists(entry.File, ownPart, view);
    if (!entry.FileExists) return;
    const std::string seen = PathInView(entry.File, view);
    const TFileViewScope scope(view);
    entry.Version = ReadFileVersion(seen, ownPart != 0 ? ownPart + seen.size() - entry.File.size() : 0);
}

// What a scan raised, or nothing when it ran to its end.
template <class TScan>
std::optional<std::string> RunGuarded(TScan scan)
{
    try {
        scan();
    } catch (const std::exception& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

TReportEntry PluginEntry(const TTreeNode& node)
{
    TReportEntry entry;
    entry.Text = node.Text();
    if (EndsWith(entry.Text, DisabledSuffix)) entry.State = TEntryState::Disabled;
    if (EndsWith(entry.Text, EnabledSuffix)) entry.State = TEntryState::Enabled;
    for (size_t i = 0; i < node.Count(); ++i) entry.Details.push_back(node.Item(i)->Text());
    if (node.Data) {
        entry.Record = CopyRecord(*node.Data);
        entry.BuiltIn = !entry.Record->Deletable;
        DescribeFile(entry, entry.Record->FileName, 0, node.Data->FileView());
    }
    return entry;
}

TReportEntry StartupEntry(const TTreeNode& node)
{
    TReportEntry entry;
    if (!node.Data) return entry;
    entry.Record = CopyRecord(*node.Data);
    entry.Text = entry.Record->ItemName;
    // A name that happens to end like a plug-in entry's mark says nothing of the item's state.
    if (node.Data->Mark == TStartupMark::Disabled) entry.State = TEntryState::Disabled;
    if (node.Data->Mark == TStartupMark::Enabled) entry.State = TEntryState::Enabled;
    // The file a startup item starts: the one its command line names, or for a folder entry
    // that gives no command line, the entry itself, in a folder of the program's own.
    const std::string& entryFile = entry.Record->FileName;
    if (entry.Record->CommandLine.empty()) {
        DescribeFile(entry, entryFile, LastComponentStart(entryFile));
    } else {
        DescribeFile(entry, ExtractCommandFile(entry.Record->CommandLine));
    }
    return entry;
}

std::vector<TReportSection> CollectPlugins(Tfm_main& form)
{
    std::map<const TTreeNode*, std::vector<std::string>> problems;
    for (const Tfm_main::TPluginScanner& scanner : form.BuildPluginSkeleton()) {
        if (auto problem = RunGuarded([&] { (form.*scanner.Scan)(scanner.Category); })) {
            problems[scanner.Category].push_back(*problem);
        }
    }
    std::vector<TReportSection> sections;
    for (size_t r = 0; r < form.m_tree.TopCount(); ++r) {
        const TTreeNode* root = form.m_tree.TopItem(r);
        for (size_t c = 0; c < root->Count(); ++c) {
            const TTreeNode* category = root->Item(c);
            TReportSection section;
            section.Root = root->Text();
            section.Title = category->Text();
            for (size_t e = 0; e < category->Count(); ++e) section.Entries.push_back(PluginEntry(*category->Item(e)));
            section.Problems = problems[category];
            sections.push_back(std::move(section));
        }
    }
    return sections;
}

std::vector<TReportSection> CollectStartup(Tfm_main& form)
{
    std::vector<std::pair<std::string, std::string>> problems;
    for (const Tfm_main::TStartupPlace& place : form.ClearStartupTree()) {
        if (auto problem = RunGuarded([&] { form.ScanStartupPlace(place); })) {
            problems.emplace_back(place.Title, *problem);
        }
    }
    std::vector<TReportSection> sections;
    for (size_t g = 0; g < form.tree_start.TopCount(); ++g) {
        const TTreeNode* group = form.tree_start.TopItem(g);
        TReportSection section;
        if (group->Data) section.Title = group->Data->ItemName;
        for (size_t i = 0; i < group->Count(); ++i) section.Entries.push_back(StartupEntry(*group->Item(i)));
        sections.push_back(std::move(section));
    }
    // A place that raised keeps its group in the list, as the window keeps it; the problem
    // goes with that group, or stands alone should the group be missing.
    for (auto& [title, message] : problems) {
        auto it =
            std::find_if(sections.begin(), sections.end(), [&](const TReportSection& s) { return s.Title == title; });
        if (it == sections.end()) {
            TReportSection section;
            section.Title = title;
            it = sections.insert(sections.end(), std::move(section));
        }
        it->Problems.push_back(message);
    }
    return sections;
}

}  // namespace

const char* RegistryRootName(uint32_t root)
{
    switch (root) {
        case kHkeyCurrentUser:
            return "HKEY_CURRENT_USER";
        case kHkeyLocalMachine:
            return "HKEY_LOCAL_MACHINE";
        default:
            return nullptr;
    }
}

bool TReport::Complete() const
{
    auto clean = [](const std::vector<TReportSection>& sections) {
        return std::all_of(sections.begin(), sections.end(),
                           [](const TReportSection& s) { return s.Problems.empty(); });
    };
    return clean(Plugins) && clean(Startup);
}

size_t TReport::PluginEntryCount() const
{
    size_t count = 0;
    for (const TReportSection& section : Plugins) count += section.Entries.size();
    return count;
}

size_t TReport::StartupItemCount() const
{
    size_t count = 0;
    for (const TReportSection& section : Startup) count += section.Entries.size();
    return count;
}

TReport CollectReport(Tfm_main& form)
{
    TReport report;
    report.Header.ProgramVersion = ProgramVersion();
    GetLocalTime(&report.Header.Time);
    report.Header.Windows = WindowsVersionText();
    report.Header.User = CurrentUserName();
    // In the order the window runs them when it is created.
    report.Startup = CollectStartup(form);
    report.Plugins = CollectPlugins(form);
    return report;
}

}  // namespace zv
