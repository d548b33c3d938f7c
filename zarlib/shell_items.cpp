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
// The block's word that gives where its long name starts, and the least that can be: after the
// word itself and the size of the localised name that follows it.
constexpr size_t kNameOffsetAt = 16;
constexpr size_t kLongNameMinAt = 20;
// The shell's extension blocks are all signed 0xBEEFnnnn.
constexpr uint32_t kExtensionSignatureHigh = 0xBEEF;

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
// versions of Windows (3 on XP, 7 on Vista, 8 on 7 and 8, 9 from 8.1). The block says so
// itself in a word of its own, which must agree; 0 for a version that has no fixed place.
size_t LongNameAt(uint32_t version)
{
    switch (version) {
    case 3: return 20;
    case 7: return 38;
    case 8: return 42;
    case 9: return 46;
    default: return 0;
    }
}

// The long name of the entry's 0xBEEF0004 block, among the extension blocks that start at
// `blocksAt`; empty when the entry has none (systems before XP wrote none, and Wine writes its
// block with neither version nor signature, which the shell reads no name from either). False
// when a block runs past the item, its closing word does not lead back to its start, its
// signature is none of the shell's, or a 0xBEEF0004 block's name is not where its version and
// its own word say: the 8.3 name of a damaged entry is no name to vouch for.
bool BlockLongName(const TBytes& item, size_t blocksAt, std::wstring& longName)
{
    longName.clear();
    for (size_t at = blocksAt;;) {
        uint32_t size = 0, version = 0, signature = 0, nameAt = 0, back = 0;
        if (!item.U16(at, size) || size == 0) return true;
        TBytes block;
        if (size < kBlockHeaderSize + kBlockTrailerSize || !item.Sub(at, size, block)) return false;
        block.U16(2, version);
        block.U32(4, signature);
        block.U16(size - kBlockTrailerSize, back);
        if (back != at) return false;
        if (signature == kFileEntryBlock) {
            const size_t expected = LongNameAt(version);
            if (!block.U16(kNameOffsetAt, nameAt)) return false;
            if (expected != 0 ? nameAt != expected : (nameAt < kLongNameMinAt || nameAt % 2 != 0)) return false;
            TBytes body;
            block.Sub(0, size - kBlockTrailerSize, body);
            return body.WideZ(nameAt, longName) && !longName.empty();
        }
        if ((signature >> 16) != kExtensionSignatureHigh && (signature != 0 || version != 0)) return false;
        at += size;
    }
}

// An entry's name: the long name of its extension block, else the name the item itself holds
// (the 8.3 name, or the long name on systems before XP, which had no extension blocks).
TRead EntryName(const TBytes& item, uint32_t type, std::string& name)
{
    std::wstring wide;
    size_t end = 0;
    const bool unicode = (type & kEntryUnicodeName) != 0;
    if (unicode ? !item.WideZ(kEntryNameAt, wide, &end) : !item.AnsiZ(kEntryNameAt, name, &end)) {
        return TRead::Refused;
    }
    // The extension blocks start at the next even offset after the name.
    std::wstring longName;
    if (!BlockLongName(item, end + (end & 1), longName)) return TRead::Refused;
    if (!longName.empty()) wide = longName;
    const bool held = (unicode || !longName.empty()) ? WideToAnsi(wide, name) : IsWholeAnsi(name);
    return held ? TRead::Found : TRead::Foreign;
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

TRead IdListPath(const TBytes& idList, std::string& path)
{
    path.clear();
    size_t index = 0;
    bool underFile = false;
    for (size_t at = 0;; ++index) {
        uint32_t size = 0, type = 0;
        if (!idList.U16(at, size)) return TRead::Refused;
        if (size == 0) break;
        TBytes item;
        if (size <= kTypeAt || !idList.Sub(at, size, item)) return TRead::Refused;
        item.U8(kTypeAt, type);
        at += size;
        if (index == 0) {
            if (!IsMyComputer(item, type)) return TRead::Absent;
            continue;
        }
        if (index == 1) {
            if (!DriveRoot(item, type, path)) return TRead::Absent;
            continue;
        }
        // Nothing on a disk lies below a file; items below one name the inside of an archive.
        if (underFile || (type & kKindMask) != kFileEntry) return TRead::Absent;
        std::string name;
        const TRead read = EntryName(item, type, name);
        if (read != TRead::Found) return read;
        if (!IsPlainName(name)) return TRead::Refused;
        if (index > 2) path += '\\';
        path += name;
        underFile = (type & (kEntryIsFolder | kEntryIsFile)) == kEntryIsFile;
    }
    return index >= 2 ? TRead::Found : TRead::Absent;
}

}  // namespace zarlib
