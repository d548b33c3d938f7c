// Which paths read from the registry, a shortcut or a folder listing the program may hand to a
// file-system, shell or version call. zarlib compiles this same source, so the window, the
// library and the report companion draw the line in one place.
#pragma once
#include <string>

namespace zv {

enum class TPathRisk {
    None,
    // A network location, or a form that reaches one or the object manager unchecked (\\?\,
    // \\.\, \??\): opening it connects to whatever server the text names and offers it the
    // user's credentials.
    Network,
    // A reserved device name as a component: opening it opens the device, which may never answer.
    Device,
};

// What keeps the program from opening `path`. The first `ownPart` bytes are the program's own
// (a folder it built itself, which may lie on a share like the Windows directory); only what
// follows them was read from scanned data, and only that is judged.
TPathRisk PathRisk(const std::string& path, size_t ownPart = 0);

inline bool MayOpenPath(const std::string& path, size_t ownPart = 0)
{
    return PathRisk(path, ownPart) == TPathRisk::None;
}

// Where the last component of `path` starts: after its last separator that is not the second
// byte of a double-byte character.
size_t LastComponentStart(const std::string& path);

}  // namespace zv
