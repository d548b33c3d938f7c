// The target and arguments of a shell link (.lnk), read from its bytes, and the places the
// shell may draw its icon from.
#pragma once
#include <string>
#include <vector>

#include "link_bytes.h"

namespace zarlib {

struct TLinkCommand {
    std::string target;
    std::string arguments;
};

// Every place the shell may take a link's icon from, as paths: the icon location and its
// environment form, the environment target, the ID lists, the LinkInfo and the relative path.
// `complete` is false when one of them is there but is no path we can read.
struct TLinkIconPlaces {
    std::vector<std::string> paths;
    bool complete = true;
};

// Reads the link whole, every field bound-checked. The target is taken the way Windows runs
// the link: the environment-variable target when the link says it has one, else the ID list
// (the one kept for newer systems where there is one), else the LinkInfo, which only stands in
// for a target the ID list cannot name. False when there is no target we can vouch for, the
// link is damaged, or it is an installer's advertised shortcut. `places`, when given, receives
// the icon's places.
bool ParseShellLink(const TBytes& bytes, TLinkCommand& command, TLinkIconPlaces* places = nullptr);

// A path whose bytes could be a file's path and that can be put in quotes.
bool IsPlausiblePath(const std::string& path);

}  // namespace zarlib
