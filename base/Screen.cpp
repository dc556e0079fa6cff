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

std::optional<QRect> WorkAreaHolding(QPoint point) {
    if (g_override || !qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        const ScreenFacts facts = Screen();
        if (QRect(QPoint(0, 0), facts.full).united(facts.workArea).contains(point))
            return facts.workArea;
        return std::nullopt;
    }
    // The screen's whole area decides (a point on a panel belongs to its screen); the
    // answer is the part of it windows may use.
    if (const QScreen* screen = QGuiApplication::screenAt(point))
        return screen->availableGeometry();
    return std::nullopt;
}

QRect WorkAreaAt(QPoint point) {
    return WorkAreaHolding(point).value_or(Screen().workArea);
}

void SetScreenOverride(std::optional<ScreenFacts> facts) {
    g_override = std::move(facts);
}
