#include "base/Screen.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>

namespace {

class Opening : public ::testing::Test {
protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override { ResetWorld(); }
};

TEST_F(Opening, SizeAndPositionFromSettings) {
    struct Row {
        const char* name;
        const char *sx, *sy; // as stored; null = not stored
        int zoomed;          // -1 = not stored
        QRect expect;
        bool maximised;
    };
    const Row rows[] = {
        {"no settings", nullptr, nullptr, -1, QRect(240, 135, 1440, 810), false},
        {"smaller than default", "800", "600", 0, QRect(240, 135, 1440, 810), false},
        {"larger width", "1800", nullptr, -1, QRect(60, 135, 1800, 810), false},
        // Never larger than the desktop, whatever the settings say.
        {"wider than the desktop", "2000", "1100", 0, QRect(0, 0, 1920, 1080), false},
        {"largest 32-bit value", "2147483647", "2147483647", 0, QRect(0, 0, 1920, 1080), false},
        {"beyond 32 bits", "99999999999", "99999999999", 0, QRect(0, 0, 1920, 1080), false},
        {"negative", "-5000", "-1", 0, QRect(240, 135, 1440, 810), false},
        {"maximised keeps stored size", "1500", "900", 1, QRect(210, 90, 1500, 900), true},
    };
    for (const Row& r : rows) {
        ClearSettings();
        if (r.sx)
            WriteSettingString(Setting::EditorWidth, QString::fromLatin1(r.sx));
        if (r.sy)
            WriteSettingString(Setting::EditorHeight, QString::fromLatin1(r.sy));
        if (r.zoomed >= 0)
            WriteSettingInt(Setting::EditorMaximized, r.zoomed);
        EditorWindow editor;
        ASSERT_TRUE(editor.Initialize()) << r.name;
        EXPECT_EQ(editor.isMaximized(), r.maximised) << r.name;
        const QRect g = r.maximised ? editor.normalGeometry() : editor.geometry();
        EXPECT_EQ(g, r.expect) << r.name;
    }
}

TEST_F(Opening, TheWindowFitsASmallOrHighlyScaledDesktop) {
    // 1920 x 1080 at a scale of 2 leaves 960 x 540 for the windows, less a panel.
    ScreenFacts screen = MakeScreen(960, 540);
    screen.desktop = QSize(960, 500);
    screen.workArea = QRect(0, 40, 960, 500);
    SetScreenOverride(screen);
    // Stored from a larger screen, and none stored (three quarters of 500 is below the
    // window's usable minimum height).
    for (const bool stored : {true, false}) {
        SCOPED_TRACE(stored);
        ClearSettings();
        if (stored) {
            WriteSettingInt(Setting::EditorWidth, 1440);
            WriteSettingInt(Setting::EditorHeight, 810);
        }
        EditorWindow editor;
        ASSERT_TRUE(editor.Initialize());
        const QRect g = editor.geometry();
        EXPECT_TRUE(screen.workArea.contains(g))
            << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
        EXPECT_GE(g.height(), editor.minimumHeight());
        EXPECT_LE(editor.minimumHeight(), 500);
    }
}

TEST_F(Opening, OpacityIsClampedTo105Through255) {
    struct Row {
        int stored; // -1 = not stored
        int alpha;
    };
    const Row rows[] = {{-1, 220}, {50, 105}, {0, 105}, {300, 255}, {180, 180}};
    for (const Row& r : rows) {
        ClearSettings();
        if (r.stored >= 0)
            WriteSettingInt(Setting::EditorOpacity, r.stored);
        EditorWindow editor;
        editor.Initialize();
        EXPECT_NEAR(editor.windowOpacity(), r.alpha / 255.0, 0.002) << r.stored;
    }
}

TEST_F(Opening, StartsWithANewDocumentKeepingTheCommandLineFile) {
    CurrentDocument().header.fitToWindow = 0;
    EditorWindow editor;
    editor.m_startFile = QStringLiteral("/nowhere/show.lsr");
    EXPECT_EQ(editor.m_pageCount, INT_MAX);
    ASSERT_TRUE(editor.Initialize());
    EXPECT_EQ(CurrentDocument().slideCount, 0);
    EXPECT_EQ(editor.m_pageCount, 1);
    EXPECT_FALSE(editor.m_modified);
    EXPECT_EQ(CurrentDocument().header.loop, 1);
    EXPECT_EQ(editor.m_startFile, QStringLiteral("/nowhere/show.lsr"));
    EXPECT_TRUE(editor.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(editor.minimumSize(), QSize(488, 508));
}

TEST_F(Opening, ClosingRecordsThePlacement) {
    {
        EditorWindow editor;
        editor.Initialize();
        editor.resize(1500, 900);
    }
    EXPECT_EQ(ReadSettingInt(Setting::EditorMaximized, -1), 0);
    EXPECT_EQ(ReadSettingInt(Setting::EditorWidth, -1), 1500);
    EXPECT_EQ(ReadSettingInt(Setting::EditorHeight, -1), 900);
    {
        EditorWindow editor;
        editor.Initialize();
        editor.setWindowState(Qt::WindowMaximized);
    }
    EXPECT_EQ(ReadSettingInt(Setting::EditorMaximized, -1), 1);
    EXPECT_EQ(ReadSettingInt(Setting::EditorWidth, -1), 1500);
    EXPECT_EQ(ReadSettingInt(Setting::EditorHeight, -1), 900);
}

} // namespace
