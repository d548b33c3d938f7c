// One small owner per kind of Win32 handle: non-copyable, movable, releasing on every path.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>

#include <utility>

namespace zv {

template <class Traits>
class TUniqueHandle {
public:
    using handle_type = typename Traits::handle_type;

    TUniqueHandle() = default;
    explicit TUniqueHandle(handle_type h) : m_h(h) {}
    TUniqueHandle(const TUniqueHandle&) = delete;
    TUniqueHandle& operator=(const TUniqueHandle&) = delete;
    TUniqueHandle(TUniqueHandle&& other) noexcept : m_h(other.release()) {}
    TUniqueHandle& operator=(TUniqueHandle&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~TUniqueHandle() { reset(); }

    handle_type get() const { return m_h; }
    explicit operator bool() const { return Traits::valid(m_h); }
    handle_type release() { return std::exchange(m_h, Traits::invalid()); }
    void reset(handle_type h = Traits::invalid())
    {
        handle_type old = std::exchange(m_h, h);
        if (Traits::valid(old)) Traits::close(old);
    }

private:
    handle_type m_h = Traits::invalid();
};

template <class H, auto Close>
struct TNullHandleTraits {
    using handle_type = H;
    static H invalid() { return nullptr; }
    static bool valid(H h) { return h != nullptr; }
    static void close(H h) { Close(h); }
};

// Files, processes and threads: closed with CloseHandle.
struct TKernelTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};

struct TFindTraits {
    using handle_type = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static bool valid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void close(HANDLE h) { FindClose(h); }
};

inline void DeleteGdiObject(HGDIOBJ h) { DeleteObject(h); }

using TIcon = TUniqueHandle<TNullHandleTraits<HICON, DestroyIcon>>;
using TFont = TUniqueHandle<TNullHandleTraits<HFONT, DeleteGdiObject>>;
using TBitmap = TUniqueHandle<TNullHandleTraits<HBITMAP, DeleteGdiObject>>;
using TBrush = TUniqueHandle<TNullHandleTraits<HBRUSH, DeleteGdiObject>>;
using TMemoryDC = TUniqueHandle<TNullHandleTraits<HDC, DeleteDC>>;
using TFindHandle = TUniqueHandle<TFindTraits>;
using TKernelHandle = TUniqueHandle<TKernelTraits>;
using TRegKeyHandle = TUniqueHandle<TNullHandleTraits<HKEY, RegCloseKey>>;
using TModule = TUniqueHandle<TNullHandleTraits<HMODULE, FreeLibrary>>;
using TMenuHandle = TUniqueHandle<TNullHandleTraits<HMENU, DestroyMenu>>;
using TImageListHandle = TUniqueHandle<TNullHandleTraits<HIMAGELIST, ImageList_Destroy>>;

// The system's cryptographic provider and a hash made with it.
struct TCryptProviderTraits {
    using handle_type = HCRYPTPROV;
    static HCRYPTPROV invalid() { return 0; }
    static bool valid(HCRYPTPROV h) { return h != 0; }
    static void close(HCRYPTPROV h) { CryptReleaseContext(h, 0); }
};

struct TCryptHashTraits {
    using handle_type = HCRYPTHASH;
    static HCRYPTHASH invalid() { return 0; }
    static bool valid(HCRYPTHASH h) { return h != 0; }
    static void close(HCRYPTHASH h) { CryptDestroyHash(h); }
};

using TCryptProvider = TUniqueHandle<TCryptProviderTraits>;
using TCryptHash = TUniqueHandle<TCryptHashTraits>;

// Selects a GDI object into a DC for one scope and puts the previous one back.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(SelectObject(dc, obj)) {}
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;
    ~TSelectObject() { SelectObject(m_dc, m_old); }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

}  // namespace zv
