#include "packaging/WorkFolder.h"
#include "document/Picture.h"
#include "image/ImageImport.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>

TEST(WorkFolder, UnusableFolderStopsOnlyWhatNeedsAWorkFile) {
    ResetWorld();
    QTemporaryDir input;
    const TempFolderOverride tmp;
    // A temporary folder that does not exist: no working folder can be had at all.
    const QByteArray missing = QFile::encodeName(tmp.path() + QStringLiteral("/missing"));
    qputenv("TMPDIR", missing);
    {
        // A picture handed over as a file (a paste) needs a work file: none is made.
        TestPrompts tp;
        EXPECT_FALSE(SavePictureToWorkBmp(MakeTestPicture(2, 2).get()));
        EXPECT_EQ(tp.calls.size(), 1);
        EXPECT_TRUE(QDir(tmp.path()).isEmpty());
    }
    {
        // Converting an image needs no work file: it goes on without a word.
        TestPrompts tp;
        QImage img(1000, 8, QImage::Format_RGB32);
        img.fill(Qt::gray);
        const QString path = input.filePath(QStringLiteral("x.png"));
        ASSERT_TRUE(img.save(path));
        const ImportResult r = ImportImageFile(path, QStringLiteral("png"));
        EXPECT_TRUE(r.ok && r.picture);
        EXPECT_EQ(QSize(r.width, r.height), QSize(500, 4));
        EXPECT_TRUE(tp.calls.isEmpty());
        EXPECT_TRUE(QDir(tmp.path()).isEmpty());
    }
}
