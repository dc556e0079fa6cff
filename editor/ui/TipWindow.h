#pragma once
// The main window's tooltip: one tip for the whole window whose text the mouse handling
// sets as the pointer crosses the window's elements. A small window of its own, so that
// its colours never touch the application-wide tooltip look other dialogs use.
//
// Timing: once active with a text, the tip appears the initial delay after the pointer
// moved, stays up for the pop-down delay and then waits until its text changes; a new
// text after that appears after the re-show delay. A text change while the tip is up
// shows the new text at once, at the pointer.

#include "document/Document.h"

#include <QBasicTimer>
#include <QMargins>
#include <QPoint>
#include <QString>
#include <QWidget>

class TipWindow : public QWidget {
public:
    static constexpr int kInitialDelay = 50;   ///< ms from the first movement to the tip
    static constexpr int kAutoPopDelay = 5000; ///< ms the tip stays up
    static constexpr int kReshowDelay = 500;   ///< ms before a new text shows after a pop-down
    static constexpr int kMaxWidth = 512;      ///< the tip's widest extent; longer lines wrap
    static constexpr QRgb kBackColor = qRgb(123, 158, 247);
    static constexpr QRgb kTextColor = qRgb(255, 247, 198);
    /// Space between the text and the tip's edge (left, top, right, bottom).
    static QMargins Margins() { return QMargins(2, 1, 2, 1); }

    /// A tip for `owner`'s window (owned and destroyed with it).
    explicit TipWindow(QWidget* owner);

    /// The text; "\n" breaks a line.
    void SetText(const QString& text);
    QString Text() const { return m_text; }

    /// An inactive tip never shows; deactivating hides it at once.
    void Activate(bool on);
    bool IsActive() const { return m_active; }

    /// Hides the tip now; it appears again after the initial delay at the next movement.
    void Pop();

    /// Tells the tip that the pointer moved to `globalPos` (screen coordinates).
    void RelayMouseMove(QPoint globalPos);

    bool IsShown() const { return isVisible(); }
    /// The delay of the pending appearance in ms; 0 when none is pending.
    int PendingDelay() const { return m_showTimer.isActive() ? m_pendingDelay : 0; }

    // The timer handlers; tests call them instead of waiting.
    void OnShowTimer(); ///< the delay before showing has passed
    void OnPopTimer();  ///< the tip has been up for the pop-down delay

    /// The tip's size for `text` with the current font: the wrapped text within the
    /// widest extent, plus margins and the 1-pixel border.
    QSize SizeForText(const QString& text) const;

protected:
    void paintEvent(QPaintEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    /// Shows the tip below the pointer, kept on the pointer's screen.
    void ShowAtPointer();
    void StopTimers();

    QString m_text;
    bool m_active = false;
    bool m_expired = false; ///< popped down by its timer; waits for a new text
    bool m_reshow = false;  ///< the next appearance uses the re-show delay
    QPoint m_pointer;       ///< the pointer's last relayed screen position
    QBasicTimer m_showTimer;
    QBasicTimer m_popTimer;
    int m_pendingDelay = 0;
};
