// Files as the process that uses them sees them. On 64-bit Windows a 32-bit program sees the
// 32-bit system folder (syswow64) under the name system32; the 64-bit shell, which starts the
// startup programs, and every 64-bit process see the native one.
#pragma once
#include <string>

namespace zv {

enum class TFileView {
    Native,  // as the 64-bit shell and 64-bit processes see it: the default
    Wow32,   // as a 32-bit process sees it: an in-process server or control of the 32-bit view
};

// `path` as this process reaches the file in `view`: a path in the system folder becomes the
// same path under "<Windows>\Sysnative" when a 32-bit program of 64-bit Windows asks for the
// native view, and under the 32-bit system folder (SysWOW64) when a 64-bit program asks for the
// 32-bit view. Every other path, view and program keeps the path as it is.
std::string PathInView(const std::string& path, TFileView view);

// Around one file call: where a 32-bit program of 64-bit Windows wants the native view and the
// system has no Sysnative (XP x64 without its update), turns the file-system redirection off
// for this thread until the scope ends. Otherwise does nothing.
class TFileViewScope {
public:
    explicit TFileViewScope(TFileView view);
    ~TFileViewScope();
    TFileViewScope(const TFileViewScope&) = delete;
    TFileViewScope& operator=(const TFileViewScope&) = delete;

private:
    void* m_saved = nullptr;
    bool m_off = false;
};

}  // namespace zv
