#include "app/CommandLine.h"
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
        int sx, sy, zoomed; // -1 = not stored
        QRect expect;
        bool maximised;
    };
    const Row rows[] = {
        {"no settings", -1, -1, -1, QRect(240, 135, 1440, 810), false},
        {"smaller than default", 800, 600, 0, QRect(240, 135, 1440, 810), false},
        {"larger width", 1800, -1, -1, QRect(60, 135, 1800, 810), false},
        {"wider than the desktop", 2000, 1100, 0, QRect(-40, -10, 2000, 1100), false},
        {"maximised keeps stored size", 1500, 900, 1, QRect(210, 90, 1500, 900), true},
    };
    for (const Row& r : rows) {
        ClearSettings();
        if (r.sx >= 0)
            WriteSettingInt(Setting::EditorWidth, r.sx);
        if (r.sy >= 0)
            WriteSettingInt(Setting::EditorHeight, r.sy);
        if (r.zoomed >= 0)
            WriteSettingInt(Setting::EditorMaximized, r.zoomed);
        EditorWindow editor;
        ASSERT_TRUE(editor.Initialize()) << r.name;
        EXPECT_EQ(editor.isMaximized(), r.maximised) << r.name;
        const QRect g = r.maximised ? editor.normalGeometry() : editor.geometry();
        EXPECT_EQ(g, r.expect) << r.name;
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

TEST_F(Opening, FirstNonOptionArgumentIsTheStartFile) {
    EXPECT_EQ(FirstNonOptionArgument(
                  {QStringLiteral("-x"), QStringLiteral("a.lsr"), QStringLiteral("b.lsr")}),
              QStringLiteral("a.lsr"));
    EXPECT_EQ(FirstNonOptionArgument({QStringLiteral("--info")}), QString());
}

} // namespace
