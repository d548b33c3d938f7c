// What the report tests share: the report program run as a user runs it, the system's own
// registry editor, registry trees read whole, golden files, and one fixed inventory in every
// place the scans read.
#pragma once
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "program_run.h"
#include "zvtest.h"

namespace reporttest {

using zvtest::ProgramDir;
using zvtest::ReadFileBytes;
using zvtest::RegSnapshot;
using zvtest::RunReport;
using zvtest::TBytes;
using zvtest::TRegSnapshot;
using zvtest::TRunResult;

// Imports a file with C:\windows\regedit.exe /s and waits for it to finish.
void ImportWithRegedit(const std::string& file);

// UTF-16 text as registry data, with its closing NUL unless told otherwise.
TBytes WideBytes(const std::wstring& text, bool terminated = true);

// Sets a value through the wide functions, creating its key and the key's parents.
void SetWideValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type, const TBytes& data);

// Code-page text as UTF-8; a test failure when the bytes are not valid GBK.
std::string GbkToUtf8(const std::string& text);

// The report with what changes from run to run replaced: the header's version, time, system
// and user, and the user's name inside the startup folder paths.
std::string Normalise(const std::string& utf8Report);

// Compares with the golden file of that name; with ZV_UPDATE_GOLDEN set, writes it instead.
void ExpectGolden(const std::string& name, const std::string& utf8Text);

// A class identifier of the report tests' own.
std::string Id(int n);

// Every place the scans read, filled with one fixed inventory: an entry in each plug-in
// category (a built-in one, disabled ones, missing files, a server file with a version
// record), both Run keys and two startup folders, and a home page. Values are created in the
// order the registry sorts them, so Windows would list them as Wine does. Everything is
// removed afterwards; the home page is put back.
class TInventory {
public:
    TInventory();
    ~TInventory();
    TInventory(const TInventory&) = delete;
    TInventory& operator=(const TInventory&) = delete;

    // The fixture key at that path, for a test to add to.
    zvtest::TRegKeyFixture& Key(HKEY root, const std::string& path);

    static const char kFolder[];  // the add-ons' files: C:\zvreport\卓凡

private:
    zvtest::TRegKeyFixture& Add(HKEY root, const std::string& path);
    // Notes the parents of a key that do not exist yet, to remove them afterwards.
    void NoteMissingParents(HKEY root, const std::string& path);

    std::vector<std::unique_ptr<zvtest::TRegKeyFixture>> m_keys;
    std::vector<std::pair<HKEY, std::string>> m_absent;
    std::vector<std::pair<HKEY, std::string>> m_missingParents;
    std::vector<std::string> m_createdFolders;
    std::string m_startPage;
};

}  // namespace reporttest
