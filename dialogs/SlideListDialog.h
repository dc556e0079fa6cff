#pragma once
// The slide list: every slide of the document in one table (number, size, data size,
// transparent colour, switch time, running total). A row selects its slide in the
// editor; checked rows are deleted together. Changes take effect at once.

#include <QDialog>
#include <set>

class EditorWindow;
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
    /// The row context menu as it would open now (item 129 greyed when nothing is
    /// checked); its actions carry the command ids as data. Item 130 selects the row
    /// that was first selected when the menu was built.
    QMenu* BuildContextMenu();

public Q_SLOTS:
    void OnSelectSlide();   ///< 130 / double click: the first selected row's slide
    void OnCheck();         ///< 127
    void OnUncheck();       ///< 128
    void OnSelectAll();     ///< 134, Ctrl+A
    void OnDeleteChecked(); ///< 129, Delete

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
    QMenu* m_menu = nullptr;
    QSize m_initialSize;
};
