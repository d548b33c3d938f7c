#include <cstring>
#include <string>

#include "zarlib.h"

extern "C" int WINAPI GetLnkCmdline(const char* path, char* buffer, int size)
{
    if (!buffer || size < 0) return 0;
    buffer[0] = '\0';
    if (!path) return 0;
    std::string line = path;
    if (line.find(' ') != std::string::npos) line = '"' + line + '"';
    if (line.size() > static_cast<size_t>(size)) return 0;
    std::memcpy(buffer, line.c_str(), line.size() + 1);
    return static_cast<int>(line.size());
}
