// The real message boxes: what a user sees over the windows that ask.

#include "app/ui/QtPrompts.h"
#include "base/Messages.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTemporaryDir>
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

TEST(QtPrompts, FileDialogsStartInTheFolderAsked) {
    QtPrompts prompts;
    QTemporaryDir dir;
    for (const bool save : {false, true}) {
        QString seen;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            seen = dialog->directory().absolutePath();
            dialog->reject();
        });
        FileDialogSpec request;
        request.title = QStringLiteral("ファイルを指定");
        request.filter = QStringLiteral("ルセリオファイル(*.lsr)|*.lsr||");
        request.folder = dir.path();
        if (save) {
            request.fileName = QStringLiteral("無題");
            EXPECT_TRUE(prompts.saveFileName(request).isEmpty());
        } else {
            EXPECT_TRUE(prompts.openFileNames(request, false).isEmpty());
        }
        EXPECT_EQ(seen, QDir(dir.path()).absolutePath()) << (save ? "save" : "open");
    }
}

TEST(QtPrompts, AFileDialogShowsItsNote) {
    QtPrompts prompts;
    QString title, note;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        title = dialog->windowTitle();
        if (auto* label = dialog->findChild<QLabel*>(QStringLiteral("note")))
            note = label->isVisibleTo(dialog) ? label->text() : QString();
        dialog->reject();
    });
    FileDialogSpec request;
    request.title = QStringLiteral("追加するイメージファイルを指定(複数選択可)");
    request.filter = QStringLiteral("PNGファイル(*.png)|*.png||");
    request.note = QStringLiteral("500 × 500 ピクセルを超える画像は、収まるように縮小します\n"
                                  "(設定で変更できます)");
    EXPECT_TRUE(prompts.openFileNames(request, true).isEmpty());
    // Qt's own dialog, as on Linux: the title as asked, the note in the dialog.
    EXPECT_EQ(title, request.title);
    EXPECT_EQ(note, request.note);
}
