// Shortcuts made by the system's own shell (IShellLinkA::Save), and whole files as bytes, for
// the tests of the startup scan and of zarlib's GetLnkCmdline and for its fuzzer.
#pragma once
#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

namespace zvtest {

// COM on the calling thread for as long as the object lives.
class TComScope {
public:
    TComScope() : m_ok(SUCCEEDED(CoInitialize(nullptr))) {}
    ~TComScope()
    {
        if (m_ok) CoUninitialize();
    }
    TComScope(const TComScope&) = delete;
    TComScope& operator=(const TComScope&) = delete;

private:
    bool m_ok;
};

inline std::wstring Widen(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return wide;
}

// Saves a shortcut to `target` with `arguments` at `link`; false when the shell refuses.
inline bool SaveShellLink(const std::string& link, const std::string& target, const std::string& arguments = {})
{
    Microsoft::WRL::ComPtr<IShellLinkA> shellLink;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(shellLink.GetAddressOf())))) {
        return false;
    }
    if (FAILED(shellLink->SetPath(target.c_str()))) return false;
    if (!arguments.empty() && FAILED(shellLink->SetArguments(arguments.c_str()))) return false;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    if (FAILED(shellLink.As(&file))) return false;
    return SUCCEEDED(file->Save(Widen(link).c_str(), TRUE));
}

struct TFileCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using TFile = std::unique_ptr<void, TFileCloser>;

inline TFile OpenFile(const std::string& path, DWORD access, DWORD disposition)
{
    HANDLE h = CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return TFile(h == INVALID_HANDLE_VALUE ? nullptr : h);
}

// The whole file, empty when it cannot be read.
inline std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::vector<unsigned char> data;
    TFile file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return data;
    data.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &got, nullptr)) got = 0;
    data.resize(got);
    return data;
}

inline bool WriteBytes(const std::string& path, const std::vector<unsigned char>& data)
{
    TFile file = OpenFile(path, GENERIC_WRITE, CREATE_ALWAYS);
    DWORD written = 0;
    return file && WriteFile(file.get(), data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
           written == data.size();
}

}  // namespace zvtest
