// Off-screen pictures of the tab strip, read pixel by pixel, and the colours they should show.
#pragma once
#include <windows.h>

#include <memory>
#include <ostream>
#include <stdexcept>

#include "platform/handles.h"
#include "ui/QkTabs.h"

namespace tabstest {

struct TRgb {
    int r, g, b;
    bool operator==(const TRgb&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const TRgb& c)
{
    return os << '(' << c.r << ", " << c.g << ", " << c.b << ')';
}

inline const TRgb kEdge{20, 20, 20}, kBlack{0, 0, 0};
inline const TRgb kSelectedRow5{255, 237, 181}, kSelectedRow21{255, 214, 100};
inline const TRgb kUnselectedRow5{200, 214, 242}, kUnselectedRow21{145, 173, 229};
inline TRgb ButtonFace()
{
    const COLORREF c = GetSysColor(COLOR_BTNFACE);
    return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

// A 32-bit top-down DIB section selected into a memory DC.
class TDibCanvas {
public:
    TDibCanvas(int width, int height) : m_width(width), m_height(height), m_dc(CreateCompatibleDC(nullptr))
    {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(info.bmiHeader), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        m_bitmap.reset(CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!m_dc || !m_bitmap) throw std::runtime_error("no off-screen canvas");
        m_bits = static_cast<const DWORD*>(bits);
        m_select = std::make_unique<zv::TSelectObject>(m_dc.get(), m_bitmap.get());
    }
    HDC dc() const { return m_dc.get(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void Paint(zv::TQkTabs& tabs) { tabs.PaintTo(dc(), m_width, m_height); }
    TRgb Pixel(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height) throw std::out_of_range("pixel outside the canvas");
        GdiFlush();
        const DWORD v = m_bits[static_cast<size_t>(y) * m_width + x];
        return {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>(v & 0xFF)};
    }
    // What the window shows on screen, from its own DC.
    void CopyFromWindow(HWND hwnd)
    {
        struct TWindowDC {
            explicit TWindowDC(HWND h) : hwnd(h), dc(GetDC(h)) {}
            TWindowDC(const TWindowDC&) = delete;
            ~TWindowDC() { ReleaseDC(hwnd, dc); }
            HWND hwnd;
            HDC dc;
        } window(hwnd);
        BitBlt(dc(), 0, 0, m_width, m_height, window.dc, 0, 0, SRCCOPY);
    }

private:
    int m_width, m_height;
    const DWORD* m_bits = nullptr;
    zv::TMemoryDC m_dc;
    zv::TBitmap m_bitmap;
    std::unique_ptr<zv::TSelectObject> m_select;
};

}  // namespace tabstest
