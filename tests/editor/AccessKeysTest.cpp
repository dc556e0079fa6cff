// The access keys of every menu of every window: within one menu no two items that can be
// chosen share a key, or the key would choose none of them. Each menu is opened the way
// the user opens it and read while it shows, so the test does not depend on how a window
// builds its menus.

#include "base/Settings.h"
#include "dialogs/SlideListDialog.h"
#include "document/Document.h"
#include "slideshow/ui/SlideshowWindow.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/Fixtures.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMap>
#include <QMenu>
#include <QMimeData>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUndoStack>
#include <functional>

namespace {

/// The access key of a menu text: the character after a single "&" ("&&" stands for an
/// "&" itself), in upper case; null when the text has none.
QChar AccessKey(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toUpper();
        ++i;
    }
    return QChar();
}

/// What one opened menu holds: the items that can be chosen with an access key, and
/// the keys two or more of them share ("where: R = 反転(&R), やり直し(&R)").
struct MenuKeys {
    int keyed = 0;
    QStringList clashes;
};

/// Reads `menu` and the sub-menus that can be opened from it.
void ReadMenu(const QMenu& menu, const QString& where, MenuKeys& out) {
    QMap<QChar, QStringList> items;
    for (const QAction* a : menu.actions()) {
        if (a->isSeparator() || !a->isVisible() || !a->isEnabled())
            continue;
        const QString text = a->text().section(QLatin1Char('\t'), 0, 0);
        if (const QChar key = AccessKey(text); !key.isNull()) {
            items[key] << text;
            ++out.keyed;
        }
        if (a->menu())
            ReadMenu(*a->menu(), where + QStringLiteral(" > ") + text, out);
    }
    for (auto it = items.cbegin(); it != items.cend(); ++it)
        if (it.value().size() > 1)
            out.clashes
                << QStringLiteral("%1: %2 = %3").arg(where, it.key(), it.value().join(", "));
}

/// Runs `open`, which opens a context menu and returns when it has closed, and reads the
/// menu while it shows; the menu is then closed without a choice.
MenuKeys ReadMenuOpenedBy(const QString& where, const std::function<void()>& open) {
    MenuKeys keys;
    bool shown = false;
    QTimer reader;
    reader.setSingleShot(true);
    QObject::connect(&reader, &QTimer::timeout, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        shown = true;
        ReadMenu(*menu, where, keys);
        menu->close();
    });
    reader.start(0);
    open();
    EXPECT_TRUE(shown) << where.toStdString() << ": no menu opened";
    return keys;
}

class AccessKeys : public EditorTest {};

TEST_F(AccessKeys, NoTwoItemsOfOneMenuShareAKey) {
    // Everything the menus offer is on: a step to undo and one to redo, a slide with a
    // transparent colour, a picture on the clipboard, recent documents, a checked row.
    FillSlides(*editor, 3);
    for (int i = 0; i < 3; ++i)
        CurrentDocument().slides[i].picture = MakeTestPicture(60, 40, QColor(40 * i, 90, 160));
    CurrentDocument().slides[1].keyColor = qRgb(255, 0, 0);
    for (int i = 0; i < 2; ++i)
        editor->RecordChange(QStringLiteral("背景色の変更"),
                             [i] { CurrentDocument().header.backgroundLeft = qRgb(i, i, i); });
    editor->undoStack()->undo();
    auto* data = new QMimeData;
    data->setImageData(QImage(8, 8, QImage::Format_RGB32));
    QGuiApplication::clipboard()->setMimeData(data);
    RememberRecentDocument(QStringLiteral("/tmp/a.lsr"));
    RememberRecentDocument(QStringLiteral("/tmp/b.lsr"));
    editor->m_rebuildCells = true;
    editor->grab(); // the page's rectangles

    struct Opened {
        const char* where;
        std::function<void()> open;
        int keyed; ///< how many items with a key the menu offers at least, sub-menus included
    };
    const auto rightClick = [this](QPoint pt) {
        return [this, pt] { QTest::mouseClick(editor.get(), Qt::RightButton, {}, pt); };
    };
    SlideshowWindow show(editor.get());
    SlideListDialog list(editor.get());
    const Opened menus[] = {
        {"editor, a slide", rightClick(editor->m_cellRects[1].center()), 18},
        {"editor, an insertion mark", rightClick(editor->m_markRects[1].center()), 4},
        {"editor, the background", rightClick(QPoint(3, 3)), 18},
        {"slideshow",
         [&show] {
             ASSERT_TRUE(show.Initialize());
             for (int i = 0; i < 20; ++i)
                 show.OnZoomTimer();
             QTest::mouseClick(&show, Qt::RightButton, {}, show.rect().center());
         },
         10},
        {"slide list",
         [&list] {
             list.show();
             list.list()->selectRow(0);
             list.OnCheck();
             QWidget* rows = list.list()->viewport();
             const QPoint at = list.list()->visualRect(list.list()->model()->index(0, 0)).center();
             QContextMenuEvent click(QContextMenuEvent::Mouse, at, rows->mapToGlobal(at));
             QApplication::sendEvent(rows, &click);
         },
         5},
    };
    for (const Opened& m : menus) {
        const MenuKeys keys = ReadMenuOpenedBy(QString::fromUtf8(m.where), m.open);
        EXPECT_GE(keys.keyed, m.keyed) << m.where << ": the menu offers less than it should";
        EXPECT_TRUE(keys.clashes.isEmpty()) << keys.clashes.join(QLatin1Char('\n')).toStdString();
    }
}

TEST_F(AccessKeys, TheKeyOfAMenuTextIsTheCharacterAfterASingleAmpersand) {
    const struct {
        const char* text;
        QChar key;
    } rows[] = {
        {"反転(&R)", QLatin1Char('R')},
        {"黒色 RGB(0, 0, 0) (&s)", QLatin1Char('S')},
        {"&1 show.lsr", QLatin1Char('1')},
        {"A && B (&C)", QLatin1Char('C')},
        {"A && B", QChar()},
        {"プロパティ", QChar()},
    };
    for (const auto& r : rows)
        EXPECT_EQ(AccessKey(QString::fromUtf8(r.text)), r.key) << r.text;
}

} // namespace
