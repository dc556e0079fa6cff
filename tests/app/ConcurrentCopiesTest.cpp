// Two copies of the program at work at once, sharing one temporary folder: each save
// and each export must end with its own complete file.

#include "document/DocumentStream.h"
#include "document/SlideTable.h"
#include "packaging/Executable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <tuple>

namespace {

/// Starts `luserio` with `args`, without a display, sharing the temporary folder `tmp`.
std::unique_ptr<QProcess> startLuserio(const QStringList& args, const QString& tmp) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(v));
    env.insert(QStringLiteral("TMPDIR"), tmp);
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QStringLiteral(LSR_BINARY_DIR "/luserio"), args);
    return p;
}

int finish(QProcess& p) {
    if (!p.waitForFinished(60000))
        return -1;
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

/// A picture file of its own size and colour, so each document is told apart.
QString writePicture(const QString& path, QSize size, QColor colour) {
    QImage img(size, QImage::Format_RGB32);
    img.fill(colour);
    EXPECT_TRUE(img.save(path));
    return path;
}

/// The slide sizes of the document stream `bytes`.
QList<QSize> slideSizes(QByteArray bytes) {
    ResetWorld();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TestPrompts quiet;
    QList<QSize> sizes;
    if (!ReadDocumentStream(buffer))
        return sizes;
    for (int i = 0; i < CurrentDocument().slideCount; ++i)
        sizes << GetPictureSize(CurrentDocument().slides[i].picture);
    return sizes;
}

} // namespace

TEST(ConcurrentCopies, SameNamedSavesAndSimultaneousExportsStaySeparate) {
    QTemporaryDir dir, tmp;
    const QString base = dir.path() + QLatin1Char('/');
    QDir().mkdir(base + "a");
    QDir().mkdir(base + "b");
    // Many slides, so that the two saves overlap in time.
    QStringList picsA, picsB;
    for (int i = 0; i < 12; ++i) {
        picsA << writePicture(base + QStringLiteral("a%1.bmp").arg(i), QSize(300, 200), Qt::red);
        picsB << writePicture(base + QStringLiteral("b%1.bmp").arg(i), QSize(120, 90), Qt::blue);
    }
    picsB = picsB.mid(0, 7);
    const QString runtime = QStringLiteral(LSR_BINARY_DIR "/") + QLatin1String(kRuntimeFileName);
    const qint64 runtimeSize = QFileInfo(runtime).size();
    ASSERT_GT(runtimeSize, 0);

    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        auto a = startLuserio(QStringList{"--build", base + "a/show.lsr"} + picsA, tmp.path());
        auto b = startLuserio(QStringList{"--build", base + "b/show.lsr"} + picsB, tmp.path());
        ASSERT_EQ(finish(*a), 0);
        ASSERT_EQ(finish(*b), 0);

        auto ea =
            startLuserio({"--export-exe", base + "a/show.lsr", base + "a/show.exe"}, tmp.path());
        auto eb =
            startLuserio({"--export-exe", base + "b/show.lsr", base + "b/show.exe"}, tmp.path());
        ASSERT_EQ(finish(*ea), 0);
        ASSERT_EQ(finish(*eb), 0);

        // Each executable is whole and carries its own document's slides.
        for (const auto& [name, count, size] :
             {std::tuple{"a", 12, QSize(300, 200)}, std::tuple{"b", 7, QSize(120, 90)}}) {
            SCOPED_TRACE(name);
            const QString exe = base + name + "/show.exe";
            qint64 offset = 0, length = 0;
            ASSERT_TRUE(FindEmbeddedStream(exe, &offset, &length));
            EXPECT_EQ(offset, runtimeSize);
            const QList<QSize> sizes = slideSizes(ReadFileBytes(exe).mid(offset, length));
            EXPECT_EQ(sizes, QList<QSize>(count, size));
        }
        // Nothing is left behind in the shared working folder.
        const QStringList left =
            QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QString& folder : left)
            EXPECT_TRUE(QDir(tmp.path() + "/" + folder).isEmpty()) << folder.toStdString();
    }
}
