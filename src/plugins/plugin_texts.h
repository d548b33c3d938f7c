// Texts that end an entry's text in the plug-in tree, and the pictures of m_icos.
#pragma once

namespace zv {

inline constexpr char DisabledSuffix[] = " [已禁用]";
inline constexpr char EnabledSuffix[] = " [启用]";
inline constexpr char MissingControlMark[] = "[控件不存在]";

enum TPluginPicture : int {
    picBrowser = 0,
    picComputer = 1,
    picCategory = 2,
    picEntry = 3,
    picServerFile = 4,
    picDetail = 5,
    picSystemEntry = 6,
};

}  // namespace zv
