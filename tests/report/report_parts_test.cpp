// The parts of the report that stand on their own: version records, and the plan of what a
// backup saves for the entries of a report.
#include "platform/unicode_text.h"
#include "report/backup.h"
#include "report/file_version.h"
#include "report/system_info.h"
#include "report_support.h"

using namespace reporttest;

TEST(ReportParts, VersionRecords)
{
    const auto fixture = zv::ReadFileVersion(ProgramDir() + "\\zv_report_fixture.dll");
    ASSERT_TRUE(fixture);
    EXPECT_EQ(fixture->CompanyName, "卓凡软件");
    EXPECT_EQ(fixture->FileVersion, "2.5.0.1");
    // The test program carries Zorvane's resource script, as the report program does.
    const auto own = zv::ReadFileVersion(ProgramDir() + "\\zv_report_tests.exe");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->CompanyName, "");
    EXPECT_EQ(own->FileVersion, "1.7.0.0");
    EXPECT_EQ(zv::ProgramVersion(), "1.7.0.0");
    zvtest::TTempDir temp;
    EXPECT_FALSE(zv::ReadFileVersion(temp.File("plain.txt", "no record here")));
    EXPECT_FALSE(zv::ReadFileVersion(temp.Path() + "\\missing.dll"));
    EXPECT_FALSE(zv::ReadFileVersion(""));
}

namespace {

zv::TReportEntry Entry(uint32_t root, std::string keyPath, std::string valueName, std::string clsid, bool activeX,
                       bool canDisable, bool builtIn = false)
{
    zv::TReportEntry entry;
    entry.Text = clsid.empty() ? keyPath : clsid;
    entry.BuiltIn = builtIn;
    entry.Record.emplace();
    entry.Record->RootKey = root;
    entry.Record->KeyPath = std::move(keyPath);
    entry.Record->IsValue = !valueName.empty();
    entry.Record->ValueName = std::move(valueName);
    entry.Record->Clsid = std::move(clsid);
    entry.Record->Deletable = !builtIn;
    entry.Record->IsActiveX = activeX;
    entry.Record->CanDisable = canDisable;
    return entry;
}

// "HKCU path" for a whole key, "HKCU path = name, name" for values, with the reasons' count.
std::vector<std::string> Describe(const std::vector<zv::TBackupItem>& items)
{
    std::vector<std::string> lines;
    for (const zv::TBackupItem& item : items) {
        std::string line = (item.Root == HKEY_CURRENT_USER ? "HKCU " : "HKLM ") + zv::WideToAnsi(item.KeyPath);
        if (!item.WholeKey) {
            line += " =";
            for (const std::wstring& name : item.ValueNames) line += " [" + zv::WideToAnsi(name) + "]";
        }
        lines.push_back(line + " #" + std::to_string(item.Reasons.size()));
    }
    return lines;
}

}  // namespace

TEST(ReportParts, BackupPlanSavesEachKeyOnceWithWhatItIsFor)
{
    const uint32_t hklm = 0x80000002u, hkcu = 0x80000001u;
    zv::TReport report;
    zv::TReportSection plugins;
    plugins.Title = "类别";
    // A hook that lies inside a class registration saved later: saved with it, in its place.
    plugins.Entries.push_back(Entry(hklm, "SOFTWARE\\Classes\\CLSID\\{A}\\Hook", "", "", false, false));
    plugins.Entries.push_back(
        Entry(hklm, "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar", "{T}", "{T}", false, true));
    plugins.Entries.push_back(
        Entry(hklm, "software\\microsoft\\internet explorer\\toolbar", "{t}", "{t}", false, true));
    // Built in: the window disables it, but neither deletes nor unregisters it.
    plugins.Entries.push_back(
        Entry(hklm, "SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar", "{B}", "{B}", false, true, true));
    plugins.Entries.push_back(
        Entry(hkcu, "Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats\\{A}", "", "{A}", true, true));
    // A hook in its key's default value: that value alone, never the key of every hook.
    plugins.Entries.push_back(
        Entry(hkcu, "Software\\Microsoft\\Internet Explorer\\URLSearchHooks", "", "", false, false));
    plugins.Entries.back().Record->IsValue = true;
    // Names that would reach beyond one entry: nothing is saved for them.
    plugins.Entries.push_back(Entry(hklm, "", "", "{X}\\..", false, true));
    plugins.Entries.push_back(zv::TReportEntry{});
    report.Plugins.push_back(plugins);
    zv::TReportSection run;
    run.Title = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    run.Entries.push_back(Entry(hkcu, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "", "", false, false));
    run.Entries.push_back(Entry(0, "", "", "", false, false));
    report.Startup.push_back(run);

    EXPECT_EQ(Describe(zv::PlanBackup(report)),
              (std::vector<std::string>{
                  "HKLM SOFTWARE\\Classes\\CLSID\\{A} #2",
                  // The registry ignores the case of names: {t} is {T}.
                  "HKLM SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar = [{T}] #2",
                  "HKLM SOFTWARE\\Classes\\CLSID\\{T} #2",
                  "HKCU Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\{T} #2",
                  "HKLM SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{T} #2",
                  "HKCU Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\{B} #1",
                  "HKLM SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{B} #1",
                  "HKLM SOFTWARE\\Microsoft\\Code Store Database\\Distribution Units\\{A} #1",
                  "HKCU Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Settings\\{A} #2",
                  "HKCU Software\\Microsoft\\Windows\\CurrentVersion\\Ext\\Stats\\{A} #1",
                  "HKLM SOFTWARE\\Microsoft\\Internet Explorer\\ActiveX Compatibility\\{A} #1",
                  "HKCU Software\\Microsoft\\Internet Explorer\\URLSearchHooks = [] #1",
                  "HKCU Software\\Microsoft\\Windows\\CurrentVersion\\Run = [] #1",
                  "HKCU Policies\\Microsoft\\Internet Explorer\\Control Panel #1",
                  "HKCU Software\\Microsoft\\Internet Explorer\\Main = [Start Page] #1",
              }));
}
