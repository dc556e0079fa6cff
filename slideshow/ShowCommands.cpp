#include "slideshow/ShowCommands.h"

#include "editor/Text.h"

namespace show {

const MenuRow kShowMenu[] = {
    {kSubmenuBegin, "反転(&R)"},
    {ID_SHOW_FLIP_H, "左右反転(&H)\t←,→"},
    {ID_SHOW_FLIP_V, "上下反転(&V)\t↑,↓"},
    {kSubmenuEnd, nullptr},
    {ID_SHOW_RESIZE, "サイズ変更(&S)\tWClick"},
    {ID_SHOW_FIT, "サイズに合せて拡大(&E)"},
    {0, nullptr},
    {ID_SHOW_TOPMOST, "最前面に表示(&M)"},
    {0, nullptr},
    {ID_SHOW_LOOP, "連続に繰り返す(&L)"},
    {ID_SHOW_TIMER, "タイマー切替え(&A)"},
    {ID_SHOW_CLICK, "クリック切替え(&C)"},
    {0, nullptr},
    {ID_SHOW_END, "スライドショー終了(&X)\tESC"},
};
const int kShowMenuRows = int(sizeof(kShowMenu) / sizeof(kShowMenu[0]));

const AccelRow kShowAccel[] = {
    {Qt::Key_Left, ID_SHOW_FLIP_H}, {Qt::Key_Right, ID_SHOW_FLIP_H}, {Qt::Key_Up, ID_SHOW_FLIP_V},
    {Qt::Key_Down, ID_SHOW_FLIP_V}, {Qt::Key_Escape, ID_SHOW_END},
};
const int kShowAccelRows = int(sizeof(kShowAccel) / sizeof(kShowAccel[0]));

int AccelCommand(int key, Qt::KeyboardModifiers modifiers) {
    // Arrow keys of the number pad carry the keypad flag; they count as the same keys.
    if ((modifiers & ~Qt::KeypadModifier) != Qt::NoModifier)
        return 0;
    for (const AccelRow& r : kShowAccel)
        if (r.key == key)
            return r.id;
    return 0;
}

QString ShowTooltipText(int number, int seconds) {
    return QStringLiteral("№%1 %2\n※ 右クリックメニューで操作できます")
        .arg(number)
        .arg(FormatSwitchTime(seconds));
}

} // namespace show
