// The main window's tooltip: its timing (driven through its timer handlers), its size
// limit and its colours, which must not leak into the tooltips of other windows.

#include "editor/ui/TipWindow.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TextInk.h"

#include <QPalette>
#include <QToolTip>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class Tip : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        owner.resize(300, 200);
        tip = new TipWindow(&owner);
    }
    QWidget owner;
    TipWindow* tip = nullptr;
};

TEST_F(Tip, DelaysAndColoursAsSetAtOpening) {
    EXPECT_EQ(TipWindow::kInitialDelay, 50);
    EXPECT_EQ(TipWindow::kAutoPopDelay, 5000);
    EXPECT_EQ(TipWindow::kReshowDelay, 500);
    EXPECT_EQ(TipWindow::Margins(), QMargins(2, 1, 2, 1));

    tip->SetText(QStringLiteral("【新規】\n新規ドキュメントを開きます"));
    tip->Activate(true);
    tip->RelayMouseMove(QPoint(100, 100));
    tip->OnShowTimer();
    ASSERT_TRUE(tip->IsShown());
    const QImage shot = tip->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Inside the border and the margin: the background.
    const QRgb back = qRgb(123, 158, 247);
    EXPECT_EQ(shot.pixel(2, 1), back);
    EXPECT_EQ(shot.pixel(shot.width() - 3, shot.height() - 2), back);
    // The text is drawn in its own colour: inside the border every pixel is the
    // background, the text colour or a mix of the two, and the pixels the glyphs cover
    // fully have the text colour (whatever font the machine draws the text with).
    const QRect inside = shot.rect().adjusted(1, 1, -1, -1);
    const TextInk text = MeasureTextInk(shot, inside, qRgb(255, 247, 198), back);
    EXPECT_EQ(text.strays, 0);
    EXPECT_LE(text.nearest, 8);
    EXPECT_GT(text.ink, 10.0);
}

TEST_F(Tip, NeverWiderThan512PixelsAndOneLinePerBreak) {
    const QString one = QStringLiteral("【終了】");
    const QString two = one + QStringLiteral("\n") + one;
    EXPECT_GT(tip->SizeForText(two).height(), tip->SizeForText(one).height());
    // A very long line wraps instead of growing beyond 512 pixels.
    const QString longLine = QString(200, QChar(0x3042));
    const QSize size = tip->SizeForText(longLine);
    EXPECT_LE(size.width(), 512);
    EXPECT_GT(size.height(), 2 * tip->SizeForText(one).height());
}

TEST_F(Tip, ShowsAfterItsDelaysAndPopsDown) {
    tip->SetText(QStringLiteral("a"));
    // Inactive: nothing pending.
    tip->RelayMouseMove(QPoint(10, 10));
    EXPECT_EQ(tip->PendingDelay(), 0);

    tip->Activate(true);
    tip->RelayMouseMove(QPoint(10, 10));
    EXPECT_EQ(tip->PendingDelay(), 50);
    // Further movement does not push the appearance back.
    tip->RelayMouseMove(QPoint(12, 10));
    EXPECT_EQ(tip->PendingDelay(), 50);
    tip->OnShowTimer();
    EXPECT_TRUE(tip->IsShown());

    // A new text while shown: shown at once, no delay.
    tip->SetText(QStringLiteral("b"));
    EXPECT_TRUE(tip->IsShown());
    EXPECT_EQ(tip->Text(), QStringLiteral("b"));

    // After the pop-down delay it goes and stays away for the same text...
    tip->OnPopTimer();
    EXPECT_FALSE(tip->IsShown());
    tip->RelayMouseMove(QPoint(14, 10));
    EXPECT_EQ(tip->PendingDelay(), 0);
    // ...and a new text comes after the re-show delay.
    tip->SetText(QStringLiteral("c"));
    tip->RelayMouseMove(QPoint(16, 10));
    EXPECT_EQ(tip->PendingDelay(), 500);
    tip->OnShowTimer();
    EXPECT_TRUE(tip->IsShown());

    // Popping hides it; the next movement brings it back after the initial delay.
    tip->Pop();
    EXPECT_FALSE(tip->IsShown());
    tip->RelayMouseMove(QPoint(18, 10));
    EXPECT_EQ(tip->PendingDelay(), 50);

    // Deactivating hides it and cancels what was pending.
    tip->OnShowTimer();
    tip->Activate(false);
    EXPECT_FALSE(tip->IsShown());
    EXPECT_EQ(tip->PendingDelay(), 0);
    tip->OnShowTimer();
    EXPECT_FALSE(tip->IsShown());
}

TEST_F(Tip, LeavesTheApplicationsTooltipLookAlone) {
    const QPalette before = QToolTip::palette();
    tip->SetText(QStringLiteral("x"));
    tip->Activate(true);
    tip->RelayMouseMove(QPoint(10, 10));
    tip->OnShowTimer();
    EXPECT_EQ(QToolTip::palette(), before);
}

} // namespace
