#include "report/report_text.h"

#include <string_view>

#include "report/system_info.h"

namespace zv {

namespace {

class TLog {
public:
    void Line(int indent, std::string_view text)
    {
        m_text.append(static_cast<size_t>(indent) * 2, ' ');
        m_text.append(text);
        m_text.append("\r\n");
    }
    void Field(int indent, std::string_view label, const std::string& value)
    {
        Line(indent, std::string(label) + "：" + value);
    }
    std::string Take() { return std::move(m_text); }

private:
    std::string m_text;
};

std::string RegistryLocation(const TRecordFields& record)
{
    const char* root = RegistryRootName(record.RootKey);
    if (!root) return {};
    std::string location = std::string(root) + "\\" + record.KeyPath;
    if (!record.ValueName.empty()) {
        location += "，值 " + record.ValueName;
    } else if (record.IsValue) {
        location += "，默认值";
    }
    return location;
}

void FileFacts(TLog& log, int indent, const TReportEntry& entry)
{
    if (entry.File.empty()) return;
    const char* why = entry.FileRisk == TPathRisk::Network  ? "（网络路径，未访问）"
                      : entry.FileRisk == TPathRisk::Device ? "（设备名，未访问）"
                      : entry.FileExists                    ? ""
                                                            : "（文件不存在）";
    log.Field(indent, "文件", entry.File + why);
    if (!entry.Version) return;
    if (!entry.Version->CompanyName.empty()) log.Field(indent, "公司", entry.Version->CompanyName);
    if (!entry.Version->FileVersion.empty()) log.Field(indent, "文件版本", entry.Version->FileVersion);
}

void Problems(TLog& log, int indent, const TReportSection& section)
{
    for (const std::string& problem : section.Problems) {
        log.Line(indent, "！扫描在此中断（" + problem + "），其后的项目未能列出。");
    }
}

void StateField(TLog& log, int depth, const TReportEntry& entry)
{
    if (entry.State == TEntryState::Enabled) log.Field(depth, "状态", "启用");
    if (entry.State == TEntryState::Disabled) log.Field(depth, "状态", "已禁用");
}

void PluginEntry(TLog& log, const TReportEntry& entry)
{
    log.Line(2, entry.Text);
    for (const std::string& detail : entry.Details) log.Line(3, "- " + detail);
    if (!entry.Record) {
        log.Line(3, "！扫描在此项中断，此项没有记录，窗口对它不能做任何操作。");
        return;
    }
    const TRecordFields& record = *entry.Record;
    if (!record.Clsid.empty()) log.Field(3, "类标识", record.Clsid);
    FileFacts(log, 3, entry);
    StateField(log, 3, entry);
    log.Field(3, "内置", entry.BuiltIn ? "是" : "否");
    const std::string location = RegistryLocation(record);
    if (!location.empty()) log.Field(3, "注册表", location);
}

void StartupItem(TLog& log, const TReportEntry& entry)
{
    log.Line(1, entry.Text.empty() ? "（无名称）" : entry.Text);
    if (!entry.Record) return;
    const TRecordFields& record = *entry.Record;
    log.Field(2, "命令行", record.CommandLine);
    FileFacts(log, 2, entry);
    StateField(log, 2, entry);
    if (!record.KeyPath.empty()) {
        log.Field(2, "注册表", RegistryLocation(record));
    } else {
        log.Field(2, "位置", record.FileName);
    }
}

}  // namespace

std::string FormatTextReport(const TReport& report)
{
    TLog log;
    log.Line(0, "Zorvane 插件与启动项目报告");
    log.Field(0, "程序版本", report.Header.ProgramVersion);
    log.Field(0, "时间", DateTimeText(report.Header.Time));
    log.Field(0, "系统", report.Header.Windows);
    log.Field(0, "用户", report.Header.User);
    if (!report.Complete()) {
        log.Line(0, "！本报告不完整：有的扫描因注册表值的类型不符而中断，见下文以“！”开头的行。");
    }

    log.Line(0, "");
    log.Line(0, "【插件清除】");
    std::string root;
    for (const TReportSection& section : report.Plugins) {
        if (section.Root != root) {
            root = section.Root;
            log.Line(0, root);
        }
        log.Line(1, section.Title);
        if (section.Entries.empty() && section.Problems.empty()) log.Line(2, "（无）");
        for (const TReportEntry& entry : section.Entries) PluginEntry(log, entry);
        Problems(log, 2, section);
    }

    log.Line(0, "");
    log.Line(0, "【启动项目】");
    if (report.Startup.empty()) log.Line(1, "（无）");
    for (const TReportSection& section : report.Startup) {
        log.Line(0, section.Title);
        for (const TReportEntry& entry : section.Entries) StartupItem(log, entry);
        Problems(log, 1, section);
    }

    log.Line(0, "");
    std::string closing = "共 " + std::to_string(report.PluginEntryCount()) + " 个插件项，" +
                          std::to_string(report.StartupItemCount()) + " 个启动项目。";
    if (!report.Complete()) closing += "报告不完整。";
    log.Line(0, closing);
    return log.Take();
}

}  // namespace zv
