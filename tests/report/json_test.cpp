// The JSON report read back by a parser of its own and checked field by field against the
// scans run in this process, with double-byte and escaped names arriving whole.
#include <cctype>
#include <cstring>
#include <map>
#include <stdexcept>
#include <variant>

#include "plugins/action_keys.h"
#include "report/report_model.h"
#include "report_support.h"
#include "ui/w_main.h"

using namespace reporttest;

namespace {

// A JSON value as a script sees it; strings are UTF-8.
struct TJson {
    std::variant<std::nullptr_t, bool, double, std::string, std::vector<TJson>, std::map<std::string, TJson>> value;

    const TJson& operator[](const std::string& key) const
    {
        return std::get<std::map<std::string, TJson>>(value).at(key);
    }
    const TJson& operator[](size_t index) const { return std::get<std::vector<TJson>>(value).at(index); }
    size_t size() const { return std::get<std::vector<TJson>>(value).size(); }
    const std::string& str() const { return std::get<std::string>(value); }
    bool boolean() const { return std::get<bool>(value); }
    bool null() const { return std::holds_alternative<std::nullptr_t>(value); }
};

class TJsonParser {
public:
    explicit TJsonParser(const std::string& text) : m_text(text) {}

    TJson Document()
    {
        TJson json = Value();
        Blanks();
        if (m_at != m_text.size()) throw std::runtime_error("text after the document");
        return json;
    }

private:
    TJson Value()
    {
        Blanks();
        const char c = Peek();
        if (c == '{') return Object();
        if (c == '[') return Array();
        if (c == '"') return {String()};
        if (Take("true")) return {true};
        if (Take("false")) return {false};
        if (Take("null")) return {nullptr};
        size_t used = 0;
        const double number = std::stod(m_text.substr(m_at), &used);
        m_at += used;
        return {number};
    }
    TJson Object()
    {
        std::map<std::string, TJson> members;
        Expect('{');
        for (Blanks(); Peek() != '}';) {
            Blanks();
            std::string key = String();
            Blanks();
            Expect(':');
            if (!members.emplace(std::move(key), Value()).second) throw std::runtime_error("duplicate key");
            Blanks();
            if (Peek() == ',') ++m_at;
        }
        Expect('}');
        return {std::move(members)};
    }
    TJson Array()
    {
        std::vector<TJson> items;
        Expect('[');
        for (Blanks(); Peek() != ']';) {
            items.push_back(Value());
            Blanks();
            if (Peek() == ',') ++m_at;
        }
        Expect(']');
        return {std::move(items)};
    }
    std::string String()
    {
        Expect('"');
        std::string text;
        for (char c; (c = Next()) != '"';) {
            if (static_cast<unsigned char>(c) < 0x20) throw std::runtime_error("raw control character");
            if (c != '\\') {
                text += c;
                continue;
            }
            switch (const char e = Next()) {
                case 'n':
                    text += '\n';
                    break;
                case 't':
                    text += '\t';
                    break;
                case 'r':
                    text += '\r';
                    break;
                case 'b':
                    text += '\b';
                    break;
                case 'f':
                    text += '\f';
                    break;
                case 'u':
                    AppendUtf8(text, std::stoul(m_text.substr((m_at += 4) - 4, 4), nullptr, 16));
                    break;
                default:
                    text += e;
            }
        }
        return text;
    }
    static void AppendUtf8(std::string& text, unsigned long code)
    {
        if (code >= 0x80) throw std::runtime_error("the report escapes only control characters");
        text += static_cast<char>(code);
    }
    void Blanks()
    {
        while (m_at < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_at]))) ++m_at;
    }
    char Peek() const { return m_at < m_text.size() ? m_text[m_at] : '\0'; }
    char Next()
    {
        if (m_at >= m_text.size()) throw std::runtime_error("unexpected end");
        return m_text[m_at++];
    }
    void Expect(char c)
    {
        if (Next() != c) throw std::runtime_error(std::string("expected ") + c);
    }
    bool Take(const char* word)
    {
        if (m_text.compare(m_at, std::strlen(word), word) != 0) return false;
        m_at += std::strlen(word);
        return true;
    }

    const std::string& m_text;
    size_t m_at = 0;
};

// A code-page text of the scans as a script reads it back from the JSON.
void ExpectText(const TJson& json, const std::string& ansi, const char* field)
{
    EXPECT_EQ(json.str(), GbkToUtf8(ansi)) << field;
}

void ExpectEntry(const TJson& json, const zv::TReportSection& section, const zv::TReportEntry& entry)
{
    SCOPED_TRACE(GbkToUtf8(entry.Text));
    ExpectText(json["category"], section.Title, "category");
    ExpectText(json["text"], entry.Text, "text");
    ASSERT_EQ(json["details"].size(), entry.Details.size());
    for (size_t i = 0; i < entry.Details.size(); ++i) ExpectText(json["details"][i], entry.Details[i], "details");
    EXPECT_EQ(json["builtIn"].boolean(), entry.BuiltIn);
    ASSERT_TRUE(json["hasRecord"].boolean());
    const zv::TRecordFields& record = *entry.Record;
    const char* root = zv::RegistryRootName(record.RootKey);
    if (root) {
        EXPECT_EQ(json["root"].str(), root);
    } else {
        EXPECT_TRUE(json["root"].null());
    }
    ExpectText(json["keyPath"], record.KeyPath, "keyPath");
    ExpectText(json["valueName"], record.ValueName, "valueName");
    EXPECT_EQ(json["isValue"].boolean(), record.IsValue);
    ExpectText(json["clsid"], record.Clsid, "clsid");
    ExpectText(json["fileName"], record.FileName, "fileName");
    EXPECT_EQ(json["deletable"].boolean(), record.Deletable);
    EXPECT_EQ(json["isActiveX"].boolean(), record.IsActiveX);
    EXPECT_EQ(json["canDisable"].boolean(), record.CanDisable);
    ExpectText(json["commandLine"], record.CommandLine, "commandLine");
    ExpectText(json["itemName"], record.ItemName, "itemName");
    EXPECT_EQ(json["fileExists"].boolean(), entry.FileExists);
    if (entry.File.empty()) {
        EXPECT_TRUE(json["file"].null());
    } else {
        ExpectText(json["file"], entry.File, "file");
    }
}

}  // namespace

TEST(ReportJson, ParsedBackFieldByFieldWithNamesWhole)
{
    TInventory inventory;
    // A name that needs every kind of escape the format has, beside the double-byte ones.
    const std::string tricky = "say \"卓凡\"\ttab";
    inventory.Key(HKEY_CURRENT_USER, "Software\\Microsoft\\Internet Explorer\\MenuExt").CreateSub(tricky);
    // Task Manager's marks: its flags, then the time of the change.
    const DWORD disabledMark[3] = {3, 0x5A5A5A5A, 0x01D9A5A5}, enabledMark[3] = {2, 0, 0};
    inventory.Key(HKEY_CURRENT_USER, zv::ApprovedRunKey).SetRaw("", "卓凡托盘", REG_BINARY, disabledMark, 12);
    inventory.Key(HKEY_CURRENT_USER, zv::ApprovedRunKey).SetRaw("", "ZfUpdate", REG_BINARY, enabledMark, 12);
    inventory.Key(HKEY_CURRENT_USER, zv::ApprovedFolderKey).SetRaw("", "卓凡.bat", REG_BINARY, disabledMark, 12);

    const TRunResult run = RunReport({"--json"});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const TJson json = TJsonParser(run.out).Document();

    zv::Tfm_main form;
    const zv::TReport model = zv::CollectReport(form);
    form.FormDestroy(&form);

    EXPECT_TRUE(json["complete"].boolean());
    EXPECT_EQ(json["problems"].size(), 0u);
    size_t index = 0;
    for (const zv::TReportSection& section : model.Plugins) {
        for (const zv::TReportEntry& entry : section.Entries) ExpectEntry(json["plugins"][index++], section, entry);
    }
    EXPECT_EQ(json["plugins"].size(), index);
    index = 0;
    for (const zv::TReportSection& section : model.Startup) {
        for (const zv::TReportEntry& entry : section.Entries) ExpectEntry(json["startup"][index++], section, entry);
    }
    EXPECT_EQ(json["startup"].size(), index);
    EXPECT_EQ(std::get<double>(json["counts"]["plugins"].value), 12.0);
    EXPECT_EQ(std::get<double>(json["counts"]["startup"].value), 5.0);

    // A script finds an entry by its UTF-8 name and gets back the exact registry names.
    auto find = [&](const char* page, const std::string& field, const std::string& ansi) -> const TJson* {
        const TJson& entries = json[page];
        for (size_t i = 0; i < entries.size(); ++i) {
            if (!entries[i][field].null() && entries[i][field].str() == GbkToUtf8(ansi)) return &entries[i];
        }
        return nullptr;
    };
    const TJson* tray = find("startup", "itemName", "卓凡托盘");
    ASSERT_TRUE(tray);
    EXPECT_EQ((*tray)["valueName"].str(), "\xE5\x8D\x93\xE5\x87\xA1\xE6\x89\x98\xE7\x9B\x98");
    EXPECT_EQ((*tray)["company"].str(), GbkToUtf8("卓凡软件"));
    EXPECT_EQ((*tray)["version"].str(), "2.5.0.1");
    const struct {
        const char* item;
        const char* state;  // null: no mark
    } marks[] = {{"卓凡托盘", "disabled"}, {"ZfUpdate", "enabled"}, {"卓凡.bat", "disabled"}, {"QuickGuard", nullptr}};
    for (const auto& mark : marks) {
        const TJson* item = find("startup", "itemName", mark.item);
        ASSERT_TRUE(item) << mark.item;
        if (mark.state) {
            EXPECT_EQ((*item)["state"].str(), mark.state) << mark.item;
        } else {
            EXPECT_TRUE((*item)["state"].null()) << mark.item;
        }
    }
    const TJson* escaped = find("plugins", "text", tricky);
    ASSERT_TRUE(escaped);
    EXPECT_EQ((*escaped)["keyPath"].str(), GbkToUtf8("Software\\Microsoft\\Internet Explorer\\MenuExt\\" + tricky));
    EXPECT_NE(run.out.find(GbkToUtf8("卓凡") + "\\\"\\ttab"), std::string::npos);
    const TJson* disabled = find("plugins", "clsid", Id(2));
    ASSERT_TRUE(disabled);
    EXPECT_EQ((*disabled)["state"].str(), "disabled");
    EXPECT_TRUE((*disabled)["company"].null());
}
