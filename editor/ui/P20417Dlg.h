#pragma once
// The main editor window: a frameless, resizable window whose whole client area the
// program paints itself. Its code is split by concern over the files of editor/ui/.

#include "document/EditState.h"

#include <QDialog>
#include <QImage>
#include <QString>

class CP20417Dlg : public QDialog, public CEditState {
    Q_OBJECT
public:
    explicit CP20417Dlg(QWidget* parent = nullptr);
    ~CP20417Dlg() override;

    /// The document file named on the command line; empty when none.
    QString m_strCmdFile;

    /// The opening sequence: icon, size and position, start document, opacity.
    /// False when the window cannot open (the caller then ends).
    bool OnInitDialog();

    /// Sets the window's constant opacity (0 to 255).
    void ApplyWindowOpacity(int alpha);

    /// Records the window's placement (Zoomed, SX, SY of section Last).
    void RecordPlacement();

    void RedrawRebuilt() override;

    /// Draws slide `index`'s picture into m_workImage at its pixel size, mirrored as its
    /// flags say unless `ignoreFlips`. False when the slide has no picture.
    bool RenderSlidePicture(int index, bool ignoreFlips);

    // The auxiliary dialogs, one routine per way of opening them (DialogCommands.cpp).
    // Each runs its dialog modally and hands the result back to the document.
    void OpenTimeSet();             ///< icon 2: switch-time table (needs slides)
    void OpenSystemSettings();      ///< icon 6: settings of section SYS
    void OpenVersionInfo();         ///< icon 9: version box
    void OpenHelp();                ///< icon 10: the manual in the help window
    void OpenSlideList();           ///< command 610: slide list
    /// The property button, the double click and command 110: the property dialog for
    /// table index `index`; afterwards the selection is cleared.
    void OpenSlideProperties(int index);

    // Painting state.
    int m_bRebuildCells = 1; ///< 1 = the next paint rebuilds the cell images
    QImage m_workImage;      ///< one slide rendered at its pixel size

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

public Q_SLOTS:
    /// Enter never closes the window.
    void accept() override;
    /// Escape, the close box and the exit command.
    void reject() override;

private:
    /// Window edges under `pos` that resize the frameless window (none: 0).
    Qt::Edges ResizeEdgesAt(const QPoint& pos) const;
    void OnPaint();

    bool m_bPlaced = false; ///< the opening sequence has sized the window
};
