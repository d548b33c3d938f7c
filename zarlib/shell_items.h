// The file-system path a shell item ID list names.
#pragma once
#include <string>

#include "link_bytes.h"

namespace zarlib {

// `idList` holds the items and the terminating empty item, without the list's size field.
// Found: the list is My Computer, a drive and file-system entries, each read in full and each
// name one the code page holds. Absent: it names something else (a network place, an applet).
// Foreign: a name is one the code page cannot hold. Refused: it is damaged, or a name is one
// no file has.
TRead IdListPath(const TBytes& idList, std::string& path);

}  // namespace zarlib
