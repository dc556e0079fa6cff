#include "image/WorkFolder.h"
#include "document/Picture.h"
#include "image/ImageImport.h"
#include "tests/image/ImageFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

/// Points the system's temporary folder somewhere else for the test's lifetime.
struct TempFolderOverride {
    explicit TempFolderOverride(const QString& path) : old(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", path.toLocal8Bit());
    }
    ~TempFolderOverride() { qputenv("TMPDIR", old); }
    QByteArray old;
};

} // namespace

TEST(WorkFolder, PrivateFolderNamedAfterTheApplication) {
    ResetWorld();
    QTemporaryDir tmp;
    const TempFolderOverride over(tmp.path());
    TestPrompts tp;
    const QString folder = ImageWorkFolder();
    EXPECT_EQ(folder, QDir(tmp.path()).filePath(ApplicationName()));
    EXPECT_TRUE(QFileInfo(folder).isDir());
#ifdef Q_OS_UNIX
    EXPECT_EQ(QFileInfo(folder).permissions() &
                  (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                   QFile::WriteOther | QFile::ExeOther),
              QFile::Permissions());
#endif
    EXPECT_EQ(ImageWorkFolder(), folder); // an existing folder is fine
    EXPECT_TRUE(tp.calls.isEmpty());
}

TEST(WorkFolder, UnusableFolderStopsTheConversionWithAMessage) {
    ResetWorld();
    QTemporaryDir tmp;
    QTemporaryDir elsewhere;
#ifdef Q_OS_UNIX
    // A link planted where the folder should be is not followed.
    ASSERT_TRUE(QFile::link(elsewhere.path(), QDir(tmp.path()).filePath(ApplicationName())));
#else
    ASSERT_TRUE(WriteFile(QDir(tmp.path()).filePath(ApplicationName()), "a file"));
#endif
    const TempFolderOverride over(tmp.path());
    {
        TestPrompts tp;
        EXPECT_TRUE(ImageWorkFolder().isEmpty());
        EXPECT_EQ(tp.calls.size(), 1);
    }
    {
        // An image without a key needs the folder for its JPEG: none is made.
        TestPrompts tp;
        QImage img(4, 4, QImage::Format_RGB32);
        img.fill(Qt::gray);
        const QString path = QDir(elsewhere.path()).filePath(QStringLiteral("x.png"));
        ASSERT_TRUE(img.save(path));
        const ImportResult r = ImportImageFile(path, QStringLiteral("png"));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(tp.calls.size(), 1);
    }
    {
        TestPrompts tp;
        EXPECT_TRUE(SavePictureToTempBmp(MakeTestPicture(2, 2).get()).isEmpty());
        EXPECT_EQ(tp.calls.size(), 1);
    }
}
