#include "report/report_json.h"

#include <cstdio>

#include "platform/unicode_text.h"
#include "report/system_info.h"

namespace zv {

namespace {

// Writes one value per line, two blanks of indent per level, so that a report reads and
// compares line by line.
class TJsonWriter {
public:
    void BeginObject() { Open('{'); }
    void EndObject() { Close('}'); }
    void BeginArray() { Open('['); }
    void EndArray() { Close(']'); }
    void Key(const char* name)
    {
        Separate();
        m_text += '"';
        m_text += name;
        m_text += "\": ";
        m_afterKey = true;
    }
    void String(const std::string& ansiText) { Scalar(JsonString(ansiText)); }
    void Bool(bool value) { Scalar(value ? "true" : "false"); }
    void Null() { Scalar("null"); }
    void Number(size_t value) { Scalar(std::to_string(value)); }
    // A text field that is null when empty.
    void OptionalString(const std::string& ansiText) { ansiText.empty() ? Null() : String(ansiText); }
    std::string Take()
    {
        m_text += '\n';
        return std::move(m_text);
    }

private:
    void Separate()
    {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (!m_firstInContainer) m_text += ',';
        if (m_depth > 0) {
            m_text += '\n';
            m_text.append(static_cast<size_t>(m_depth) * 2, ' ');
        }
        m_firstInContainer = false;
    }
    void Scalar(const std::string& literal)
    {
        Separate();
        m_text += literal;
    }
    void Open(char bracket)
    {
        Separate();
        m_text += bracket;
        ++m_depth;
        m_firstInContainer = true;
    }
    void Close(char bracket)
    {
        --m_depth;
        if (!m_firstInContainer) {
            m_text += '\n';
            m_text.append(static_cast<size_t>(m_depth) * 2, ' ');
        }
        m_text += bracket;
        m_firstInContainer = false;
    }

    std::string m_text;
    int m_depth = 0;
    bool m_firstInContainer = true;
    bool m_afterKey = false;
};

// Without a record every field is null, so that a script finds the same keys on every entry.
void WriteRecord(TJsonWriter& json, const std::optional<TRecordFields>& record)
{
    auto text = [&](const char* key, std::string TRecordFields::*field) {
        json.Key(key);
        record ? json.String((*record).*field) : json.Null();
    };
    auto flag = [&](const char* key, bool TRecordFields::*field) {
        json.Key(key);
        record ? json.Bool((*record).*field) : json.Null();
    };
    json.Key("root");
    const char* root = record ? RegistryRootName(record->RootKey) : nullptr;
    root ? json.String(root) : json.Null();
    // The registry view the key was read in on 64-bit Windows: "64" or "32"; null on 32-bit
    // Windows, which has one, and for a startup-folder file, which has no key.
    json.Key("view");
    const TRegView view = record ? record->View : TRegView::Only;
    view == TRegView::Only ? json.Null() : json.String(view == TRegView::Wow32 ? "32" : "64");
    text("keyPath", &TRecordFields::KeyPath);
    text("valueName", &TRecordFields::ValueName);
    flag("isValue", &TRecordFields::IsValue);
    text("clsid", &TRecordFields::Clsid);
    text("fileName", &TRecordFields::FileName);
    flag("deletable", &TRecordFields::Deletable);
    flag("isActiveX", &TRecordFields::IsActiveX);
    flag("canDisable", &TRecordFields::CanDisable);
    text("commandLine", &TRecordFields::CommandLine);
    text("itemName", &TRecordFields::ItemName);
}

void WriteEntry(TJsonWriter& json, const TReportSection& section, const TReportEntry& entry)
{
    json.BeginObject();
    json.Key("category");
    json.String(section.Title);
    json.Key("text");
    json.String(entry.Text);
    json.Key("details");
    json.BeginArray();
    for (const std::string& detail : entry.Details) json.String(detail);
    json.EndArray();
    json.Key("state");
    switch (entry.State) {
        case TEntryState::Enabled:
            json.String("enabled");
            break;
        case TEntryState::Disabled:
            json.String("disabled");
            break;
        case TEntryState::None:
            json.Null();
            break;
    }
    json.Key("builtIn");
    json.Bool(entry.BuiltIn);
    json.Key("hasRecord");
    json.Bool(entry.Record.has_value());
    WriteRecord(json, entry.Record);
    json.Key("file");
    json.OptionalString(entry.File);
    json.Key("fileExists");
    json.Bool(entry.FileExists);
    // Only where it applies, so the entries of an ordinary system read as they always did.
    if (entry.FileRisk != TPathRisk::None) {
        json.Key("fileSkipped");
        json.String(entry.FileRisk == TPathRisk::Network ? "network" : "device");
    }
    json.Key("company");
    json.OptionalString(entry.Version ? entry.Version->CompanyName : std::string());
    json.Key("version");
    json.OptionalString(entry.Version ? entry.Version->FileVersion : std::string());
    json.EndObject();
}

void WritePage(TJsonWriter& json, const char* page, const std::vector<TReportSection>& sections)
{
    json.Key(page);
    json.BeginArray();
    for (const TReportSection& section : sections) {
        for (const TReportEntry& entry : section.Entries) WriteEntry(json, section, entry);
    }
    json.EndArray();
}

void WriteProblems(TJsonWriter& json, const char* page, const std::vector<TReportSection>& sections)
{
    for (const TReportSection& section : sections) {
        for (const std::string& problem : section.Problems) {
            json.BeginObject();
            json.Key("page");
            json.String(page);
            json.Key("category");
            json.String(section.Title);
            json.Key("message");
            json.String(problem);
            json.EndObject();
        }
    }
}

}  // namespace

std::string JsonString(const std::string& ansiText)
{
    const std::string utf8 = AnsiToUtf8(ansiText);
    std::string literal = "\"";
    for (const char c : utf8) {
        switch (c) {
            case '"':
                literal += "\\\"";
                break;
            case '\\':
                literal += "\\\\";
                break;
            case '\b':
                literal += "\\b";
                break;
            case '\f':
                literal += "\\f";
                break;
            case '\n':
                literal += "\\n";
                break;
            case '\r':
                literal += "\\r";
                break;
            case '\t':
                literal += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof(escaped), "\\u%04x", static_cast<unsigned>(c));
                    literal += escaped;
                } else {
                    literal += c;
                }
        }
    }
    literal += '"';
    return literal;
}

std::string FormatJsonReport(const TReport& report)
{
    TJsonWriter json;
    json.BeginObject();
    json.Key("program");
    json.String("Zorvane");
    json.Key("version");
    json.String(report.Header.ProgramVersion);
    json.Key("time");
    json.String(IsoDateTimeText(report.Header.Time));
    json.Key("windows");
    json.String(report.Header.Windows);
    json.Key("user");
    json.String(report.Header.User);
    json.Key("complete");
    json.Bool(report.Complete());
    json.Key("problems");
    json.BeginArray();
    WriteProblems(json, "plugins", report.Plugins);
    WriteProblems(json, "startup", report.Startup);
    json.EndArray();
    WritePage(json, "plugins", report.Plugins);
    WritePage(json, "startup", report.Startup);
    json.Key("counts");
    json.BeginObject();
    json.Key("plugins");
    json.Number(report.PluginEntryCount());
    json.Key("startup");
    json.Number(report.StartupItemCount());
    json.EndObject();
    json.EndObject();
    return json.Take();
}

}  // namespace zv
