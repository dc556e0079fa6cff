// The Debian package `make package` builds: its control data and its files.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(Q_OS_LINUX)

namespace {

QByteArray runOk(const QString& program, const QStringList& args, const QString& workDir = {}) {
    QProcess p;
    p.setWorkingDirectory(workDir);
    p.start(program, args);
    if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString()
                      << " failed: " << p.readAllStandardError().toStdString()
                      << p.readAllStandardOutput().toStdString();
        return {};
    }
    return p.readAllStandardOutput();
}

/// The package names a Depends field mentions, alternatives included.
QSet<QString> packageNames(const QString& depends) {
    QSet<QString> names;
    static const QRegularExpression split(QStringLiteral("[,|]"));
    const QStringList parts = depends.split(split, Qt::SkipEmptyParts);
    for (const QString& part : parts)
        names.insert(part.trimmed().section(QLatin1Char(' '), 0, 0));
    return names;
}

TEST(Package, DebianPackageListsItsDependenciesAndFiles) {
    QTemporaryDir out;
    runOk(QStringLiteral(LSR_CPACK_COMMAND),
          {"--config", LSR_BINARY_DIR "/CPackConfig.cmake", "-G", "DEB", "-B", out.path()});
    const QStringList debs = QDir(out.path()).entryList({"*.deb"}, QDir::Files);
    ASSERT_EQ(debs.size(), 1) << debs.join(' ').toStdString();
    const QString deb = out.path() + QLatin1Char('/') + debs.first();

    const auto field = [&](const char* name) {
        return QString::fromUtf8(runOk("dpkg-deb", {"-f", deb, name})).trimmed();
    };
    EXPECT_EQ(field("Package"), QStringLiteral("luserio"));
    EXPECT_EQ(field("Version"), QStringLiteral(LSR_VERSION));
    const QSet<QString> depends = packageNames(field("Depends"));
    for (const char* needed : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6svg6",
                               "libqt6pdf6", "libqt6pdfwidgets6", "qt6-image-formats-plugins",
                               "qt6-wayland", "zlib1g", "fonts-noto-cjk"})
        EXPECT_TRUE(depends.contains(QLatin1String(needed))) << needed;
    const QSet<QString> recommends = packageNames(field("Recommends"));
    EXPECT_TRUE(recommends.contains(QLatin1String("xdg-utils")));
#ifdef LSR_HAVE_TURBOJPEG
    // Loaded at run time to turn photos, so none of the libraries the program links to.
    EXPECT_TRUE(recommends.contains(QLatin1String("libturbojpeg0")));
#endif

    const QString files = QString::fromUtf8(runOk("dpkg-deb", {"-c", deb}));
    for (const char* path :
         {"./usr/bin/luserio -> ../libexec/luserio/luserio", "./usr/libexec/luserio/luserio\n",
          "./usr/libexec/luserio/LsrCtrl.dll\n", "./usr/libexec/luserio/Manual.pdf\n",
          "./usr/share/applications/luserio.desktop\n", "./usr/share/mime/packages/luserio.xml\n",
          "./usr/share/icons/hicolor/48x48/apps/luserio.png\n",
          "./usr/share/icons/hicolor/scalable/apps/luserio.svg\n",
          "./usr/share/icons/hicolor/scalable/mimetypes/application-x-luserio-document.svg\n"})
        EXPECT_TRUE(files.contains(QLatin1String(path))) << path;
    if (QFileInfo::exists(QStringLiteral(LSR_BINARY_DIR "/LsrCtrl-windows.exe"))) {
        EXPECT_TRUE(files.contains(QLatin1String("./usr/libexec/luserio/LsrCtrl-windows.exe\n")));
    }
    // The desktop's caches are refreshed by the file triggers of the packages that own
    // them; the package runs no scripts of its own.
    QTemporaryDir control;
    runOk("dpkg-deb", {"-e", deb, control.path()});
    for (const char* script : {"preinst", "postinst", "prerm", "postrm"})
        EXPECT_FALSE(QFile::exists(control.path() + "/" + script)) << script;
}

} // namespace

#endif
