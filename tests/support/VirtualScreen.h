#pragma once
// A virtual X server of a test's own (Xvfb), for the programs under test that need a
// display: the player runtime draws on X11 alone.

#include <QProcess>
#include <QStandardPaths>
#include <QString>

class VirtualScreen {
public:
    VirtualScreen() = default;
    ~VirtualScreen() {
        if (m_x.state() == QProcess::NotRunning)
            return;
        m_x.terminate();
        if (!m_x.waitForFinished(5000)) {
            m_x.kill();
            m_x.waitForFinished();
        }
    }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    /// Starts a server of width x height; false when Xvfb is missing or did not start.
    bool Start(int width = 640, int height = 480) {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            return false;
        m_x.start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                   QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(width).arg(height),
                   QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        QByteArray number;
        while (!number.contains('\n') && m_x.waitForReadyRead(20000))
            number += m_x.readAllStandardOutput();
        if (number.trimmed().isEmpty())
            return false;
        m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
        return true;
    }
    /// ":N", for DISPLAY.
    QString Display() const { return m_display; }

private:
    QProcess m_x;
    QString m_display;
};
