// Resizing the frameless main window from its edges when the window system does not
// take the drag over (as on the off-screen platform).

#include "editor/ui/EditorWindow.h"
#include "tests/support/Fixtures.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(FrameResize, EdgesFollowThePointerWithinTheMinimumSize) {
    ResetWorld();
    struct Row {
        const char* name;
        QPoint press; // client point on an edge
        QPoint move;  // pointer offset while the button is held
        QRect expect;
    };
    const Row rows[] = {
        {"left edge outwards", QPoint(2, 400), QPoint(-50, 0), QRect(190, 135, 1490, 810)},
        {"right edge inwards", QPoint(1438, 400), QPoint(-100, 0), QRect(240, 135, 1340, 810)},
        {"bottom right corner", QPoint(1439, 809), QPoint(30, 20), QRect(240, 135, 1470, 830)},
        {"top edge stops at the minimum height", QPoint(700, 1), QPoint(0, 600),
         QRect(240, 437, 1440, 508)},
        {"right edge stops at the minimum width", QPoint(1437, 300), QPoint(-2000, 0),
         QRect(240, 135, 488, 810)},
        {"inside: no resize (the window moves)", QPoint(700, 300), QPoint(40, 40),
         QRect(280, 175, 1440, 810)},
    };
    for (const Row& r : rows) {
        ClearSettings(); // each window opens at the default size
        EditorWindow editor;
        ASSERT_TRUE(editor.Initialize());
        editor.show();
        ASSERT_EQ(editor.geometry(), QRect(240, 135, 1440, 810));
        QTest::mousePress(&editor, Qt::LeftButton, {}, r.press);
        const QPoint to = r.press + r.move;
        QTest::mouseMove(&editor, to);
        QTest::mouseRelease(&editor, Qt::LeftButton, {}, to);
        EXPECT_EQ(editor.geometry(), r.expect) << r.name;
    }
    ResetWorld();
}

} // namespace
