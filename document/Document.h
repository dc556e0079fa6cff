#pragma once
// The open document: its header and its table of up to 100 slides, shown a page of 20
// at a time.

#include "document/DocumentHeader.h"
#include "document/SlideRecord.h"

#include <QString>
#include <array>

constexpr int kMaxSlides = 100;
constexpr int kSlidesPerPage = 20;
constexpr int kMaxPages = 5;

/// The open document: its header, its slide table and the file it was read from. The
/// program edits one document at a time, reached through CurrentDocument().
struct Document {
    DocumentHeader header;
    std::array<SlideRecord, kMaxSlides> slides{};
    int slideCount = 0;
    QString filePath; ///< full path of the document file; empty when untitled

    /// Puts the document back to the program-start state: every byte of the header and
    /// the table zero, the path empty, pictures dropped.
    void Clear();
};

/// The one open document.
Document& CurrentDocument();
