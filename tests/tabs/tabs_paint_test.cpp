// The strip's picture, painted off screen at the host's height of 22 and read pixel by pixel.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tabs_canvas.h"

namespace {

using namespace tabstest;

const std::vector<std::string> kThreeTabs = {"插件清除", "启动项目", "其他"};

// Edges of tab i's painted rectangle.
int Left(const zv::TQkTabs& tabs, int i) { return i * tabs.TabWidth() + 3; }
int Right(const zv::TQkTabs& tabs, int i) { return (i + 1) * tabs.TabWidth() + 3; }

int CountPixels(const TDibCanvas& canvas, const TRgb& colour)
{
    int n = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) n += canvas.Pixel(x, y) == colour;
    }
    return n;
}

TEST(QkTabsPaint, GradientAndTopBorder)
{
    zv::TQkTabs tabs{nullptr};
    tabs.set_tabs(kThreeTabs);
    TDibCanvas canvas(400, 22);
    canvas.Paint(tabs);
    ASSERT_LT(Right(tabs, 2) + 1, canvas.Width());

    // Columns clear of the centred captions and of the edges.
    EXPECT_EQ(canvas.Pixel(Left(tabs, 0) + 3, 5), kSelectedRow5);
    EXPECT_EQ(canvas.Pixel(Left(tabs, 0) + 3, 21), kSelectedRow21);
    EXPECT_EQ(canvas.Pixel(Right(tabs, 1) - 3, 5), kUnselectedRow5);
    EXPECT_EQ(canvas.Pixel(Right(tabs, 1) - 3, 21), kUnselectedRow21);

    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < canvas.Width(); ++x) ASSERT_EQ(canvas.Pixel(x, y), ButtonFace()) << x << "," << y;
    }
    for (int i = 0; i < 3; ++i) {
        // Row 4: black between two edge pixels, from 2 pixels in (7 past a later tab's slant)
        // to 2 pixels short of the right edge.
        const int first = Left(tabs, i) + (i == 0 ? 2 : 7), last = Right(tabs, i) - 2;
        EXPECT_EQ(canvas.Pixel(first - 1, 4), ButtonFace()) << "tab " << i;
        EXPECT_EQ(canvas.Pixel(first, 4), kEdge) << "tab " << i;
        for (int x = first + 1; x < last; ++x) ASSERT_EQ(canvas.Pixel(x, 4), kBlack) << "tab " << i << " x " << x;
        EXPECT_EQ(canvas.Pixel(last, 4), kEdge) << "tab " << i;
        EXPECT_EQ(canvas.Pixel(last + 1, 4), ButtonFace()) << "tab " << i;
    }
}

TEST(QkTabsPaint, SlantedLeftEdgeUprightRightEdgeAndOverlaps)
{
    zv::TQkTabs tabs{nullptr};
    tabs.set_tabs(kThreeTabs);
    TDibCanvas canvas(400, 22);
    canvas.Paint(tabs);
    const int L = Left(tabs, 1), R = Right(tabs, 1);
    // Unselected, tab 1's lower right corner lies under tab 2's slanted edge.
    EXPECT_EQ(canvas.Pixel(R - 12, 21), kEdge);
    EXPECT_EQ(canvas.Pixel(R - 5, 21), kUnselectedRow21);

    tabs.set_tabindex(1);
    canvas.Paint(tabs);
    // Row 5 starts at L + 5 with a second edge pixel beside it; the strip shows through on its left.
    EXPECT_EQ(canvas.Pixel(L + 4, 5), ButtonFace());
    EXPECT_EQ(canvas.Pixel(L + 5, 5), kEdge);
    EXPECT_EQ(canvas.Pixel(L + 6, 5), kEdge);
    EXPECT_EQ(canvas.Pixel(L + 7, 5), kSelectedRow5);
    EXPECT_EQ(canvas.Pixel(L + 4, 6), kEdge);
    // Then one edge pixel a row, a column further left each row: L on row 9, L - 12 on row 21.
    for (int y = 7; y <= 21; ++y) {
        EXPECT_EQ(canvas.Pixel(L + 9 - y, y), kEdge) << "row " << y;
        EXPECT_NE(canvas.Pixel(L + 10 - y, y), kEdge) << "row " << y;
    }
    EXPECT_EQ(canvas.Pixel(L - 11, 21), kSelectedRow21);
    EXPECT_EQ(canvas.Pixel(L - 13, 21), kUnselectedRow21);
    // Selected, it lies above its right neighbour too: its right edge runs straight down at R.
    for (int y = 6; y <= 21; ++y) EXPECT_EQ(canvas.Pixel(R, y), kEdge) << "row " << y;
    EXPECT_EQ(canvas.Pixel(R - 5, 21), kSelectedRow21);
    EXPECT_EQ(canvas.Pixel(R + 1, 21), kUnselectedRow21);
    EXPECT_EQ(canvas.Pixel(R - 1, 5), kEdge);
    EXPECT_EQ(canvas.Pixel(R, 5), ButtonFace());

    // The last tab's right edge, which nothing covers.
    const int last = Right(tabs, 2);
    for (int y = 6; y <= 21; ++y) EXPECT_EQ(canvas.Pixel(last, y), kEdge) << "row " << y;
    EXPECT_EQ(canvas.Pixel(last + 1, 12), ButtonFace());
}

TEST(QkTabsPaint, NoTabSelected)
{
    zv::TQkTabs tabs{nullptr};
    tabs.set_tabs(kThreeTabs);
    TDibCanvas canvas(400, 22);
    tabs.set_tabindex(-1);
    canvas.Paint(tabs);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(canvas.Pixel(Right(tabs, i) - 3, 5), kUnselectedRow5) << "tab " << i;
    EXPECT_EQ(CountPixels(canvas, kSelectedRow5), 0);

    // An index left past the end by shortening the list through tabs() selects nothing either.
    tabs.set_tabindex(2);
    tabs.tabs().pop_back();
    canvas.Paint(tabs);
    EXPECT_EQ(CountPixels(canvas, kSelectedRow5), 0);
    EXPECT_EQ(canvas.Pixel(Right(tabs, 2) - 3, 21), ButtonFace());
}

TEST(QkTabsPaint, OnlyButtonFaceWithoutTabsOrRoomForThem)
{
    zv::TQkTabs tabs{nullptr};
    TDibCanvas canvas(200, 22);
    canvas.Paint(tabs);
    EXPECT_EQ(CountPixels(canvas, ButtonFace()), 200 * 22);
    EXPECT_EQ(tabs.TabWidth(), 20);

    // Up to 7 pixels high the gradient has no room: no tabs, though the width is measured.
    tabs.set_tabs(kThreeTabs);
    for (int height = 1; height <= 7; ++height) {
        TDibCanvas low(200, height);
        low.Paint(tabs);
        EXPECT_EQ(CountPixels(low, ButtonFace()), 200 * height) << "height " << height;
        EXPECT_GT(tabs.TabWidth(), 20);
    }
    // At 8 the divisor is 8 - 2 - 2 = 4, and row 7 comes to (255, 199, 47).
    TDibCanvas eight(200, 8);
    eight.Paint(tabs);
    EXPECT_EQ(eight.Pixel(6, 4), kBlack);
    EXPECT_EQ(eight.Pixel(6, 7), (TRgb{255, 199, 47}));
}

TEST(QkTabsPaint, TabsShareTheWidestCaptionPlusTwenty)
{
    const std::vector<std::string> captions = {"短", "一个很长的标签", "Mid"};
    TDibCanvas canvas(600, 22);
    zv::TFont font(CreateFontA(-MulDiv(8, GetDeviceCaps(canvas.dc(), LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                               DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif"));
    int widest = 0;
    {
        zv::TSelectObject select(canvas.dc(), font.get());
        for (const std::string& c : captions) {
            SIZE size{};
            GetTextExtentPoint32A(canvas.dc(), c.data(), static_cast<int>(c.size()), &size);
            widest = std::max(widest, static_cast<int>(size.cx));
        }
    }
    zv::TQkTabs tabs{nullptr};
    tabs.set_tabs(captions);
    canvas.Paint(tabs);
    EXPECT_EQ(tabs.TabWidth(), widest + 20);
    // Right edges, on a row the next tab's slanted edge has not reached yet.
    for (int i = 0; i < 3; ++i) EXPECT_EQ(canvas.Pixel((i + 1) * (widest + 20) + 3, 7), kEdge) << "tab " << i;

    // A change made through the list shows at the next paint.
    tabs.tabs().erase(tabs.tabs().begin() + 1);
    canvas.Paint(tabs);
    EXPECT_LT(tabs.TabWidth(), widest + 20);
}

}  // namespace
