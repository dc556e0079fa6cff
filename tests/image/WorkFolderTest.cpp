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

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

TEST(WorkFolder, UnusableFolderStopsOnlyWhatNeedsAWorkFile) {
    ResetWorld();
    const TempFolderOverride tmp;
    QTemporaryDir elsewhere;
#if defined(Q_OS_UNIX)
    const QString own = QStringLiteral("%1-%2").arg(ApplicationName()).arg(::geteuid());
    // A link planted where the user's folder should be is not followed.
    ASSERT_TRUE(QFile::link(elsewhere.path(), QDir(tmp.path()).filePath(own)));
#else
    ASSERT_TRUE(WriteFile(QDir(tmp.path()).filePath(ApplicationName()), "a file"));
#endif
    {
        // A picture handed over as a file (a paste) needs a work file: none is made.
        TestPrompts tp;
        EXPECT_FALSE(SavePictureToWorkBmp(MakeTestPicture(2, 2).get()));
        EXPECT_EQ(tp.calls.size(), 1);
        EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    }
    {
        // Converting an image needs no work file: it goes on without a word.
        TestPrompts tp;
        QImage img(1000, 8, QImage::Format_RGB32);
        img.fill(Qt::gray);
        const QString path = QDir(tmp.path()).filePath(QStringLiteral("x.png"));
        ASSERT_TRUE(img.save(path));
        const ImportResult r = ImportImageFile(path, QStringLiteral("png"));
        EXPECT_TRUE(r.ok && r.picture);
        EXPECT_EQ(QSize(r.width, r.height), QSize(500, 4));
        EXPECT_TRUE(tp.calls.isEmpty());
        EXPECT_TRUE(QDir(elsewhere.path()).isEmpty());
    }
}
