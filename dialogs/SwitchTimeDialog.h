#pragma once
// The switch-time table: every slide's automatic switch time, a page of 20 at a time,
// with the total running time. It works on a copy of the times that its opener writes
// back only when the dialog ends with "保存して終了(&S)".

#include "document/Document.h"

#include <QDialog>
#include <array>

class QLabel;
class QPushButton;
class QTimeEdit;

class SwitchTimeDialog : public QDialog {
    Q_OBJECT
public:
    explicit SwitchTimeDialog(QWidget* parent = nullptr);

    // Filled by the opener before the dialog runs.
    std::array<int, kMaxSlides> m_times{}; ///< switch times in seconds, table order
    int m_slideCount = 0;
    int m_pageCount = 1;
    int m_page = 0;                            ///< page on show, 0-based
    std::array<int, kMaxPages> m_pageSlides{}; ///< slides on each page

    /// Sets the paging buttons and fills the page; called before the dialog shows
    /// (showEvent calls it once when the opener did not).
    void Initialize();

    // The controls, for the opener's tests.
    QTimeEdit* picker(int k) const { return m_pickers[k]; }
    QLabel* numberLabel(int k) const { return m_labels[k]; }
    QLabel* pageLabel() const { return m_pageLabel; }
    QLabel* totalLabel() const { return m_totalLabel; }
    QPushButton* allSameButton() const { return m_allSame; }
    QPushButton* prevButton() const { return m_prev; }
    QPushButton* nextButton() const { return m_next; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* cancelButton() const { return m_cancel; }

public Q_SLOTS:
    void OnNextPage();
    void OnPrevPage();
    /// Asks Msg::SameTimeForAllQuestion and gives every slide the time of slide 1 on Yes.
    void OnAllSame();
    /// Picker `k` of the page shows a new time of day.
    void OnTimeChanged(int k);

protected:
    void showEvent(QShowEvent* e) override;
    /// A click in a picker's field selects the field's digits, so that typing replaces
    /// them (a time picker otherwise leaves the cursor after them and drops the digits
    /// typed, the field being full).
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void SetPagingButtons();
    void FillPage();

    std::array<QTimeEdit*, kSlidesPerPage> m_pickers{};
    std::array<QLabel*, kSlidesPerPage> m_labels{};
    QLabel* m_pageLabel = nullptr;
    QLabel* m_totalLabel = nullptr;
    QPushButton* m_allSame = nullptr;
    QPushButton* m_prev = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_initDone = false;
    bool m_filling = false; ///< the page is being filled: picker changes are ours
};
