// Where the document dialogs start (the open document's folder, else the one of the
// document used last, never where pictures were added), and how a file that is no
// document is described when it is refused.

#include "base/Settings.h"
#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class DocumentDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ResetWorld();
        ASSERT_TRUE(dir.isValid());
        for (const char* folder : {"shows", "other", "pictures"})
            ASSERT_TRUE(QDir(dir.path()).mkdir(QString::fromLatin1(folder)));
    }
    void TearDown() override { ResetWorld(); }
    QString folder(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    CountingEditState ed;
};

TEST_F(DocumentDialogs, OpenAndSaveAsStartInTheDocumentsFolder) {
    struct Row {
        const char* name;
        QString open;     // the open document's file; empty: untitled
        QString last;     // the document opened or saved last (setting); empty: none
        QString expected; // the folder the dialogs start in; empty: the dialog's own
    };
    const Row rows[] = {
        {"the open document's folder", folder("shows") + "/a.lsr", folder("other") + "/b.lsr",
         folder("shows")},
        {"untitled: the last document's folder", QString(), folder("other") + "/b.lsr",
         folder("other")},
        {"the last document's folder is gone", QString(), dir.filePath("gone/b.lsr"), QString()},
        {"nothing to go by", QString(), QString(), QString()},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        ResetWorld();
        NewDocument(ed);
        FillSlides(ed, 1);
        CurrentDocument().filePath = r.open;
        if (!r.last.isEmpty())
            WriteSettingString(Setting::LastDocument, r.last);
        TestPrompts p;
        p.answerFiles({});
        OnOpenCommand(ed);
        p.answerSave(QString());
        OnSaveAsCommand(ed);
        ASSERT_EQ(p.calls.size(), 2);
        EXPECT_EQ(p.calls[0].type, PromptCall::OpenFiles);
        EXPECT_EQ(p.calls[0].request.folder, r.expected);
        EXPECT_EQ(p.calls[1].type, PromptCall::SaveFile);
        EXPECT_EQ(p.calls[1].request.folder, r.expected);
    }
}

TEST_F(DocumentDialogs, AFileThatIsNoDocumentIsDescribed) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(dir.filePath("photo.jpg"), "JPEG"));
    ASSERT_TRUE(image.save(dir.filePath("art.png"), "PNG"));
    const auto write = [this](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    struct Row {
        QString path;
        const char* kind;
    };
    const Row rows[] = {
        {dir.filePath("photo.jpg"), "JPEG 画像のファイルです"},
        {dir.filePath("art.png"), "PNG 画像のファイルです"},
        {write("empty", {}), "空のファイルです"},
        {write("notes.txt", "写真の一覧\nphoto.jpg\n"), "テキストのファイルです"},
        {write("show.cab", QByteArray("MSCF") + QByteArray(60, '\0')),
         "キャビネット (CAB) のファイルです (ルセリオのドキュメントなら、名前の末尾を .lsr "
         "にすると開けます)"},
        {write("tool", QByteArray::fromHex("7f454c46020101") + QByteArray(64, '\0')),
         "プログラムのファイルですが、スライドショーのデータがありません"},
        {write("data.bin", QByteArray::fromHex("00ff10fe8001")), "種類のわからないファイルです"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FileKindText(r.path), QString::fromUtf8(r.kind)) << r.path.toStdString();
}

} // namespace
