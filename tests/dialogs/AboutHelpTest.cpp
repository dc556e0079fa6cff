#include "dialogs/AboutDialog.h"
#include "dialogs/HelpWindow.h"
#include "dialogs/SettingsDialog.h"
#include "dialogs/SlideListDialog.h"
#include "dialogs/SlidePropertiesDialog.h"
#include "dialogs/SwitchTimeDialog.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"
#include "packaging/ui/ExportDialog.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/support/TestPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfBookmarkModel>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

class AboutHelp : public DialogTest {};

/// A one-page PDF at `path`.
void WritePdf(const QString& path) {
    QPdfWriter pdf(path);
    QPainter p(&pdf);
    p.drawText(100, 100, QStringLiteral("test"));
}

TEST_F(AboutHelp, VersionBoxShowsTheNewestVersionFirst) {
    AboutDialog dlg;
    const QStringList lines = dlg.historyEdit()->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], "Ver. 1.01 2022.11.14 Windows 11対応");
    EXPECT_EQ(lines[1], "Ver. 1.00 2012.07.10 新規作成");
    EXPECT_TRUE(dlg.historyEdit()->isReadOnly());
    EXPECT_EQ(dlg.windowTitle(), "バージョン情報");
#if defined(Q_OS_LINUX)
    // The box names the system this copy was built for.
    EXPECT_EQ(dlg.platformLabel()->text(),
              QStringLiteral("Linux %1 版").arg(QSysInfo::buildCpuArchitecture()));
#endif

    EditorWindow editor;
    Script<AboutDialog>([](AboutDialog& d) { QTest::mouseClick(d.okButton(), Qt::LeftButton); });
    editor.OpenVersionInfo();
    EXPECT_EQ(runs, 1);
}

TEST_F(AboutHelp, ManualPathIsNextToTheExecutable) {
    struct Row {
        const char* exe;
        const char* path;
    };
    const Row rows[] = {
        {"/opt/luserio/luserio", "/opt/luserio/Manual.pdf"},
        {"C:\\Program Files\\luserio\\luserio.exe", "C:\\Program Files\\luserio\\Manual.pdf"},
        {"/luserio", "/Manual.pdf"},
        {"luserio", ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(HelpWindow::ManualPath(QString::fromLatin1(r.exe), QStringLiteral("Manual")),
                  QString::fromLatin1(r.path))
            << r.exe;
}

TEST_F(AboutHelp, ManualFoundOpensMaximisedAndTitled) {
    QTemporaryDir dir;
    WritePdf(dir.filePath(QStringLiteral("Manual.pdf")));
    TestPrompts prompts;
    HelpWindow dlg;
    dlg.m_programPath = dir.filePath(QStringLiteral("luserio"));
    dlg.m_manualName = QStringLiteral("Manual");
    ASSERT_TRUE(dlg.Initialize());
    EXPECT_EQ(dlg.windowTitle(), "取扱い説明書") << "the manual's own name, as the help icon says";
    EXPECT_TRUE(dlg.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(dlg.document()->status(), QPdfDocument::Status::Ready);
    EXPECT_EQ(dlg.document()->pageCount(), 1);
    EXPECT_TRUE(prompts.calls.isEmpty());
}

TEST_F(AboutHelp, ManualMissingTellsAndOpensNothing) {
    QTemporaryDir dir;
    TestPrompts prompts;
    {
        HelpWindow dlg;
        dlg.m_programPath = dir.filePath(QStringLiteral("luserio"));
        dlg.m_manualName = QStringLiteral("Manual");
        EXPECT_FALSE(dlg.Initialize());
        EXPECT_EQ(prompts.messageIds(), QList<Msg>{Msg::ManualMissing});
        EXPECT_EQ(prompts.calls[0].kind, MsgKind::Info);
    }
    {
        QDir(dir.path()).mkdir(QStringLiteral("Manual.pdf")); // a folder is not a manual
        HelpWindow dlg;
        dlg.m_programPath = dir.filePath(QStringLiteral("luserio"));
        dlg.m_manualName = QStringLiteral("Manual");
        EXPECT_FALSE(dlg.Initialize());
    }
    {
        HelpWindow dlg;
        dlg.m_programPath = QStringLiteral("luserio");
        dlg.m_manualName = QStringLiteral("Manual");
        EXPECT_FALSE(dlg.Initialize());
        EXPECT_EQ(prompts.messageIds().size(), 2) << "no folder: no message";
    }
}

TEST_F(AboutHelp, HelpIconShowsTheBuiltManual) {
    // The build writes Manual.pdf next to the executables, where this test program
    // lives too, so the editor's help finds it.
    const QString built = QStringLiteral(LSR_BINARY_DIR "/Manual.pdf");
    ASSERT_TRUE(QFile::exists(built)) << "build the manual target first";
    EditorWindow editor;
    Script<HelpWindow>([](HelpWindow& d) {
        EXPECT_EQ(d.windowTitle(), "取扱い説明書");
        EXPECT_EQ(d.document()->status(), QPdfDocument::Status::Ready);
        EXPECT_GE(d.document()->pageCount(), 8) << "a manual worth reading";
        d.close();
    });
    editor.OpenHelp();
    EXPECT_EQ(runs, 1);
}

/// The manual the build writes next to the executables, opened in a help window.
void OpenBuiltManual(HelpWindow& dlg) {
    dlg.m_programPath = QStringLiteral(LSR_BINARY_DIR "/luserio");
    dlg.m_manualName = QStringLiteral("Manual");
    ASSERT_TRUE(dlg.Initialize()) << "build the manual target first";
    ASSERT_EQ(dlg.document()->status(), QPdfDocument::Status::Ready);
}

/// The text of each page of the built manual, as poppler's pdftotext extracts it.
QStringList PopplerPageTexts() {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    EXPECT_FALSE(tool.isEmpty()) << "pdftotext (poppler-utils) is needed";
    QProcess run;
    run.start(tool, {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                     QStringLiteral(LSR_BINARY_DIR "/Manual.pdf"), QStringLiteral("-")});
    EXPECT_TRUE(run.waitForFinished(60000));
    QStringList pages = QString::fromUtf8(run.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

/// Types `text` into `field` the way an input method hands over composed Japanese.
void Type(QLineEdit* field, const QString& text) {
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(field, &commit);
}

/// The share of the pixels of `area` in `image` that are tinted: much more red than blue.
double TintedShare(const QImage& image, QRect area) {
    int tinted = 0;
    int all = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            ++all;
            tinted += c.red() > 150 && c.blue() + 60 < c.red();
        }
    return all > 0 ? double(tinted) / all : 0;
}

TEST_F(AboutHelp, SearchMarksTheMatchesWhereTheManualHasThem) {
    HelpWindow dlg;
    OpenBuiltManual(dlg);
    ShowActive(dlg);
    const QString word = QStringLiteral("透過色");

    // Expected: per page, how often poppler finds the word (line breaks aside).
    QMap<int, int> expected;
    const QStringList pages = PopplerPageTexts();
    ASSERT_EQ(pages.size(), dlg.document()->pageCount());
    static const QRegularExpression space(QStringLiteral("\\s+"));
    for (int p = 0; p < pages.size(); ++p)
        if (const int n = int(QString(pages[p]).remove(space).count(word)))
            expected[p] = n;
    ASSERT_GE(expected.size(), 5) << "the manual speaks of transparent colours throughout";

    QTest::keyClick(dlg.focusWidget(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_EQ(QApplication::focusWidget(), dlg.searchField());
    Type(dlg.searchField(), word);
    QMap<int, int> found;
    for (const ManualView::Mark& m : dlg.view()->marks())
        ++found[m.page];
    EXPECT_EQ(found, expected);
    const int total = int(dlg.view()->marks().size());
    EXPECT_EQ(dlg.currentMatch(), 0);
    EXPECT_EQ(dlg.matchLabel()->text(), QStringLiteral("1 / %1 件").arg(total));

    // Enter and F3 go forward, Shift+F3 back, round past the ends.
    QTest::keyClick(dlg.searchField(), Qt::Key_Return);
    EXPECT_EQ(dlg.currentMatch(), 1);
    QTest::keyClick(dlg.searchField(), Qt::Key_F3);
    EXPECT_EQ(dlg.currentMatch(), 2);
    QTest::keyClick(dlg.searchField(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(dlg.currentMatch(), 1);
    EXPECT_EQ(dlg.matchLabel()->text(), QStringLiteral("2 / %1 件").arg(total));
    dlg.ShowPreviousMatch();
    dlg.ShowPreviousMatch();
    EXPECT_EQ(dlg.currentMatch(), total - 1);

    // The match shown is in view, marked, and lies on the page's print.
    const ManualView::Mark mark = dlg.view()->marks()[dlg.currentMatch()];
    const QRect page = dlg.view()->PageRect(mark.page);
    const qreal s = dlg.view()->Scale();
    const QRect area =
        QRectF(page.left() + mark.rects[0].left() * s, page.top() + mark.rects[0].top() * s,
               mark.rects[0].width() * s, mark.rects[0].height() * s)
            .toAlignedRect();
    ASSERT_TRUE(dlg.view()->viewport()->rect().contains(area));
    EXPECT_GT(TintedShare(dlg.view()->viewport()->grab().toImage(), area), 0.5);
    const QImage print = dlg.document()->render(mark.page, page.size());
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ink += qGray(print.pixel(x - page.left(), y - page.top())) < 128;
    EXPECT_GT(ink, area.width() * area.height() / 20) << "the mark covers the word's print";

    Type(dlg.searchField(), QStringLiteral("ではない言葉"));
    EXPECT_TRUE(dlg.view()->marks().isEmpty());
    EXPECT_EQ(dlg.currentMatch(), -1);
    EXPECT_EQ(dlg.matchLabel()->text(), QStringLiteral("見つかりません"));
}

TEST_F(AboutHelp, PagesTakeTheKeysAsSoonAsTheWindowOpens) {
    HelpWindow dlg;
    OpenBuiltManual(dlg);
    ShowActive(dlg);
    ManualView* view = dlg.view();
    ASSERT_EQ(QApplication::focusWidget(), view);
    const QRect visible = view->viewport()->rect();
    // The first view: the title page whole.
    EXPECT_TRUE(visible.contains(view->PageRect(0))) << view->PageRect(0).height();
    EXPECT_GT(view->PageRect(0).height(), visible.height() * 9 / 10);

    QScrollBar* bar = view->verticalScrollBar();
    QTest::keyClick(view, Qt::Key_PageDown);
    EXPECT_EQ(bar->value(), visible.height());
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(bar->value(), bar->maximum());
    QTest::keyClick(view, Qt::Key_PageUp);
    EXPECT_EQ(bar->value(), bar->maximum() - visible.height());
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_EQ(bar->value(), 0);

    // Zoom: steps of 1.25 from the fitted page, Ctrl+2 the width, Ctrl+0 the page.
    const qreal fitted = view->zoomFactor();
    QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view->zoomFactor(), fitted * 1.25);
    EXPECT_EQ(view->fit(), ManualView::Fit::None);
    QTest::keyClick(view, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_DOUBLE_EQ(view->zoomFactor(), fitted);
    QWheelEvent wheel(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    EXPECT_DOUBLE_EQ(view->zoomFactor(), fitted * 1.25);

    QTest::keyClick(view, Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(view->fit(), ManualView::Fit::Width);
    const QMargins m = view->documentMargins();
    const int room = view->viewport()->width() - m.left() - m.right();
    EXPECT_NEAR(view->PageRect(0).width(), room, 2);
    QTest::keyClick(view, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(view->fit(), ManualView::Fit::Page);
    EXPECT_TRUE(view->viewport()->rect().contains(view->PageRect(0)));
}

TEST_F(AboutHelp, PageRectanglesAreWhereTheViewPaintsThePages) {
    HelpWindow dlg;
    OpenBuiltManual(dlg);
    dlg.show();
    ManualView* view = dlg.view();
    for (const qreal zoom : {0.5, 1.0, 1.7}) {
        view->setZoomFactor(zoom);
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 3);
        const QImage shot = view->viewport()->grab().toImage();
        // The page under the middle of the view: QPdfView fills it white before its
        // picture arrives, and its margins stay white after.
        const int y = shot.height() / 2;
        int page = -1;
        for (int p = 0; p < dlg.document()->pageCount(); ++p)
            if (view->PageRect(p).top() <= y && view->PageRect(p).bottom() >= y)
                page = p;
        ASSERT_GE(page, 0) << zoom;
        const QRect r = view->PageRect(page);
        const auto white = [&](int x, int yy) { return shot.pixel(x, yy) == qRgb(255, 255, 255); };
        ASSERT_TRUE(r.left() >= 0 || r.right() < shot.width()) << "an edge in view";
        if (r.left() >= 0) {
            EXPECT_TRUE(white(r.left(), y)) << zoom;
            if (r.left() > 0) {
                EXPECT_FALSE(white(r.left() - 1, y)) << zoom;
            }
        }
        if (r.right() < shot.width()) {
            EXPECT_TRUE(white(r.right(), y)) << zoom;
            if (r.right() + 1 < shot.width()) {
                EXPECT_FALSE(white(r.right() + 1, y)) << zoom;
            }
        }
        // The page's top or bottom edge, where one is in view.
        const int x = std::clamp(r.left() + 2, 0, shot.width() - 1);
        if (r.top() > 0) {
            EXPECT_TRUE(white(x, r.top())) << zoom;
            EXPECT_FALSE(white(x, r.top() - 1)) << zoom;
        }
        if (r.bottom() + 1 < shot.height()) {
            EXPECT_TRUE(white(x, r.bottom())) << zoom;
            EXPECT_FALSE(white(x, r.bottom() + 1)) << zoom;
        }
    }
}

TEST_F(AboutHelp, OutlineHasEveryChapterAndSectionOfTheSource) {
    QFile source(QStringLiteral(LSR_SOURCE_DIR "/resources/manual/Manual.html"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    // Expected: the <h1> headings in order, each with the <h3> headings under it.
    static const QRegularExpression heading(QStringLiteral("<h([13])[^>]*>(.*?)</h\\1>"));
    QList<QPair<QString, QStringList>> chapters;
    QRegularExpressionMatchIterator it = heading.globalMatch(QString::fromUtf8(source.readAll()));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        // As the reader sees it: white space (the ideographic space too) as one space.
        const QString title = m.captured(2).simplified();
        if (m.captured(1) == QLatin1String("1"))
            chapters.append({title, {}});
        else if (!chapters.isEmpty())
            chapters.last().second.append(title);
    }
    ASSERT_GE(chapters.size(), 10);

    HelpWindow dlg;
    OpenBuiltManual(dlg);
    dlg.show();
    const QAbstractItemModel* model = dlg.outline()->model();
    ASSERT_EQ(model->rowCount(), chapters.size());
    for (int i = 0; i < chapters.size(); ++i) {
        const QModelIndex chapter = model->index(i, 0);
        EXPECT_EQ(chapter.data().toString().simplified(), chapters[i].first);
        QStringList sections;
        for (int j = 0; j < model->rowCount(chapter); ++j)
            sections.append(model->index(j, 0, chapter).data().toString().simplified());
        EXPECT_EQ(sections, chapters[i].second) << chapters[i].first.toStdString();
    }

    // Choosing a chapter shows its page at the view's top: the last page where its
    // heading stands on a line of its own (the table of contents names it first).
    const QStringList pages = PopplerPageTexts();
    for (const int i : {5, int(chapters.size()) - 1}) {
        const QString& title = chapters[i].first;
        int expected = -1;
        for (int p = 0; p < pages.size(); ++p)
            for (const QString& line : pages[p].split(QLatin1Char('\n')))
                if (line.simplified() == title)
                    expected = p;
        ASSERT_GE(expected, 0) << title.toStdString();
        const QModelIndex chapter = model->index(i, 0);
        dlg.outline()->setCurrentIndex(chapter);
        emit dlg.outline()->activated(chapter);
        const QRect page = dlg.view()->PageRect(expected);
        EXPECT_LE(page.top(), dlg.view()->documentMargins().top()) << title.toStdString();
        EXPECT_GT(page.bottom(), dlg.view()->viewport()->height() / 4) << title.toStdString();
    }
}

/// The first heading of the manual's source (chapter or section) titled `title` after
/// its number if it has one, as the reader sees it: "13 実行ファイルの作成".
QString HeadingInSource(const QString& title) {
    QFile source(QStringLiteral(LSR_SOURCE_DIR "/resources/manual/Manual.html"));
    EXPECT_TRUE(source.open(QIODevice::ReadOnly));
    static const QRegularExpression heading(QStringLiteral("<h[1-6][^>]*>(.*?)</h[1-6]>"));
    const QRegularExpression titled(
        QStringLiteral("^(\\d+ )?%1$").arg(QRegularExpression::escape(title)));
    QRegularExpressionMatchIterator it = heading.globalMatch(QString::fromUtf8(source.readAll()));
    while (it.hasNext()) {
        const QString text = it.next().captured(1).simplified();
        if (titled.match(text).hasMatch())
            return text;
    }
    return QString();
}

/// The page of the manual where the heading titled `title` stands: the last page with
/// a line of just that heading (the table of contents names a chapter first).
int PageOfHeading(const QStringList& pages, const QString& title) {
    const QString heading = HeadingInSource(title);
    EXPECT_FALSE(heading.isEmpty()) << title.toStdString();
    int found = -1;
    for (int p = 0; p < pages.size(); ++p)
        for (const QString& line : pages[p].split(QLatin1Char('\n')))
            if (line.simplified() == heading)
                found = p;
    return found;
}

/// The top of the heading titled `title` on page `page` of the built manual, in points
/// from the page's top, as poppler's pdftotext places its words; -1 when not found.
qreal HeadingTop(int page, const QString& title) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    QProcess run;
    run.start(tool, {QStringLiteral("-bbox"), QStringLiteral("-f"), QString::number(page + 1),
                     QStringLiteral("-l"), QString::number(page + 1),
                     QStringLiteral(LSR_BINARY_DIR "/Manual.pdf"), QStringLiteral("-")});
    EXPECT_TRUE(run.waitForFinished(60000));
    static const QRegularExpression word(
        QStringLiteral("<word xMin=\"[^\"]*\" yMin=\"([^\"]*)\"[^>]*>([^<]*)</word>"));
    QRegularExpressionMatchIterator it = word.globalMatch(QString::fromUtf8(run.readAll()));
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(2) == title)
            return m.captured(1).toDouble();
    }
    return -1;
}

/// The outline's entry (chapter or section) titled `title`, after its number if it has one.
QModelIndex OutlineEntry(const QAbstractItemModel* model, const QString& title,
                         const QModelIndex& parent = QModelIndex()) {
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex entry = model->index(row, 0, parent);
        const QString text = entry.data().toString().simplified();
        if (text == title || text.endsWith(QLatin1Char(' ') + title))
            return entry;
        if (const QModelIndex below = OutlineEntry(model, title, entry); below.isValid())
            return below;
    }
    return QModelIndex();
}

/// The page on show: the one across the line 40 % down the view, a gap between two pages
/// counting for the page below it.
int PageAcrossLine(const ManualView& view) {
    const int line = view.viewport()->height() * 2 / 5;
    const int pages = view.document()->pageCount();
    for (int p = 0; p < pages; ++p)
        if (view.PageRect(p).bottom() >= line)
            return p;
    return pages - 1;
}

void CtrlWheel(ManualView* view, int delta) {
    QWheelEvent wheel(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(view->viewport(), &wheel);
}

TEST_F(AboutHelp, EveryZoomKeepsThePageOnShowAndTheCounterTellsIt) {
    HelpWindow dlg;
    OpenBuiltManual(dlg);
    dlg.setWindowState(Qt::WindowNoState);
    dlg.resize(1200, 800);
    ShowActive(dlg);
    ManualView* view = dlg.view();
    const QStringList pages = PopplerPageTexts();
    const int count = dlg.document()->pageCount();
    ASSERT_EQ(pages.size(), count);
    const auto counter = [count](int page) {
        return QStringLiteral("%1 / %2 ページ").arg(page + 1).arg(count);
    };

    // Where the reading starts: a chapter chosen in the outline over whole pages (on the
    // page where the manual has its heading), or a place scrolled to.
    struct Start {
        const char* name;
        const char* chapter; ///< null: scrolled
    };
    const Start starts[] = {
        {"chapter 13 chosen over whole pages", "実行ファイルの作成"},
        {"a chapter that begins a page", "キー操作の一覧"},
        {"scrolled to the middle two steps larger", nullptr},
    };
    // Every way to zoom, one after the other.
    struct Step {
        const char* name;
        std::function<void()> act;
    };
    const auto key = [view](int k) { QTest::keyClick(view, Qt::Key(k), Qt::ControlModifier); };
    const Step steps[] = {
        {"Ctrl+2", [&] { key(Qt::Key_2); }},
        {"Ctrl++", [&] { key(Qt::Key_Plus); }},
        {"Ctrl++ again", [&] { key(Qt::Key_Plus); }},
        {"Ctrl+-", [&] { key(Qt::Key_Minus); }},
        {"Ctrl and the wheel back", [&] { CtrlWheel(view, -120); }},
        {"Ctrl and the wheel forward", [&] { CtrlWheel(view, 120); }},
        {"Ctrl+0", [&] { key(Qt::Key_0); }},
        {"Ctrl+2 again", [&] { key(Qt::Key_2); }},
        {"a narrower window", [&] { dlg.resize(800, 800); }},
        {"a wider window", [&] { dlg.resize(1200, 800); }},
        {"Ctrl+0 at last", [&] { key(Qt::Key_0); }},
    };
    for (const Start& start : starts) {
        key(Qt::Key_0);
        int expected = -1;
        if (start.chapter) {
            const QString title = QString::fromUtf8(start.chapter);
            expected = PageOfHeading(pages, title);
            const QModelIndex entry = OutlineEntry(dlg.outline()->model(), title);
            ASSERT_TRUE(entry.isValid()) << start.name;
            dlg.outline()->setCurrentIndex(entry);
            emit dlg.outline()->activated(entry);
        } else {
            key(Qt::Key_Plus);
            key(Qt::Key_Plus);
            view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
            expected = PageAcrossLine(*view);
        }
        ASSERT_GT(expected, 0) << start.name;
        ASSERT_EQ(PageAcrossLine(*view), expected) << start.name;
        EXPECT_EQ(dlg.pageLabel()->text(), counter(expected)) << start.name;
        for (const Step& step : steps) {
            step.act();
            EXPECT_EQ(PageAcrossLine(*view), expected) << start.name << ", " << step.name;
            EXPECT_EQ(dlg.pageLabel()->text(), counter(expected))
                << start.name << ", " << step.name;
        }
    }
}

TEST_F(AboutHelp, F1OpensTheManualAtTheChapterOfItsWindow) {
    const QStringList pages = PopplerPageTexts();
    EditorWindow editor; // the owner the slide dialogs need
    CurrentDocument().slides[0].picture = MakeTestPicture(40, 30);
    CurrentDocument().slideCount = 1;
    RecalcPages(editor);
    struct Row {
        const char* window;
        std::function<std::unique_ptr<QWidget>()> make;
        const char* chapter; ///< null: the title page, as the help icon shows it
    };
    const Row rows[] = {
        {"editor", [] { return std::make_unique<EditorWindow>(); }, nullptr},
        {"switch times", [] { return std::make_unique<SwitchTimeDialog>(); },
         "時間セットで一覧表から変える"},
        {"slide list", [&] { return std::make_unique<SlideListDialog>(&editor); },
         "スライドの一覧"},
        {"slide properties", [&] { return std::make_unique<SlidePropertiesDialog>(&editor); },
         "スライドのプロパティ"},
        {"settings", [] { return std::make_unique<SettingsDialog>(); }, "システムの環境設定"},
        {"version box", [] { return std::make_unique<AboutDialog>(); }, "バージョン情報とヘルプ"},
        {"export", [] { return std::make_unique<ExportDialog>(); }, "実行ファイルの作成"},
    };
    for (const Row& r : rows) {
        const QString chapter = r.chapter ? QString::fromUtf8(r.chapter) : QString();
        const int page = r.chapter ? PageOfHeading(pages, chapter) : 0;
        ASSERT_GE(page, 0) << r.window;
        int opened = 0;
        SetModalRunner([&](QDialog& d) {
            ++opened;
            auto* help = dynamic_cast<HelpWindow*>(&d);
            EXPECT_NE(help, nullptr) << r.window;
            if (!help)
                return int(QDialog::Rejected);
            d.show();
            EXPECT_EQ(help->windowTitle(), "取扱い説明書") << r.window;
            const ManualView* view = help->view();
            const QRect shown = view->PageRect(page);
            if (r.chapter) {
                // The chapter's heading stands at the view's top, chosen in the outline.
                const qreal top = HeadingTop(page, chapter);
                EXPECT_GE(top, 0) << r.window;
                const int at = shown.top() + qRound(top * view->Scale());
                EXPECT_GE(at, 0) << r.window;
                EXPECT_LT(at, view->viewport()->height() / 8) << r.window;
                EXPECT_EQ(help->outline()->currentIndex(),
                          OutlineEntry(help->outline()->model(), chapter))
                    << r.window;
            } else {
                EXPECT_TRUE(view->viewport()->rect().contains(shown)) << r.window;
            }
            d.hide();
            return int(QDialog::Rejected);
        });
        const std::unique_ptr<QWidget> window = r.make();
        ShowActive(*window);
        QTest::keyClick(window.get(), Qt::Key_F1);
        EXPECT_EQ(opened, 1) << r.window;
        SetModalRunner({});
    }

    // In the help window itself F1 shows the chapter about it, in the same window.
    HelpWindow dlg;
    OpenBuiltManual(dlg);
    ShowActive(dlg);
    int opened = 0;
    SetModalRunner([&opened](QDialog&) { return ++opened, int(QDialog::Rejected); });
    QTest::keyClick(dlg.view(), Qt::Key_F1);
    EXPECT_EQ(opened, 0);
    const QString own = QStringLiteral("バージョン情報とヘルプ");
    EXPECT_EQ(dlg.outline()->currentIndex(), OutlineEntry(dlg.outline()->model(), own));
    EXPECT_LE(dlg.view()->PageRect(PageOfHeading(pages, own)).top(),
              dlg.view()->documentMargins().top());
}

} // namespace
