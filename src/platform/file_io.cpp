#include "platform/file_io.h"

#include <algorithm>
#include <memory>

#include "platform/handles.h"
#include "platform/unicode_text.h"

namespace zv {

namespace {

// Pipes and network files take large writes in pieces.
constexpr size_t kChunk = 16 * 1024;

}  // namespace

bool EndsTrimmed(const std::string& path)
{
    return !path.empty() && (path.back() == '.' || path.back() == ' ');
}

bool NamesOneFolderEntry(const std::string& folder, const std::string& name)
{
    if (EndsTrimmed(name)) return false;
    WIN32_FIND_DATAW entry;
    const TFindHandle find(FindFirstFileW((AnsiToWide(folder) + L"*").c_str(), &entry));
    if (!find && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND) return false;
    std::vector<std::wstring> names;
    while (find) {
        names.emplace_back(entry.cFileName, wcsnlen(entry.cFileName, MAX_PATH));
        if (!FindNextFileW(find.get(), &entry)) break;
    }
    return NamesOneEntry(names, name);
}

bool WriteAll(HANDLE file, const std::string& bytes, DWORD& error)
{
    for (size_t done = 0; done < bytes.size();) {
        const DWORD piece = static_cast<DWORD>(std::min(kChunk, bytes.size() - done));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, piece, &written, nullptr) || written == 0) {
            error = GetLastError();
            return false;
        }
        done += written;
    }
    return true;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes, DWORD& error)
{
    const TKernelHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return false;
    }
    bytes.clear();
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), buffer.get(), static_cast<DWORD>(kChunk), &read, nullptr)) {
            error = GetLastError();
            return false;
        }
        if (read == 0) return true;
        bytes.append(buffer.get(), read);
    }
}

bool WriteNewFile(const std::wstring& path, const std::string& bytes, DWORD& error)
{
    TKernelHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = GetLastError();
        return false;
    }
    if (WriteAll(file.get(), bytes, error)) {
        // On the disk before the caller goes on: an undo record must be whole before the change
        // it protects is made.
        if (FlushFileBuffers(file.get())) return true;
        error = GetLastError();
    }
    file.reset();
    DeleteFileW(path.c_str());
    return false;
}

std::string SystemErrorText(DWORD error)
{
    char* buffer = nullptr;
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    const std::unique_ptr<char, decltype(&LocalFree)> owner(buffer, &LocalFree);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    if (text.empty()) text = "错误 " + std::to_string(error);
    return text;
}

}  // namespace zv
