#include "program_run.h"

#include <algorithm>

#include "platform/handles.h"
#include "platform/registry.h"

using zv::TKernelHandle;

namespace zvtest {

std::string ProgramDir()
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.rfind('\\'));
}

std::string Quote(const std::string& arg)
{
    return arg.empty() || arg.find(' ') != std::string::npos ? '"' + arg + '"' : arg;
}

// Runs a command line with its output in files, waits, and gives the exit code.
DWORD RunAndWait(std::string commandLine, const std::string& outFile, const std::string& errFile)
{
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    auto open = [&](const std::string& path, DWORD access, DWORD creation) {
        return TKernelHandle(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, creation,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    const TKernelHandle in = open("NUL", GENERIC_READ, OPEN_EXISTING);
    const TKernelHandle out = open(outFile, GENERIC_WRITE, CREATE_ALWAYS);
    const TKernelHandle err = open(errFile, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        ADD_FAILURE() << "cannot start " << commandLine;
        return ~0u;
    }
    const TKernelHandle processHandle(process.hProcess), thread(process.hThread);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 120000), WAIT_OBJECT_0) << commandLine;
    DWORD code = ~0u;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

TRunResult RunReport(const std::vector<std::string>& args)
{
    zvtest::TTempDir temp;
    std::string commandLine = Quote(ProgramDir() + "\\ZorvaneReport.exe");
    for (const std::string& arg : args) commandLine += " " + Quote(arg);
    TRunResult result;
    result.exitCode = RunAndWait(commandLine, temp.Path() + "\\out", temp.Path() + "\\err");
    result.out = ReadFileBytes(temp.Path() + "\\out");
    result.err = ReadFileBytes(temp.Path() + "\\err");
    return result;
}

std::string ReadFileBytes(const std::string& path)
{
    const TKernelHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

namespace {

void SnapKey(HKEY root, const std::wstring& path, TRegSnapshot& snapshot)
{
    HKEY opened = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | zv::NativeViewFlag(), &opened) != ERROR_SUCCESS) return;
    const zv::TRegKeyHandle key(opened);
    DWORD maxSubKey = 0, maxName = 0, maxData = 0;
    ASSERT_EQ(RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, nullptr, &maxSubKey, nullptr, nullptr, &maxName,
                               &maxData, nullptr, nullptr),
              ERROR_SUCCESS);
    auto& values = snapshot[path];
    std::vector<wchar_t> name(std::max(maxName, maxSubKey) + 1);
    TBytes data(maxData + 1);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
        const LONG rc = RegEnumValueW(key.get(), i, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        if (rc != ERROR_SUCCESS) break;
        values[std::wstring(name.data(), nameLength)] = {type, TBytes(data.begin(), data.begin() + size)};
    }
    std::vector<std::wstring> subKeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        const LONG rc = RegEnumKeyExW(key.get(), i, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) break;
        subKeys.emplace_back(name.data(), nameLength);
    }
    for (const std::wstring& sub : subKeys) SnapKey(root, path + L"\\" + sub, snapshot);
}

}  // namespace

TRegSnapshot RegSnapshot(HKEY root, const std::wstring& path)
{
    TRegSnapshot snapshot;
    SnapKey(root, path, snapshot);
    return snapshot;
}

}  // namespace zvtest
