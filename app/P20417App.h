#pragma once
// The application object: the one open document and the services every window uses.

#include "document/Document.h"
#include "image/PngSub.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <array>

class CP20417App {
public:
    // The document.
    DocHeader m_header;
    std::array<SlideRecord, MAX_SLIDES> m_slides{};
    int m_nSlideCount = 0;
    QString m_strFilePath;    ///< full path of the document file; empty when untitled
    QString m_strExtractName; ///< name of the file last extracted from a document cabinet

    // The screen-sized surface that holds the pixels under a dragged slide image.
    QImage m_backImage;
    RECT32 m_rcBackSaved; ///< the area held in m_backImage, main-window client coordinates

    CPNGSub m_pngSub; ///< the PNG transparency reader used by image imports

    /// Runs the program: binds the services, reads the command line (`args` without the
    /// program name), runs the main window modally. Always returns false (no further loop).
    /// Lives with the windows (lsr_ui), not in the core library.
    bool InitInstance(const QStringList& args);

    /// Creates the screen-sized surface; false when it cannot be had.
    bool CreateBackSurface();

    /// Puts the document back to the program-start state: every byte of the header and
    /// the table zero, both strings empty, pictures dropped.
    void ResetToStartState();
};

/// The one application object.
CP20417App& theApp();

/// The first command-line argument that is not an option ("-x", "--xyz"); empty if none.
QString FirstNonOptionArgument(const QStringList& args);
