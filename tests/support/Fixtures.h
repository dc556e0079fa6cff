#pragma once
// Shared helpers for tests.

#include "base/Settings.h"
#include "document/Document.h"
#include "document/EditorState.h"
#include "document/Picture.h"

#include <QColor>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>

/// Removes every stored setting of the test program.
void ClearSettings();

/// A solid-colour picture made from pixels (it saves as BMP).
PicturePtr MakeTestPicture(int w, int h, QColor fill = Qt::red);

/// Hard-edged shapes of several colours (dark, red, blue, yellow, grey) on a plain
/// `background`, as drawn art on a one-colour page is: no pixel mixes the two.
QImage ShapesOn(QRgb background, QSize size = QSize(240, 160));

/// The pixels a picture keyed with `key` still shows where its `source` (the art it was
/// made from, before any lossy storage) had the key colour: what a user sees as a fringe,
/// speckles or blocks of background left around the shapes. A pixel of `keyed` shows
/// unless it is fully transparent or of exactly the key colour (those a show leaves
/// out). Counted against the source, so the measure does not depend on how the picture
/// was keyed.
int BackgroundLeftVisible(const QImage& source, const QImage& keyed, QRgb key);
/// The pixels of `source`'s shapes (not of the key colour) that `keyed` no longer shows.
int ShapePixelsLost(const QImage& source, const QImage& keyed, QRgb key);
/// The pixels of `source`'s shapes that `keyed` shows more than `levels` off their
/// colour in red, green or blue: the shapes' edges tinted by the key.
int ShapePixelsOff(const QImage& source, const QImage& keyed, QRgb key, int levels);

/// An editing state that counts the redraws asked of it.
struct CountingEditState : EditorState {
    int redraws = 0;
    void RedrawRebuilt() override { ++redraws; }
};

/// Puts the application's document back to the program-start state and clears the
/// settings; use at the start of each test that touches the document.
void ResetWorld();

/// Fills the document with `n` slides whose times are 1, 2, 3, ... and whose
/// reserved1 holds the slide's original index (to follow records around).
void FillSlides(EditorState& ed, int n);

/// A temporary folder of the test's own that stands in for the system's temporary
/// folder while the object lives: work files made meanwhile are the test's alone.
class TempFolderOverride {
public:
    TempFolderOverride() : m_old(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", m_dir.path().toLocal8Bit());
    }
    ~TempFolderOverride() { qputenv("TMPDIR", m_old); }
    TempFolderOverride(const TempFolderOverride&) = delete;
    TempFolderOverride& operator=(const TempFolderOverride&) = delete;
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    QByteArray m_old;
};

/// The whole content of the file `path`; empty when it cannot be read.
QByteArray ReadFileBytes(const QString& path);
/// Writes `bytes` as the whole content of the file `path`; false when it cannot.
bool WriteFileBytes(const QString& path, const QByteArray& bytes);

/// Writes to `path` a standalone slideshow made as a hostile one would be: `runtime`,
/// the document stream `stream`, `hole` bytes of zeros that take no room on disk (a
/// sparse file), and the trailer naming the runtime's length, so that the stream seen
/// from the trailer runs on over the hole. With `stretchLastBlock` the last slide's
/// block is declared to run over the hole as well (its picture, then zeros). Empty when
/// written; otherwise why it could not be (the test folder's file system keeps no
/// holes, or cannot hold a file that large).
QString WriteSparseSlideshow(const QString& path, const QByteArray& runtime, QByteArray stream,
                             qint64 hole, bool stretchLastBlock = false);
