#include "Screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace {
std::optional<ScreenFacts> g_override;
}

ScreenFacts MakeScreen(int width, int height, int depth) {
    ScreenFacts f;
    f.desktop = QSize(width, height);
    f.full = QSize(width, height);
    f.workArea = QRect(0, 0, width, height);
    f.depth = depth;
    return f;
}

ScreenFacts Screen() {
    if (g_override)
        return *g_override;
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    if (!screen)
        return MakeScreen(1024, 768);
    ScreenFacts f;
    f.workArea = screen->availableGeometry();
    f.desktop = f.workArea.size();
    f.full = screen->geometry().size();
    f.dpiX = qRound(screen->logicalDotsPerInchX());
    f.dpiY = qRound(screen->logicalDotsPerInchY());
    f.depth = screen->depth();
    return f;
}

void SetScreenOverride(std::optional<ScreenFacts> facts) {
    g_override = std::move(facts);
}
