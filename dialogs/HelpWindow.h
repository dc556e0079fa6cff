#pragma once
// The help window: shows the user manual, a PDF file next to the executable, inside a
// resizable, maximised window titled with the manual's name. Its outline is a side
// panel; a search field finds words (Ctrl+F; Enter or F3 the next match, Shift+F3 the
// previous one) and marks every match; the pages zoom (Ctrl++, Ctrl+-, Ctrl with the
// wheel) and fit the whole page (Ctrl+0) or the width (Ctrl+2), the page on show kept,
// as the page counter tells. The pages have the
// keyboard from the start: Page Up/Down, Home/End and the arrows move through them.

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

    /// The manual's path: the executable's folder (with its trailing separator) plus
    /// `manual` and ".pdf"; empty when `exePath` has no separator.
    static QString ManualPath(const QString& exePath, const QString& manual);

    /// Finds and loads the manual. False when the window must not stay open: the
    /// executable's path has no folder (nothing shown), or the manual is missing
    /// (message Msg::ManualMissing).
    bool Initialize();

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
};
