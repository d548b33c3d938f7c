// Programs of the build run as a user runs them, files read whole, and registry trees read
// whole for comparing before and after.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "zvtest.h"

namespace zvtest {

// The folder of the test program, where the build puts the programs and the fixtures.
std::string ProgramDir();

// An argument as a command line holds it: quoted when empty or when it holds a blank.
std::string Quote(const std::string& arg);

// Runs a command line with standard input from NUL and its output in files, waits for it and
// gives its exit code.
DWORD RunAndWait(std::string commandLine, const std::string& outFile, const std::string& errFile);

struct TRunResult {
    DWORD exitCode = 0;
    std::string out;  // standard output, bytes as written
    std::string err;  // standard error, code-page text
};

// Runs ZorvaneReport.exe from beside the test program with the arguments and waits for it.
TRunResult RunReport(const std::vector<std::string>& args);

std::string ReadFileBytes(const std::string& path);

using TBytes = std::vector<BYTE>;

// Every key at and below a path by its path, each with its values by name: type and bytes.
// Read through the wide functions, so that names outside the code page come whole; empty
// when the key does not exist.
using TRegSnapshot = std::map<std::wstring, std::map<std::wstring, std::pair<DWORD, TBytes>>>;
TRegSnapshot RegSnapshot(HKEY root, const std::wstring& path);

}  // namespace zvtest
