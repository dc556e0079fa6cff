#include "dialogs/BatchProgressDialog.h"
#include "tests/dialogs/DialogTestSupport.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <functional>

namespace {

const QString kCancelling = QStringLiteral("キャンセルしています…");

} // namespace

TEST(BatchProgressDialog, CountsTheFilesAndAppearsOnlyAfterHalfASecond) {
    int changes = 0;
    QWidget owner;
    BatchProgressDialog dlg(
        Msg::ImportingImages, 5, [&changes] { ++changes; }, &owner);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.takesInput());
    EXPECT_EQ(dlg.minimumDuration(), 500);
    EXPECT_EQ(dlg.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(dlg.labelText(), QStringLiteral("画像を読み込んでいます… (0 / 5)"));
    EXPECT_EQ(dlg.cancelButton()->text(), QStringLiteral("キャンセル"));
    EXPECT_EQ(changes, 0);

    // Appearing (when its timer runs out) tells the waiting batch, which then lets the
    // dialog take input.
    dlg.show();
    EXPECT_TRUE(dlg.takesInput());
    EXPECT_EQ(changes, 1);
    dlg.setProgress(3);
    EXPECT_EQ(dlg.labelText(), QStringLiteral("画像を読み込んでいます… (3 / 5)"));
    EXPECT_EQ(dlg.value(), 3);
    EXPECT_EQ(dlg.maximum(), 5);
    // The last step neither hides nor resets it: its owner closes it.
    dlg.setProgress(5);
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(dlg.value(), 5);
    EXPECT_FALSE(dlg.cancelRequested());
    EXPECT_EQ(changes, 1);
}

TEST(BatchProgressDialog, EveryWayToCancelKeepsItOpenUntilTheFilesInHandAreDone) {
    const struct {
        const char* name;
        std::function<void(BatchProgressDialog&)> cancel;
    } rows[] = {
        {"the button",
         [](BatchProgressDialog& d) { QTest::mouseClick(d.cancelButton(), Qt::LeftButton); }},
        {"Escape", [](BatchProgressDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"the close box", [](BatchProgressDialog& d) { d.close(); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        int changes = 0;
        BatchProgressDialog dlg(Msg::ImportingImages, 4, [&changes] { ++changes; });
        dlg.show();
        dlg.setProgress(1);
        changes = 0;
        r.cancel(dlg);
        EXPECT_TRUE(dlg.cancelRequested());
        EXPECT_EQ(changes, 1);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.labelText(), kCancelling);
        EXPECT_FALSE(dlg.cancelButton()->isEnabled());
        // Files that were running still finish and count; the text stays.
        dlg.setProgress(3);
        EXPECT_EQ(dlg.value(), 3);
        EXPECT_EQ(dlg.labelText(), kCancelling);
        // A second request changes nothing.
        dlg.close();
        EXPECT_EQ(changes, 1);
    }
}

TEST(BatchProgressDialog, ShowsThatItsButtonCanBePressedOverTheBusyCursor) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor); // as a batch sets it
    {
        BatchProgressDialog dlg(Msg::ImportingImages, 2, {});
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        dlg.show();
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    }
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QGuiApplication::restoreOverrideCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
