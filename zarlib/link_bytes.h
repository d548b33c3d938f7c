// Bounds-checked reading of a shell link's bytes, shared by the link and shell item parsers.
// Nothing here is exported from the library.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zarlib {

// What reading one form of a link's target gave: a path; nothing, the form naming something
// that is no path we can vouch for, so that another form may; a path the code page cannot
// hold, which no other form may stand in for when it is the target; or a refusal, the form
// being damaged, which makes the whole link one not to vouch for.
enum class TRead { Found, Absent, Foreign, Refused };

// A window on the file's bytes; every read says whether it stayed inside.
class TBytes {
public:
    TBytes() = default;
    TBytes(const unsigned char* data, size_t size) : m_data(data), m_size(size) {}
    size_t Size() const { return m_size; }
    bool Holds(size_t at, size_t count) const { return at <= m_size && count <= m_size - at; }
    const unsigned char* At(size_t at) const { return m_data + at; }

    bool U8(size_t at, uint32_t& value) const
    {
        if (!Holds(at, 1)) return false;
        value = m_data[at];
        return true;
    }
    bool U16(size_t at, uint32_t& value) const
    {
        if (!Holds(at, 2)) return false;
        value = m_data[at] | (m_data[at + 1] << 8);
        return true;
    }
    bool U32(size_t at, uint32_t& value) const
    {
        if (!Holds(at, 4)) return false;
        value = static_cast<uint32_t>(m_data[at]) | (static_cast<uint32_t>(m_data[at + 1]) << 8) |
                (static_cast<uint32_t>(m_data[at + 2]) << 16) | (static_cast<uint32_t>(m_data[at + 3]) << 24);
        return true;
    }
    // The bytes [at, at + count) as a window of their own, or false when they run past the end.
    bool Sub(size_t at, size_t count, TBytes& sub) const
    {
        if (!Holds(at, count)) return false;
        sub = TBytes(m_data + at, count);
        return true;
    }

    // A NUL-terminated code-page string starting at `at`; false when no NUL comes before the
    // end. `end` receives the position just past the NUL.
    bool AnsiZ(size_t at, std::string& text, size_t* end = nullptr) const;
    // A NUL-terminated UTF-16 string starting at `at`.
    bool WideZ(size_t at, std::wstring& text, size_t* end = nullptr) const;
    // The same, converted to the code page; false also when the code page cannot hold it.
    bool WideZ(size_t at, std::string& text, size_t* end = nullptr) const;

private:
    const unsigned char* m_data = nullptr;
    size_t m_size = 0;
};

// UTF-16 to the ANSI code page, refusing any character the code page cannot hold: a path with
// a replacement character in it would name some other file.
bool WideToAnsi(const std::wstring& wide, std::string& text);

// Whether code-page text is whole characters: a lead byte at the end of a name would take the
// separator that follows it as its second byte, and the name would swallow the next one.
bool IsWholeAnsi(const std::string& text);

// A real shortcut is a few kilobytes; anything larger is not one worth reading.
constexpr size_t kMaxLinkFileSize = 1024 * 1024;

// The whole file at `path`, when it is a disk file of at most kMaxLinkFileSize bytes.
bool ReadLinkFile(const std::string& path, std::vector<unsigned char>& data);

}  // namespace zarlib
