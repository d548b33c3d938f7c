// How the startup list fits its texts into their columns, measured in the program's real font,
// and how its rows come out, read back from an off-screen rendering of the real tree view.
#include "platform/ansi_text.h"
#include "plugins/node_data.h"
#include "startup/startup_draw.h"
#include "startup/startup_marks.h"
#include "startup_fixtures.h"

namespace {

using zv::TTreeNode;
using zvtest::FindItem;
using zvtest::ItemRect;

const char kEllipsis[] = "...";

// A memory DC with the main window's font, the one the rows are drawn in.
class TFontDC {
public:
    explicit TFontDC(zv::Tfm_main& f) : m_dc(CreateCompatibleDC(nullptr)), m_font(m_dc.get(), f.ControlFont()) {}
    HDC get() const { return m_dc.get(); }
    int Width(const std::string& text) const
    {
        SIZE size{};
        GetTextExtentPoint32A(m_dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }

private:
    zv::TMemoryDC m_dc;
    zv::TSelectObject m_font;
};

// The shortened text for every column width from 1 to the text's own: a text that fits stays
// whole; one that does not is a head cut between two characters with "..." after it, the
// longest such head narrower than the column, or the shortest head when none is.
void ExpectShortenedAtEveryWidth(const TFontDC& dc, const std::string& text)
{
    const int full = dc.Width(text);
    ASSERT_GT(full, 0);
    const size_t shortest = zv::IsCharStart(text, 2) ? 2 : 3;
    for (int width = 1; width <= full + 2; ++width) {
        const std::string shown = zv::ShortenToWidth(dc.get(), text, width);
        SCOPED_TRACE(testing::Message() << "width " << width << ": " << shown);
        if (full <= width) {
            EXPECT_EQ(shown, text);
            continue;
        }
        ASSERT_GE(shown.size(), 3u);
        ASSERT_EQ(shown.substr(shown.size() - 3), kEllipsis);
        const std::string head = shown.substr(0, shown.size() - 3);
        ASSERT_EQ(text.compare(0, head.size(), head), 0) << "not a head of the text";
        EXPECT_TRUE(zv::IsCharStart(text, head.size())) << "cut inside a double-byte character";
        EXPECT_GE(head.size(), shortest);
        if (head.size() > shortest) {
            EXPECT_LT(dc.Width(shown), width);
        }
        // The next longer head would not have fitted.
        size_t next = head.size() + 1;
        while (next <= text.size() && !zv::IsCharStart(text, next)) ++next;
        if (next <= text.size()) {
            EXPECT_GE(dc.Width(text.substr(0, next) + kEllipsis), width);
        }
    }
}

TEST(StartupDraw, ShorteningInTheProgramsFont)
{
    zv::Tfm_main f;
    const TFontDC dc(f);
    ExpectShortenedAtEveryWidth(dc, "C:\\Program Files\\My App\\app.exe /min --tray");
    ExpectShortenedAtEveryWidth(dc, "\"C:\\Program Files\\中文软件\\启动程序.exe\" /参数 一二三");
    ExpectShortenedAtEveryWidth(dc, "a中文字符");
    ExpectShortenedAtEveryWidth(dc, "中");

    // One byte wider than its column keeps its byte and gets "..." anyway; clipping does the rest.
    EXPECT_EQ(zv::ShortenToWidth(dc.get(), "W", 1), "W...");
    // When no head is narrow enough, the shortest one that ends between characters is taken:
    // the first two bytes, or three when the second byte starts a double-byte character.
    EXPECT_EQ(zv::ShortenToWidth(dc.get(), "abcdef", 1), "ab...");
    EXPECT_EQ(zv::ShortenToWidth(dc.get(), "a中文", 1), "a中...");
    EXPECT_EQ(zv::ShortenToWidth(dc.get(), "", 0), "");
}

TEST(StartupDraw, TaskManagersDisabledMarkFollowsTheName)
{
    zv::Tfm_main f;
    const TFontDC dc(f);
    const std::string marked = " [已禁用]";
    const int wide = dc.Width("卓凡托盘" + marked) + 1;
    const int narrow = dc.Width("卓凡" + std::string(kEllipsis) + marked) + 1;
    const struct {
        zv::TStartupMark mark;
        int width;
        std::string shown;
    } rows[] = {
        {zv::TStartupMark::Disabled, wide, "卓凡托盘" + marked},
        {zv::TStartupMark::Disabled, narrow, "卓凡" + std::string(kEllipsis) + marked},
        {zv::TStartupMark::Enabled, wide, "卓凡托盘"},
        {zv::TStartupMark::None, wide, "卓凡托盘"},
    };
    for (const auto& row : rows) {
        zv::TNodeData record;
        record.ItemName = "卓凡托盘";
        record.Mark = row.mark;
        EXPECT_EQ(zv::MarkedName(dc.get(), record.ItemName, zv::StartupMarkText(record), row.width), row.shown);
    }
}

// The tree view's client area as it paints itself into a bitmap.
class TRendering {
public:
    explicit TRendering(HWND window)
    {
        RECT client;
        GetClientRect(window, &client);
        m_width = client.right;
        m_height = client.bottom;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = m_width;
        info.bmiHeader.biHeight = -m_height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        zv::TMemoryDC dc(CreateCompatibleDC(nullptr));
        zv::TBitmap bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap) return;
        {
            zv::TSelectObject select(dc.get(), bitmap.get());
            SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT | PRF_ERASEBKGND);
            GdiFlush();
        }
        const auto* first = static_cast<const uint32_t*>(bits);
        m_pixels.assign(first, first + static_cast<size_t>(m_width) * m_height);
    }

    COLORREF At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_pixels.empty()) return CLR_INVALID;
        const uint32_t p = m_pixels[static_cast<size_t>(y) * m_width + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Whether any pixel of the columns [left, right) between rows [top, bottom) differs from `colour`.
    bool AnyOther(int left, int right, int top, int bottom, COLORREF colour) const
    {
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                if (At(x, y) != colour) return true;
            }
        }
        return false;
    }
    // The darkest pixel of a region, by the sum of its channels.
    COLORREF Darkest(int left, int right, int top, int bottom) const
    {
        COLORREF darkest = RGB(255, 255, 255);
        auto sum = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                if (sum(At(x, y)) < sum(darkest)) darkest = At(x, y);
            }
        }
        return darkest;
    }

private:
    int m_width = 0, m_height = 0;
    std::vector<uint32_t> m_pixels;
};

TEST(StartupDraw, RowsAsTheTreeViewPaintsThem)
{
    zvtest::TStartupPlaces places;
    const std::string longName = "一个非常非常长的启动项目名称用来测试截断效果的名字";
    places.userRun.SetText(longName,
                    "\"C:\\Program Files\\很长的目录名称\\再来一个很长的目录\\program.exe\" /arguments --more "
                    "--and-more --even-more-arguments-here");
    places.userRun.SetText("ZvShort", "notepad.exe");

    zv::Tfm_main f;
    f.CreateForm(true);
    ShowWindow(f.Handle(), SW_SHOWNOACTIVATE);
    f.QkTabs1TabActive(nullptr, 1);
    const HWND tree = f.tree_start.Handle();
    ASSERT_EQ(f.tree_start.TopCount(), 1u);
    TTreeNode* group = f.tree_start.TopItem(0);
    TTreeNode* selected = FindItem(f.tree_start, longName);
    TTreeNode* plain = FindItem(f.tree_start, "ZvShort");
    ASSERT_NE(selected, nullptr);
    ASSERT_NE(plain, nullptr);
    f.tree_start.Select(selected);
    zvtest::PumpMessages();
    const TRendering shot(tree);

    const COLORREF buttonFace = GetSysColor(COLOR_BTNFACE);
    const COLORREF selectedColour = RGB(220, 240, 255);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const int s1Right = f.head_start.Section(0).Right();
    const int s2Right = f.head_start.Section(1).Right();

    // Backgrounds, at the far right of each row where no text reaches.
    const RECT groupRow = ItemRect(tree, group, false);
    const RECT selectedRow = ItemRect(tree, selected, false);
    const RECT plainRow = ItemRect(tree, plain, false);
    EXPECT_EQ(shot.At(groupRow.right - 3, groupRow.top + 1), buttonFace);
    EXPECT_EQ(shot.At(selectedRow.right - 3, selectedRow.top + 1), selectedColour);
    EXPECT_EQ(shot.At(plainRow.right - 3, plainRow.top + 1), window);

    // Pictures: a group's at the row's left edge, an item's one indent (19 pixels) further in.
    EXPECT_TRUE(shot.AnyOther(0, 16, groupRow.top, groupRow.top + 16, buttonFace));
    EXPECT_FALSE(shot.AnyOther(0, 19, selectedRow.top, selectedRow.bottom, selectedColour));
    EXPECT_TRUE(shot.AnyOther(19, 35, selectedRow.top, selectedRow.top + 16, selectedColour));
    EXPECT_TRUE(shot.AnyOther(19, 35, plainRow.top, plainRow.top + 16, window));

    // Both texts of the long item are cut to end 2 pixels before their column's right edge.
    const RECT label = ItemRect(tree, selected, true);
    EXPECT_TRUE(shot.AnyOther(s1Right - 22, s1Right - 2, label.top, label.bottom, selectedColour));
    EXPECT_FALSE(shot.AnyOther(s1Right - 2, s1Right + 2, label.top, label.bottom, selectedColour));
    EXPECT_TRUE(shot.AnyOther(s2Right - 22, s2Right - 2, label.top, label.bottom, selectedColour));
    EXPECT_FALSE(shot.AnyOther(s2Right - 2, selectedRow.right, label.top, label.bottom, selectedColour));
    EXPECT_EQ(shot.Darkest(label.left, s2Right, label.top, label.bottom), RGB(0, 0, 0)) << "black text";

    // A group's title runs across the first column's edge, unshortened.
    const RECT groupLabel = ItemRect(tree, group, true);
    EXPECT_TRUE(shot.AnyOther(s1Right - 2, s1Right + 40, groupLabel.top, groupLabel.bottom, buttonFace));
}

}  // namespace
