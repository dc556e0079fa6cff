#pragma once
// The program's messages, each by its key in the string table (MessageTable.inc).

#include <QString>
#include <vector>

/// A message of the string table; the value is the text's key in the table.
enum class Msg : int {
    Unlisted = 0, ///< a text of the caller's own, not from the table
    OutOfMemory = 30001,
    TooManySlides = 30002,       ///< the table holds no further slide
    OverwriteQuestion = 30003,   ///< overwrite, save under another name, or cancel
    SaveChangesQuestion = 30004, ///< save the open document's changes?
    DeleteSlideQuestion = 30005,
    OleInitFailed = 30006,
    Saved = 30007,
    TooManyFilesQuestion = 30010, ///< more files than slides fit: go on with those that do?
    BitmapInfoFailed = 30011,
    SameTimeForAllQuestion = 30012,
    RequiredFileMissing = 30015,
    NotAnImage = 30016,
    DeleteCheckedQuestion = 30017,
    SaveFailed = 30018,
    WrongFileFormat = 30019,
    WrongVersion = 30020,
    NothingChecked = 30021,
    OpenFailed = 30026,
    NoWriteAccess = 30035,
    ExtractFailed = 30036,
    TooManySlidesInFile = 30043,
    FileBrowserFailed = 30048,
    ReplaceFileQuestion = 30056,
    FolderCannotOpen = 30066,
    NoTarget = 30067, ///< no file name given for the executable
    ExeExtensionRequired = 30068,
    ExportDoneShowFolderQuestion = 30069,
    CannotOpenThisFile = 30070,
    FileNotFound = 30077,
    ManualMissing = 30173,
    NotARegularFile = 30300,  ///< a device, pipe or socket where a file was expected
    PicturesTooLarge = 30301, ///< slides opened without their (too large) pictures
    EmptyDocumentExport = 30302,
    WriteFailed = 30303, ///< a file could not be written; the file and the reason come first
    ManualName = 30174,  ///< the manual's file name without its extension
    /// The version history: one entry per version, from this key on, the oldest first.
    VersionHistory = 30200,
    // What a batch of added files came to: the lists' headings and the reasons.
    FilesNotAdded = 30310,      ///< heading of the files that did not become slides
    FilesMayBeDamaged = 30311,  ///< heading of the files added although they look damaged
    MoreFiles = 30312,          ///< "and %1 more" under a shortened list
    NotImageFileName = 30313,   ///< the name's extension is none of the image types
    NotAFile = 30314,           ///< the name is a folder or another thing that is no file
    FileUnreadable = 30315,     ///< the file cannot be opened or read
    NotAPicture = 30316,        ///< the content decodes as no picture
    PictureTooLarge = 30317,    ///< more pixels than a slide picture may have
    PictureNotPrepared = 30318, ///< decoded, but the slide's picture could not be made
    PictureCutShort = 30319,    ///< the file ends before its picture does
    Warning = 30320,            ///< the word that marks a warning on the command line
    // The progress display of a batch of added files.
    ImportingImages = 30321, ///< "%1 / %2" files imported so far
    Cancelling = 30322,      ///< shown after Cancel while the work in hand finishes
    /// A recent document chosen from the menu is gone; it was taken off the list.
    RecentDocumentMissing = 30330,
    /// A program without a whole slideshow trailer was given as a document.
    NoSlideshowInFile = 30331,
    /// A file that is neither a document nor a slideshow was given as a document; what
    /// it looks like comes first.
    NotADocument = 30333,
    /// The folder of a created file cannot be shown: no file manager could be started.
    NoFileManager = 30332,
    /// The Windows player runtime was not built with this program.
    WindowsRuntimeUnavailable = 30340,
    /// A player started with neither slides of its own nor a document to play.
    NothingToPlay = 30341,
    /// A document without slides cannot be played.
    NoSlidesToPlay = 30342,
    /// No slide of the document has a picture that shows: nothing can be played.
    NoSlideCanBeShown = 30343,
    /// The slides named before the text are left out of the show: their pictures do not show.
    SlidesSkipped = 30344,
    /// The size limit added pictures are fitted into: %1 × %2 pixels.
    ImageLimitOn = 30350,
    /// Added pictures keep their size: the limit is off.
    ImageLimitOff = 30351,
    // What a file refused as a document looks like (the line before Msg::NotADocument).
    FileIsPicture = 30360,     ///< a picture of the format %1
    FileIsEmpty = 30361,       ///< no bytes at all
    FileIsCabinet = 30362,     ///< a cabinet whose name does not end in .lsr
    FileOfKind = 30363,        ///< a file of the well-known kind %1 (ZIP, PDF)
    FileIsBareProgram = 30364, ///< a program without slideshow data
    FileIsText = 30365,
    FileOfUnknownKind = 30366,
    FileIsUnreadable = 30367,
};

/// Ascending numbers as a short list, runs of consecutive numbers as "first-last"
/// ("1, 3-5, 9"): how messages name slides.
QString NumberRanges(const std::vector<int>& numbers);

/// The string-table text of `id`; empty when the table has none.
QString MessageText(Msg id);

/// The English gist of message `id` ("file not found"), for the command line, which
/// speaks English and passes the message itself on after it; empty for the texts that
/// are no messages (labels, the manual's name).
QString MessageGist(Msg id);

/// The English of a line that is itself a message of the table with a gist (the kinds
/// of file, their %1 filled in: "JPEG 画像のファイルです" gives "a JPEG picture"); the
/// line as it is otherwise.
QString EnglishLine(const QString& line);

/// The one line the command line writes for message `id` shown as `text` (the prefix
/// then the string-table text), English first: "program: gist: prefix lines: text".
/// Prefix lines that are messages of their own come in English (EnglishLine); the
/// string-table text follows as the window shows it, its line breaks turned into
/// spaces, so that every message is one line.
QString CommandLineMessage(const QString& program, Msg id, const QString& text);
