#pragma once
// The help window: shows the user manual, a PDF file next to the executable, inside a
// resizable, maximised window titled 取扱い説明書. Its outline is a side panel; a search
// field finds words (Ctrl+F; Enter or F3 the next match, Shift+F3 the previous one) and
// marks every match; the pages zoom (Ctrl++, Ctrl+-, Ctrl with the wheel) and fit the
// whole page (Ctrl+0) or the width (Ctrl+2), the page on show kept. The pages have the
// keyboard from the start: Page Up/Down, Home/End and the arrows move through them.
// F1 opens it from the editor and the dialogs, at the chapter of the window it came from.

#include "dialogs/ManualView.h"

#include <QDialog>
#include <QString>

class QAction;
class QLabel;
class QLineEdit;
class QPdfBookmarkModel;
class QPdfDocument;
class QPdfSearchModel;
class QTreeView;

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    QString m_manualName;  ///< the manual's base name (string Msg::ManualName, "Manual")
    QString m_programPath; ///< the running executable's path; set by the constructor
    /// The window's title: the manual's own name, as the help icon calls it.
    static constexpr const char* kTitle = "取扱い説明書";
    /// The chapter of the help window itself, which F1 shows there.
    static constexpr const char* kOwnChapter = "バージョン情報とヘルプ";

    /// The manual's path: the executable's folder (with its trailing separator) plus
    /// `manual` and ".pdf"; empty when `exePath` has no separator.
    static QString ManualPath(const QString& exePath, const QString& manual);

    /// Finds and loads the manual. False when the window must not stay open: the
    /// executable's path has no folder (nothing shown), or the manual is missing
    /// (message Msg::ManualMissing).
    bool Initialize();

    /// Shows the entry of the manual's outline titled `title`, a chapter or a section (the
    /// first of that title; a chapter's number before its title is not compared), and
    /// selects it in the outline. False when the outline has no such entry: the view
    /// stays where it was. Before the window shows, again when it shows at its size.
    bool ShowChapter(const QString& title);
    /// An outline entry's title without the chapter's number before it:
    /// "13　実行ファイルの作成" gives 実行ファイルの作成.
    static QString WithoutNumber(const QString& title);

    /// Marks every match of `text` and shows the first one from the page on show on.
    void Search(const QString& text);
    /// Shows the next (or previous) match, round from the last to the first.
    void ShowNextMatch();
    void ShowPreviousMatch();
    /// The match shown (an index into view()->marks()); -1 when there is none.
    int currentMatch() const { return m_current; }

    ManualView* view() const { return m_view; }
    QPdfDocument* document() const { return m_document; }
    QLineEdit* searchField() const { return m_search; }
    QLabel* matchLabel() const { return m_matches; }
    QTreeView* outline() const { return m_outline; }
    /// "n / N ページ": the page on show and the number of pages.
    QLabel* pageLabel() const { return m_pageLabel; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void ShowMatch(int index);
    void ShowOutlineEntry(const QModelIndex& index);
    void UpdatePageLabel();
    void UpdateFitActions();

    QPdfDocument* m_document = nullptr;
    QPdfSearchModel* m_searchModel = nullptr;
    QPdfBookmarkModel* m_bookmarks = nullptr;
    ManualView* m_view = nullptr;
    QTreeView* m_outline = nullptr;
    QLineEdit* m_search = nullptr;
    QLabel* m_matches = nullptr;
    QLabel* m_pageLabel = nullptr;
    QAction* m_fitWidth = nullptr;
    QAction* m_fitPage = nullptr;
    int m_current = -1;
    QString m_chapterWhenShown; ///< shown again once the window shows at its size
};

/// Opens the manual in a help window owned by `parent` (run modally), at the outline entry
/// titled `chapter` (HelpWindow::ShowChapter); at its title page when `chapter` is empty
/// or not in the outline. Tells the user when the manual is missing.
void ShowHelp(QWidget* parent, const QString& chapter = QString());

/// Gives `window` the help key F1 (an action named "help"): the manual at `chapter`.
QAction* AddHelpCommand(QWidget* window, const QString& chapter);
