#pragma once
// The slideshow window's commands: context menu 132 and accelerator table 362.

#include <QString>
#include <Qt>

namespace show {

// Command ids.
constexpr int ID_SHOW_LOOP = 101;    ///< "連続に繰り返す"
constexpr int ID_SHOW_TIMER = 102;   ///< "タイマー切替え"
constexpr int ID_SHOW_END = 115;     ///< "スライドショー終了"
constexpr int ID_SHOW_RESIZE = 116;  ///< "サイズ変更"
constexpr int ID_SHOW_TOPMOST = 127; ///< "最前面に表示"
constexpr int ID_SHOW_CLICK = 129;   ///< "クリック切替え"
constexpr int ID_SHOW_FLIP_H = 130;  ///< "左右反転"
constexpr int ID_SHOW_FLIP_V = 131;  ///< "上下反転"
constexpr int ID_SHOW_FIT = 132;     ///< "サイズに合せて拡大"

/// One row of a menu: a command (id > 0), a separator (id 0, no text), the start of a
/// submenu (id -1, its text) or the end of one (id -2).
struct MenuRow {
    int id;
    const char* text;
};
constexpr int kSubmenuBegin = -1;
constexpr int kSubmenuEnd = -2;

/// Menu 132, its only popup, in order.
extern const MenuRow kShowMenu[];
extern const int kShowMenuRows;

/// Accelerator table 362: a key without modifiers and its command.
struct AccelRow {
    Qt::Key key;
    int id;
};
extern const AccelRow kShowAccel[];
extern const int kShowAccelRows;

/// The command of a key of table 362; 0 when the key has none.
int AccelCommand(int key, Qt::KeyboardModifiers modifiers);

/// The tooltip of the show: "№<number> <time>\n※ 右クリックメニューで操作できます".
QString ShowTooltipText(int number, int seconds);

} // namespace show
