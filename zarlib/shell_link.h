// The target and arguments of a shell link (.lnk), read from its bytes.
#pragma once
#include <string>

#include "link_bytes.h"

namespace zarlib {

struct TLinkCommand {
    std::string target;
    std::string arguments;
};

// Reads the link whole, every field bound-checked. The target is taken the way the shell
// resolves it: the environment-variable target when the link says it has one, else the
// LinkInfo, else the file-system path of the ID list. False when there is no target we can
// vouch for, or the link is damaged.
bool ParseShellLink(const TBytes& bytes, TLinkCommand& command);

// A path whose bytes could be a file's path and that can be put in quotes.
bool IsPlausiblePath(const std::string& path);

}  // namespace zarlib
