#pragma once
// The slide list: every slide of the document in one table (number, size, data size,
// transparent colour, switch time, running total). A row selects its slide in the
// editor; checked rows are deleted together. Changes take effect at once.

#include <QDialog>
#include <memory>
#include <set>

class EditorWindow;
class QAction;
class QMenu;
class QTableWidget;

class SlideListDialog : public QDialog {
    Q_OBJECT
public:
    explicit SlideListDialog(EditorWindow* parent);

    EditorWindow* m_editor = nullptr;
    int m_menuRow = -1; ///< first selected row when the context menu opened

    /// Fills the list from the slide table (all rows unchecked).
    void FillList();

    QTableWidget* list() const { return m_list; }
    /// The rows whose check boxes are set, in list order.
    std::set<int> CheckedRows() const;
    /// The row context menu as it would open now, not opened; while it exists, deleting
    /// is greyed when nothing is checked (the Delete key itself always answers). Its
    /// first item selects the row that was first selected when the menu was built.
    std::unique_ptr<QMenu> BuildContextMenu();

    // The dialog's commands, one action each: they make the context menu and hold the
    // keys.
    QAction* selectSlideAction() const { return m_selectSlide; }
    QAction* checkAction() const { return m_check; }
    QAction* uncheckAction() const { return m_uncheck; }
    QAction* selectAllAction() const { return m_selectAll; }         ///< Ctrl+A
    QAction* deleteCheckedAction() const { return m_deleteChecked; } ///< Delete

public Q_SLOTS:
    void OnSelectSlide(); ///< double click: the first selected row's slide
    void OnCheck();
    void OnUncheck();
    void OnSelectAll();
    void OnDeleteChecked();

    /// Wide enough for every column.
    QSize sizeHint() const override { return m_initialSize; }

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    void SelectSlideOfRow(int row);
    int FirstSelectedRow() const;
    void SetCheckOfSelected(bool checked);
    void OnContextMenu(const QPoint& pos);

    QTableWidget* m_list = nullptr;
    QAction* m_selectSlide = nullptr;
    QAction* m_check = nullptr;
    QAction* m_uncheck = nullptr;
    QAction* m_selectAll = nullptr;
    QAction* m_deleteChecked = nullptr;
    QSize m_initialSize;
};
