#include "report/undo_text.h"

#include "platform/unicode_text.h"

namespace zv {

namespace {

// An entry's name may hold any byte the registry gave it; a line break must not end the line.
std::string OnOneLine(std::string text)
{
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    }
    return text;
}

std::string Change(const TUndoManifest& manifest)
{
    return OnOneLine(manifest.Time) + "  " + OnOneLine(manifest.Action) + "  " + OnOneLine(manifest.Entry);
}

}  // namespace

std::string FormatHistory(const std::vector<TUndoHistoryEntry>& records)
{
    if (records.empty()) return "（没有撤销记录）\r\n";
    std::string text;
    for (const TUndoHistoryEntry& record : records) {
        if (!record.Problem.empty()) {
            const std::wstring name = record.Folder.substr(record.Folder.rfind(L'\\') + 1);
            text += WideToAnsi(name) + "  ！记录无法读取：" + OnOneLine(record.Problem) + "\r\n";
        } else {
            const TUndoState state = record.Manifest.State;
            text += Change(record.Manifest) + "  " +
                    (state == TUndoState::Undone    ? "已撤销"
                     : state == TUndoState::Undoing ? "已撤销，未能标记"
                                                    : "未撤销") +
                    "\r\n";
        }
    }
    return text;
}

std::string FormatUndone(const TUndone& undone)
{
    const TUndoManifest& manifest = undone.Record.Manifest;
    std::string text = "已撤销：" + Change(manifest) + "\r\n";
    if (undone.MarkedOnly) {
        return text + "  这次修改上次已经撤销，只是没能标记；这次没有再撤销，只补上了标记。\r\n";
    }
    for (const std::string& saved : manifest.Registry) text += "  注册表：" + OnOneLine(saved) + "\r\n";
    for (const std::string& key : undone.Unchanged) {
        text += "  没有改动（已经是记录中的样子）：" + OnOneLine(key) + "\r\n";
    }
    for (size_t i = 0; i < manifest.Files.size(); ++i) {
        text += "  文件：" + OnOneLine(manifest.Files[i].Path);
        if (undone.FileWasBack[i]) text += "（已经在原处，内容相同，没有改动）";
        if (!undone.FileProblems[i].empty()) text += "（" + OnOneLine(undone.FileProblems[i]) + "）";
        text += "\r\n";
    }
    if (!undone.NotMarked.empty()) {
        text += "！已撤销，但没有标记为已撤销（" + OnOneLine(undone.NotMarked) + "）；它不会再被撤销一次。\r\n";
    }
    return text;
}

}  // namespace zv
