#include <string>

#include "zarlib.h"

namespace {
thread_local std::string g_filePath;
}

extern "C" const char* WINAPI GetFilePath(const char* candidate)
{
    g_filePath = candidate ? candidate : "";
    return g_filePath.c_str();
}
