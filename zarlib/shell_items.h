// The file-system path a shell item ID list names.
#pragma once
#include <string>

#include "link_bytes.h"

namespace zarlib {

// `idList` holds the items and the terminating empty item, without the list's size field.
// Gives the path only when the list is My Computer, a drive and file-system entries, each
// read in full and each name one the code page holds; false otherwise.
bool IdListPath(const TBytes& idList, std::string& path);

}  // namespace zarlib
