// The real message boxes: what a user sees over the windows that ask.

#include "app/ui/QtPrompts.h"
#include "base/Messages.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

TEST(QtPrompts, AMessageOverAWindowKeptAboveIsKeptAboveToo) {
    QtPrompts prompts;
    for (const bool above : {true, false}) {
        QWidget owner(nullptr, above ? Qt::WindowStaysOnTopHint : Qt::WindowFlags());
        owner.show();
        bool seen = false, keptAbove = false;
        // The box is looked at and closed from its own loop.
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_TRUE(box);
            seen = true;
            keptAbove = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            box->accept();
        });
        prompts.message(Msg::SlidesSkipped, MessageText(Msg::SlidesSkipped), MsgKind::Info, &owner);
        EXPECT_TRUE(seen);
        EXPECT_EQ(keptAbove, above);
    }
}
