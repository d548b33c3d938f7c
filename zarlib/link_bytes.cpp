#include "link_bytes.h"

#include <memory>

namespace zarlib {

bool TBytes::AnsiZ(size_t at, std::string& text, size_t* end) const
{
    if (at >= m_size) return false;
    const void* nul = std::memchr(m_data + at, 0, m_size - at);
    if (!nul) return false;
    const size_t length = static_cast<size_t>(static_cast<const unsigned char*>(nul) - (m_data + at));
    text.assign(reinterpret_cast<const char*>(m_data + at), length);
    if (end) *end = at + length + 1;
    return true;
}

bool TBytes::WideZ(size_t at, std::wstring& text, size_t* end) const
{
    text.clear();
    for (size_t i = at;; i += 2) {
        uint32_t unit = 0;
        if (!U16(i, unit)) return false;
        if (unit == 0) {
            if (end) *end = i + 2;
            return true;
        }
        text.push_back(static_cast<wchar_t>(unit));
    }
}

bool TBytes::WideZ(size_t at, std::string& text, size_t* end) const
{
    std::wstring wide;
    return WideZ(at, wide, end) && WideToAnsi(wide, text);
}

bool WideToAnsi(const std::wstring& wide, std::string& text)
{
    text.clear();
    if (wide.empty()) return true;
    const int count = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int need = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), count, nullptr, 0, nullptr, &lossy);
    if (need <= 0 || lossy) return false;
    text.resize(static_cast<size_t>(need));
    lossy = FALSE;
    const int got =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), count, text.data(), need, nullptr, &lossy);
    return got == need && !lossy;
}

bool IsWholeAnsi(const std::string& text)
{
    return text.empty() || MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                               nullptr, 0) > 0;
}

namespace {

struct TFileCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using TFile = std::unique_ptr<void, TFileCloser>;

}  // namespace

bool ReadLinkFile(const std::string& path, std::vector<unsigned char>& data)
{
    HANDLE raw = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE) return false;
    TFile file(raw);
    // A reserved device name (CON.lnk, say) opens a device that a read could wait on forever.
    if (GetFileType(file.get()) != FILE_TYPE_DISK) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > kMaxLinkFileSize) {
        return false;
    }
    data.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < data.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &got, nullptr) ||
            got == 0) {
            return false;
        }
        done += got;
    }
    return true;
}

}  // namespace zarlib
