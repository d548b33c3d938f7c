// The rules for writing the strip's captions and selection, with no window.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ui/QkTabs.h"

namespace {

using TEvents = std::vector<std::pair<zv::TObject*, int>>;

TEST(QkTabsProperties, WriteRules)
{
    zv::TQkTabs tabs{nullptr};
    TEvents events;
    tabs.OnTabActive = [&](zv::TObject* sender, int index) { events.emplace_back(sender, index); };
    EXPECT_EQ(tabs.tabindex(), 0);

    // Writing tabs copies the list and selects tab 0 without an event, even into an empty list.
    std::vector<std::string> source = {"插件清除", "启动项目", "其他"};
    tabs.set_tabs(source);
    source[0] = "changed";
    EXPECT_EQ(tabs.tabs()[0], "插件清除");
    tabs.set_tabindex(2);
    tabs.set_tabs({"a", "b"});
    EXPECT_EQ(tabs.tabindex(), 0);
    tabs.set_tabindex(-1);
    tabs.set_tabs({});
    EXPECT_EQ(tabs.tabindex(), 0);
    EXPECT_EQ(events, (TEvents{{&tabs, 2}, {&tabs, -1}}));

    // tabindex: ignored at or past the count and when unchanged; no lower bound.
    tabs.set_tabs({"a", "b"});
    events.clear();
    for (int v : {2, 100, 0, 1, 1, -1, -1, -7}) tabs.set_tabindex(v);
    EXPECT_EQ(tabs.tabindex(), -7);
    EXPECT_EQ(events, (TEvents{{&tabs, 1}, {&tabs, -1}, {&tabs, -7}}));

    // Without tabs only a negative index can be written.
    tabs.set_tabs({});
    events.clear();
    for (int v : {0, 1, -3}) tabs.set_tabindex(v);
    EXPECT_EQ(events, (TEvents{{&tabs, -3}}));

    // With no handler the index is stored all the same.
    tabs.OnTabActive = nullptr;
    tabs.set_tabindex(-2);
    EXPECT_EQ(tabs.tabindex(), -2);
}

}  // namespace
