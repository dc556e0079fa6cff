// The installed program: `cmake --install` into a temporary prefix, then the launcher,
// the companions, the desktop entry, the document type and the icons as a desktop
// finds them.

#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestPrompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#if defined(Q_OS_UNIX)
#include <unistd.h>
#endif

namespace {

struct Result {
    int code = -1;
    QByteArray out, err;
};

/// Runs `program` without any display, as from a terminal or a desktop's launcher;
/// `dataDir` is put first in the desktop's data folders when given.
Result run(const QString& program, const QStringList& args, const QString& dataDir = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(v));
    if (!dataDir.isEmpty())
        env.insert(QStringLiteral("XDG_DATA_DIRS"), dataDir + QStringLiteral(":/usr/share"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    Result r;
    if (!p.waitForFinished(120000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString readLink(const QString& path) {
#if defined(Q_OS_UNIX)
    char buf[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buf, sizeof buf);
    return n > 0 ? QFile::decodeName(QByteArray(buf, int(n))) : QString();
#else
    return QFileInfo(path).symLinkTarget();
#endif
}

/// The keys of a desktop entry's main group.
QMap<QString, QString> desktopEntry(const QString& path) {
    QMap<QString, QString> keys;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const int eq = int(line.indexOf(QLatin1Char('=')));
        if (eq > 0 && !line.startsWith(QLatin1Char('#')))
            keys.insert(line.left(eq), line.mid(eq + 1));
    }
    return keys;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Installed : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<QTemporaryDir>();
        s_prefix = QFileInfo(s_dir->path()).canonicalFilePath() + QStringLiteral("/prefix");
        s_install = run(QStringLiteral(LSR_CMAKE_COMMAND),
                        {"--install", LSR_BINARY_DIR, "--prefix", s_prefix});
    }
    static void TearDownTestSuite() { s_dir.reset(); }
    void SetUp() override {
        ASSERT_EQ(s_install.code, 0) << s_install.out.toStdString() << s_install.err.toStdString();
        ResetWorld();
    }
    void TearDown() override { ResetWorld(); }

    static QString programFolder() { return s_prefix + QStringLiteral("/libexec/luserio"); }
    static QString share() { return s_prefix + QStringLiteral("/share"); }

    static inline std::unique_ptr<QTemporaryDir> s_dir;
    static inline QString s_prefix;
    static inline Result s_install;
};

TEST_F(Installed, ProgramFolderHoldsTheProgramAndItsCompanions) {
    struct Row {
        const char* name;
        bool executable;
    };
    for (const Row& r :
         {Row{"luserio", true}, Row{"LsrCtrl.dll", true}, Row{"Manual.pdf", false}}) {
        const QFileInfo info(programFolder() + QLatin1Char('/') + QLatin1String(r.name));
        EXPECT_TRUE(info.isFile() && !info.isSymLink()) << r.name;
        EXPECT_EQ(info.isExecutable(), r.executable) << r.name;
    }
    EXPECT_TRUE(readFile(programFolder() + "/Manual.pdf").startsWith("%PDF-"));
    // The Windows runtime, when the build made one, is copied as it is (a data file here).
    const QString windowsRuntime = QStringLiteral(LSR_BINARY_DIR "/LsrCtrl-windows.exe");
    if (QFileInfo::exists(windowsRuntime)) {
        const QString installed = programFolder() + QStringLiteral("/LsrCtrl-windows.exe");
        EXPECT_EQ(readFile(installed), readFile(windowsRuntime));
        EXPECT_FALSE(QFileInfo(installed).isExecutable());
    }
    // The launcher is a relative link, so the installed tree can be moved as a whole.
    const QString launcher = s_prefix + "/bin/luserio";
    EXPECT_TRUE(QFileInfo(launcher).isSymLink());
    EXPECT_EQ(readLink(launcher), QStringLiteral("../libexec/luserio/luserio"));
}

TEST_F(Installed, LauncherFindsTheCompanionsAndReadsDocuments) {
    QTemporaryDir work;
    const QString root = QFileInfo(work.path()).canonicalFilePath();
    const QString doc = root + "/Show.lsr";
    {
        CountingEditState ed;
        NewDocument(ed);
        FillSlides(ed, 2);
        TestPrompts p;
        ASSERT_TRUE(WriteDocumentFile(doc));
    }
    // Started through the launcher on the PATH and through a link to that link.
    ASSERT_TRUE(QFile::link(s_prefix + "/bin/luserio", root + "/slides"));
    for (const QString& launcher : {s_prefix + "/bin/luserio", root + "/slides"}) {
        const Result v = run(launcher, {"--version"});
        EXPECT_EQ(v.code, 0) << launcher.toStdString();
        EXPECT_TRUE(v.out.contains(" 1.01 (")) << v.out.toStdString();

        const Result info = run(launcher, {"--info", doc});
        EXPECT_EQ(info.code, 0) << info.err.toStdString();
        EXPECT_TRUE(info.out.contains("\"slideCount\": 2")) << info.out.toStdString();

        const Result help = run(launcher, {"--help"});
        const QString text = QString::fromLocal8Bit(help.out);
        EXPECT_EQ(help.code, 0);
        EXPECT_TRUE(text.contains("Program folder: " + programFolder() + "\n"))
            << help.out.toStdString();
        EXPECT_TRUE(text.contains(programFolder() + "/LsrCtrl.dll\n")) << help.out.toStdString();
        EXPECT_TRUE(text.contains(programFolder() + "/Manual.pdf\n")) << help.out.toStdString();
        EXPECT_FALSE(text.contains("(missing)")) << help.out.toStdString();
    }
    // The installed tree still works after moving it elsewhere.
    const QString moved = root + "/moved";
    ASSERT_TRUE(QDir().rename(s_prefix, moved));
    const Result help = run(moved + "/bin/luserio", {"--help"});
    ASSERT_TRUE(QDir().rename(moved, s_prefix));
    EXPECT_TRUE(QString::fromLocal8Bit(help.out).contains("Program folder: " + moved +
                                                          "/libexec/luserio\n"))
        << help.out.toStdString();
    EXPECT_FALSE(help.out.contains("(missing)")) << help.out.toStdString();
}

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)

TEST_F(Installed, DesktopEntryIsValidAndOpensDocuments) {
    const QString entry = share() + "/applications/luserio.desktop";
    const Result check = run(QStringLiteral("desktop-file-validate"), {entry});
    EXPECT_EQ(check.code, 0) << check.out.toStdString() << check.err.toStdString();
    EXPECT_TRUE(check.out.isEmpty() && check.err.isEmpty())
        << "no warnings or hints: " << check.out.toStdString();

    const QMap<QString, QString> keys = desktopEntry(entry);
    EXPECT_EQ(keys.value("Name"), QStringLiteral("Luserio"));
    EXPECT_EQ(keys.value("Name[ja]"), QStringLiteral("ルセリオ"));
    EXPECT_FALSE(keys.value("Comment").isEmpty());
    EXPECT_FALSE(keys.value("Comment[ja]").isEmpty());
    // A double-clicked document is handed over as the command line's start file.
    EXPECT_EQ(keys.value("Exec"), QStringLiteral("luserio %f"));
    EXPECT_TRUE(QFileInfo(s_prefix + "/bin/luserio").isExecutable());
    EXPECT_EQ(keys.value("Icon"), QStringLiteral("luserio"));
    EXPECT_EQ(keys.value("MimeType"), QStringLiteral("application/x-luserio-document;"));

    // "Open with" finds the program for the document type.
    const Result db =
        run(QStringLiteral("update-desktop-database"), {share() + "/applications"}, share());
    EXPECT_EQ(db.code, 0) << db.err.toStdString();
    EXPECT_TRUE(readFile(share() + "/applications/mimeinfo.cache")
                    .contains("application/x-luserio-document=luserio.desktop;"));
}

TEST_F(Installed, DocumentTypeIsKnownByItsExtensionWithItsIcon) {
    const Result db = run(QStringLiteral("update-mime-database"), {share() + "/mime"}, share());
    EXPECT_EQ(db.code, 0) << db.err.toStdString();
    EXPECT_TRUE(db.err.isEmpty()) << db.err.toStdString();
    const QString mime = share() + "/mime";
    EXPECT_TRUE(readFile(mime + "/globs2").contains(":application/x-luserio-document:*.lsr"));
    EXPECT_TRUE(readFile(mime + "/icons")
                    .contains("application/x-luserio-document:application-x-luserio-document"));
    EXPECT_TRUE(readFile(mime + "/subclasses")
                    .contains("application/x-luserio-document application/vnd.ms-cab-compressed"));
    EXPECT_TRUE(readFile(mime + "/application/x-luserio-document.xml").contains("ルセリオ"));
}

TEST_F(Installed, IconsInEverySizeAndScalable) {
    const QString hicolor = share() + "/icons/hicolor";
    for (const char* name : {"apps/luserio", "mimetypes/application-x-luserio-document"}) {
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString path = QStringLiteral("%1/%2x%2/%3.png").arg(hicolor).arg(size).arg(name);
            const QImage icon(path);
            ASSERT_FALSE(icon.isNull()) << path.toStdString();
            EXPECT_EQ(icon.size(), QSize(size, size)) << path.toStdString();
            EXPECT_TRUE(icon.hasAlphaChannel()) << path.toStdString();
            EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << "transparent corner " << path.toStdString();
            EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << path.toStdString();
        }
        const QString svg = QStringLiteral("%1/scalable/%2.svg").arg(hicolor, name);
        EXPECT_TRUE(QSvgRenderer(svg).isValid()) << svg.toStdString();
    }
}

#endif

} // namespace
