// Shell items are the shell's own records, documented only by the format notes of forensic
// tools. What is read here is the part those notes agree on: the My Computer root item, drive
// items and file-system entry items. Any other item (a control-panel applet, a network place,
// a URL, a library or a known folder) names something we cannot turn into a path to vouch for.
#include "shell_items.h"

#include <algorithm>
#include <cstring>

namespace zarlib {
namespace {

constexpr size_t kTypeAt = 2;

constexpr uint32_t kRootFolder = 0x1F;
constexpr size_t kRootClsidAt = 4;
// {20D04FE0-3AEA-1069-A2D8-08002B30309D}, as stored.
constexpr unsigned char kMyComputerClsid[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                                0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};

// The class type's high bits say what kind of item it is, the low ones qualify it; with 0x80
// set the item carries a class identifier of its own (a junction into some other namespace),
// so masking with 0xF0 leaves such items out.
constexpr uint32_t kKindMask = 0xF0;
constexpr uint32_t kVolume = 0x20;
constexpr uint32_t kVolumeHasName = 0x01;
constexpr size_t kVolumeNameAt = 3;
constexpr size_t kVolumeNameSize = 20;

constexpr uint32_t kFileEntry = 0x30;
constexpr uint32_t kEntryIsFolder = 0x01;
constexpr uint32_t kEntryIsFile = 0x02;
constexpr uint32_t kEntryUnicodeName = 0x04;
constexpr size_t kEntryNameAt = 14;

// An extension block: its size, version and signature, its data, then a 16-bit offset back to
// its own start.
constexpr size_t kBlockHeaderSize = 8;
constexpr size_t kBlockTrailerSize = 2;
constexpr uint32_t kFileEntryBlock = 0xBEEF0004;

bool IsMyComputer(const TBytes& item, uint32_t type)
{
    return type == kRootFolder && item.Holds(kRootClsidAt, sizeof(kMyComputerClsid)) &&
           std::memcmp(item.At(kRootClsidAt), kMyComputerClsid, sizeof(kMyComputerClsid)) == 0;
}

// A drive item names its root as "C:\".
bool DriveRoot(const TBytes& item, uint32_t type, std::string& root)
{
    if ((type & kKindMask) != kVolume || !(type & kVolumeHasName)) return false;
    TBytes field;
    if (!item.Sub(kVolumeNameAt, std::min(kVolumeNameSize, item.Size() - kVolumeNameAt), field) ||
        !field.AnsiZ(0, root)) {
        return false;
    }
    if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return false;
    const char letter = root[0];
    return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

// Where a 0xBEEF0004 block keeps the long name: the fixed fields before it grew with the
// versions of Windows (3 on XP, 7 on Vista, 8 on 7 and 8, 9 from 8.1); 0 before version 3.
size_t LongNameAt(uint32_t version)
{
    if (version >= 9) return 46;
    if (version >= 8) return 42;
    if (version >= 7) return 38;
    if (version >= 3) return 20;
    return 0;
}

// The long name of the entry's 0xBEEF0004 block, empty when it has none; false when the
// block is there but its name runs past it.
bool BlockLongName(const TBytes& item, size_t blocksAt, std::wstring& longName)
{
    longName.clear();
    for (size_t at = blocksAt;;) {
        uint32_t size = 0, version = 0, signature = 0;
        TBytes block;
        if (!item.U16(at, size) || size < kBlockHeaderSize + kBlockTrailerSize || !item.Sub(at, size, block)) {
            return true;
        }
        block.U16(2, version);
        block.U32(4, signature);
        if (signature == kFileEntryBlock) {
            const size_t nameAt = LongNameAt(version);
            TBytes body;
            block.Sub(0, block.Size() - kBlockTrailerSize, body);
            return nameAt == 0 || body.WideZ(nameAt, longName);
        }
        at += size;
    }
}

// An entry's name: the long name of its extension block, else the name the item itself holds
// (the 8.3 name, or the long name on systems before XP, which had no extension blocks).
bool EntryName(const TBytes& item, uint32_t type, std::string& name)
{
    std::wstring wide;
    size_t end = 0;
    const bool unicode = (type & kEntryUnicodeName) != 0;
    if (unicode ? !item.WideZ(kEntryNameAt, wide, &end) : !item.AnsiZ(kEntryNameAt, name, &end)) return false;
    // The extension blocks start at the next even offset after the name.
    std::wstring longName;
    if (!BlockLongName(item, end + (end & 1), longName)) return false;
    if (!longName.empty()) return WideToAnsi(longName, name);
    return !unicode || WideToAnsi(wide, name);
}

// A name that can be one path component: a separator or "." or ".." would make the path name
// some other file, and the other characters refused here are in no file's name.
bool IsPlainName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") return false;
    for (const char* p = name.c_str(); *p; p = CharNextA(p)) {
        const unsigned char c = static_cast<unsigned char>(*p);
        // A trail byte may equal '\' or '|' without being one.
        if (IsDBCSLeadByte(c) && p[1] != '\0') continue;
        if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) return false;
    }
    return true;
}

}  // namespace

bool IdListPath(const TBytes& idList, std::string& path)
{
    path.clear();
    size_t index = 0;
    bool underFile = false;
    for (size_t at = 0;; ++index) {
        uint32_t size = 0, type = 0;
        if (!idList.U16(at, size)) return false;
        if (size == 0) break;
        TBytes item;
        if (size <= kTypeAt || !idList.Sub(at, size, item)) return false;
        item.U8(kTypeAt, type);
        at += size;
        if (index == 0) {
            if (!IsMyComputer(item, type)) return false;
            continue;
        }
        if (index == 1) {
            if (!DriveRoot(item, type, path)) return false;
            continue;
        }
        // Nothing on a disk lies below a file; items below one name the inside of an archive.
        std::string name;
        if (underFile || (type & kKindMask) != kFileEntry || !EntryName(item, type, name) || !IsPlainName(name)) {
            return false;
        }
        if (index > 2) path += '\\';
        path += name;
        underFile = (type & (kEntryIsFolder | kEntryIsFile)) == kEntryIsFile;
    }
    return index >= 2;
}

}  // namespace zarlib
