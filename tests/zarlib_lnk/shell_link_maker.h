// Shortcuts made by the system's own shell (IShellLinkA::Save) and shortcuts built byte by byte
// in the forms Wine's shell never writes, and whole files as bytes, for the tests of the
// startup scan and of zarlib's GetLnkCmdline and for its fuzzer.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zvtest {

// COM on the calling thread for as long as the object lives.
class TComScope {
public:
    TComScope() : m_ok(SUCCEEDED(CoInitialize(nullptr))) {}
    ~TComScope()
    {
        if (m_ok) CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    bool m_ok;
};

inline std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return wide;
}

// Saves a shortcut to `target` with `arguments` at `link`; false when the shell refuses.
inline bool SaveShellLink(const std::string& link, const std::string& target, const std::string& arguments = {})
{
    Microsoft::WRL::ComPtr<IShellLinkA> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(shellLink.GetAddressOf())))) {
        return false;
    }
    if (FAILED(shellLink->SetPath(target.c_str()))) return false;
    if (!arguments.empty() && FAILED(shellLink->SetArguments(arguments.c_str()))) return false;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    if (FAILED(shellLink.As(&file))) return false;
    return SUCCEEDED(file->Save(Widen(link).c_str(), TRUE));
}

struct TFileCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using TFile = std::unique_ptr<void, TFileCloser>;

inline TFile OpenFile(const std::string& path, DWORD access, DWORD disposition)
{
    HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return TFile(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// The whole file, empty when it cannot be read.
inline std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::vector<unsigned char> data;
    TFile file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return data;
    data.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &got, nullptr)) got = 0;
    data.resize(got);
    return data;
}

inline bool WriteBytes(const std::string& path, const std::vector<unsigned char>& data)
{
    TFile file = OpenFile(path, GENERIC_WRITE, CREATE_ALWAYS);
    DWORD written = 0;
    return file && WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
           written == data.size();
}

using Bytes = std::vector<unsigned char>;

// A little-endian writer for links made by hand.
struct TLinkWriter {
    Bytes bytes;
    void U8(uint32_t v) { bytes.push_back(static_cast<unsigned char>(v)); }
    void U16(uint32_t v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Zeros(size_t count) { bytes.resize(bytes.size() + count, 0); }
    void Ansi(const std::string& s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        U8(0);
    }
    void Wide(const std::wstring& s)
    {
        for (wchar_t c : s) U16(static_cast<uint16_t>(c));
        U16(0);
    }
    // A fixed-size field holding a NUL-terminated text, the rest zero.
    void AnsiField(const std::string& s, size_t size)
    {
        const size_t end = bytes.size() + size;
        Ansi(s);
        bytes.resize(end, 0);
    }
    void WideField(const std::wstring& s, size_t size)
    {
        const size_t end = bytes.size() + size;
        Wide(s);
        bytes.resize(end, 0);
    }
    void Header(uint32_t flags)
    {
        U32(0x4C);
        static const unsigned char clsid[16] = {1, 0x14, 2, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
        bytes.insert(bytes.end(), clsid, clsid + 16);
        U32(flags);
        bytes.resize(0x4C, 0);
    }
    void Append(const Bytes& more) { bytes.insert(bytes.end(), more.begin(), more.end()); }
};

namespace lnk {
// LinkFlags.
constexpr uint32_t kHasIdList = 0x1, kHasLinkInfo = 0x2, kHasName = 0x4, kHasRelativePath = 0x8,
                   kHasWorkingDir = 0x10, kHasArguments = 0x20, kHasIconLocation = 0x40, kIsUnicode = 0x80,
                   kForceNoLinkInfo = 0x100, kHasExpString = 0x200, kHasDarwinId = 0x1000, kHasExpIcon = 0x4000;
}  // namespace lnk

// Shell items as Windows writes them: the item's size, its class type, its data.
inline Bytes ShellItem(uint32_t type, const Bytes& data)
{
    TLinkWriter w;
    w.U16(static_cast<uint32_t>(3 + data.size()));
    w.U8(type);
    w.Append(data);
    return w.bytes;
}

// An item that names a shell folder by its class: a root item (class type 0x1F, My Computer
// by default), or a folder below one.
inline Bytes ClassItem(const GUID& folder = CLSID_MyComputer, uint32_t type = 0x1F, uint8_t sortIndex = 0x50)
{
    Bytes data(1 + sizeof(GUID));
    data[0] = sortIndex;
    std::memcpy(data.data() + 1, &folder, sizeof(GUID));
    return ShellItem(type, data);
}

// A drive item: class type 0x2F, the root as "C:\" in a 20-byte field, two unknown bytes.
inline Bytes DriveItem(const std::string& root)
{
    TLinkWriter w;
    w.AnsiField(root, 20);
    w.U16(0);
    return ShellItem(0x2F, w.bytes);
}

// Where a 0xBEEF0004 block of this version keeps its long name.
inline uint16_t LongNameOffset(uint16_t version)
{
    return version >= 9 ? 46 : version >= 8 ? 42 : version >= 7 ? 38 : 20;
}

// A file-system entry: a folder (class type 0x31) or a file (0x32). Windows puts the 8.3
// name in the item and the long name in its 0xBEEF0004 extension block, whose fields before
// the name depend on the block's version (3, 7, 8 or 9); no block when `longName` is empty.
// With `wideName` given, the item's own name is that, as UTF-16, and its type has the 0x04 flag.
inline Bytes FileEntryItem(const std::string& shortName, const std::wstring& longName = {}, uint16_t version = 9,
                           bool folder = true, const std::wstring& wideName = {})
{
    TLinkWriter w;  // the item from its class type on; the size comes last
    w.U8(0);        // unknown
    w.U32(0);       // file size
    w.U32(0);       // modification time
    w.U16(folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
    if (wideName.empty()) {
        w.Ansi(shortName);
    } else {
        w.Wide(wideName);
    }
    if (w.bytes.size() % 2 == 0) w.U8(0);  // the name ends at an even offset of the item
    if (!longName.empty()) {
        const uint32_t blockAt = static_cast<uint32_t>(3 + w.bytes.size());
        TLinkWriter b;
        b.U16(version);
        b.U32(0xBEEF0004);
        b.U32(0);                              // creation time
        b.U32(0);                              // last access time
        b.U16(LongNameOffset(version));        // where the long name starts
        if (version >= 7) b.Zeros(2 + 8 + 8);  // unknown, NTFS file reference, unknown
        b.U16(0);                              // size of the localised name: none
        if (version >= 9) b.U32(0);
        if (version >= 8) b.U32(0);
        b.Wide(longName);
        b.U16(blockAt);
        w.U16(static_cast<uint32_t>(2 + b.bytes.size()));
        w.Append(b.bytes);
    }
    const uint32_t type = (folder ? 0x31 : 0x32) | (wideName.empty() ? 0 : 0x04);
    return ShellItem(type, w.bytes);
}

// An ID list with its size field: the items and the terminating empty item.
inline Bytes IdList(const std::vector<Bytes>& items)
{
    TLinkWriter list;
    for (const Bytes& item : items) list.Append(item);
    list.U16(0);
    TLinkWriter w;
    w.U16(static_cast<uint32_t>(list.bytes.size()));
    w.Append(list.bytes);
    return w.bytes;
}

// The VistaAndAboveIDListDataBlock: the ID list newer systems keep beside the old one.
inline Bytes VistaIdListBlock(const std::vector<Bytes>& items)
{
    Bytes list = IdList(items);
    list.erase(list.begin(), list.begin() + 2);
    TLinkWriter w;
    w.U32(static_cast<uint32_t>(8 + list.size()));
    w.U32(0xA000000C);
    w.Append(list);
    return w.bytes;
}

// The EnvironmentVariableDataBlock: a target in the code page and as UTF-16, each in a
// field of MAX_PATH characters.
inline Bytes EnvironmentBlock(const std::string& ansi, const std::wstring& wide)
{
    TLinkWriter w;
    w.U32(0x314);
    w.U32(0xA0000001);
    w.AnsiField(ansi, 260);
    w.WideField(wide, 520);
    return w.bytes;
}

// A LinkInfo naming a local path, with its volume ID.
inline Bytes LocalLinkInfo(const std::string& path)
{
    constexpr uint32_t headerSize = 0x1C, volumeIdSize = 0x11;
    const uint32_t baseAt = headerSize + volumeIdSize;
    const uint32_t suffixAt = baseAt + static_cast<uint32_t>(path.size()) + 1;
    TLinkWriter w;
    for (uint32_t v : {suffixAt + 1, headerSize, 0x1u, headerSize, baseAt, 0u, suffixAt}) w.U32(v);
    for (uint32_t v : {volumeIdSize, uint32_t{DRIVE_FIXED}, 0x1234ABCDu, 0x10u}) w.U32(v);
    w.Ansi("");  // volume label
    w.Ansi(path);
    w.Ansi("");
    return w.bytes;
}

// A Unicode link from its parts; each part that is given sets its flag. `items` are the ID
// list's items without the terminator, `extraData` the extra data blocks without the terminal
// one, `strings` the other string fields by their flags (a NUL may be among their characters).
inline Bytes MakeLink(const std::vector<Bytes>& items, const Bytes& linkInfo = {}, const std::string& arguments = {},
                      const Bytes& extraData = {}, uint32_t moreFlags = 0,
                      std::vector<std::pair<uint32_t, std::wstring>> strings = {})
{
    if (!arguments.empty()) strings.push_back({lnk::kHasArguments, Widen(arguments)});
    std::sort(strings.begin(), strings.end());
    uint32_t stringFlags = 0;
    for (const auto& field : strings) stringFlags |= field.first;
    TLinkWriter w;
    w.Header(lnk::kIsUnicode | moreFlags | stringFlags | (items.empty() ? 0 : lnk::kHasIdList) |
             (linkInfo.empty() ? 0 : lnk::kHasLinkInfo));
    if (!items.empty()) w.Append(IdList(items));
    w.Append(linkInfo);
    for (const auto& field : strings) {
        w.U16(static_cast<uint32_t>(field.second.size()));
        for (wchar_t c : field.second) w.U16(static_cast<uint16_t>(c));
    }
    w.Append(extraData);
    w.U32(0);
    return w.bytes;
}

// The variable the environment-target links use; whoever reads them sets it first.
constexpr char kToolsVariable[] = "ZV_LNK_TOOLS";
constexpr char kToolsFolder[] = "D:\\常用 工具";

// One link of each shape that Wine's shell does not write but Windows does, and the command
// line GetLnkCmdline gives for it.
struct TLinkShape {
    std::string what;
    Bytes bytes;
    std::string line;
};

inline std::vector<TLinkShape> LinkShapes()
{
    const Bytes computer = ClassItem(), drive = DriveItem("C:\\");
    const Bytes programFiles = FileEntryItem("PROGRA~1", L"Program Files", 9);
    const Bytes chineseTools = FileEntryItem("D0CB~1", L"同步工具", 8);
    const std::string tools = std::string("%") + kToolsVariable + "%";
    return {
        {"ID list, long names in extension blocks of every version",
         MakeLink({computer, drive, programFiles, chineseTools, FileEntryItem("BIN", L"bin", 7),
                   FileEntryItem("SYNC~1.EXE", L"sync tool.exe", 3, false)},
                  {}, "/s 中文"),
         "\"C:\\Program Files\\同步工具\\bin\\sync tool.exe\" /s 中文"},
        {"ID list, 8.3 names only",
         MakeLink({computer, drive, FileEntryItem("WINDOWS", L""), FileEntryItem("SYSTEM32", L""),
                   FileEntryItem("CMD.EXE", L"", 9, false)},
                  {}, "/c start /min \"\" C:\\ProgramData\\x.vbs"),
         "C:\\WINDOWS\\SYSTEM32\\CMD.EXE /c start /min \"\" C:\\ProgramData\\x.vbs"},
        {"ID list, UTF-16 names in the items",
         MakeLink({computer, drive, FileEntryItem("", L"", 9, true, L"ProgramData"),
                   FileEntryItem("", L"", 9, true, L"更新 服务"), FileEntryItem("", L"", 9, false, L"更新.exe")}),
         "\"C:\\ProgramData\\更新 服务\\更新.exe\""},
        {"ID list of a folder", MakeLink({computer, drive, programFiles, chineseTools}),
         "\"C:\\Program Files\\同步工具\""},
        {"ID list of a drive root", MakeLink({computer, DriveItem("D:\\")}), "D:\\"},
        {"ID list of a control-panel applet under My Computer",
         MakeLink({computer, ClassItem(CLSID_ControlPanel, 0x2E, 0), ShellItem(0x71, Bytes(20, 0x11))}), ""},
        {"environment target and LinkInfo",
         MakeLink({}, LocalLinkInfo("C:\\old\\stale.exe"), "-q",
                  EnvironmentBlock(tools + "\\sync.exe", Widen(tools + "\\同步.exe")), lnk::kHasExpString),
         std::string("\"") + kToolsFolder + "\\同步.exe\" -q"},
        {"environment target alone, code-page form only",
         MakeLink({}, {}, {}, EnvironmentBlock(tools + "\\run.exe", L""), lnk::kHasExpString),
         std::string("\"") + kToolsFolder + "\\run.exe\""},
    };
}

}  // namespace zvtest
