// The main of every test program: a QApplication on the offscreen platform, settings
// in a private temporary folder, then GoogleTest.

#include "base/Platform.h"

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir settingsDir;
    qputenv("XDG_CONFIG_HOME", settingsDir.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    // Each test program has its own temporary folder, so working folders never collide.
    QTemporaryDir tempDir;
    qputenv("TMPDIR", tempDir.path().toLocal8Bit());
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("luserio-tests"));
    InstallFontSubstitutions();
    InstallImageLimits();
    return RUN_ALL_TESTS();
}
