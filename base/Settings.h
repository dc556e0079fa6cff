#pragma once
// The per-user settings store: sections of named values under the maker's key
// "Varnholt" and the application's name. Nothing is cached: every read goes to the
// store, every write is made at once.

#include <QString>
#include <QStringList>

/// The application's name: the executable's file name without its extension.
QString ApplicationName();
/// Names the running application after its executable file (without the extension).
void NameApplicationAfterExecutable();

/// Where a value is stored: its section and its name there. The spellings are the ones
/// the store has always used; they never change.
struct SettingKey {
    const char* section;
    const char* name;
};

/// Every stored value of the program.
namespace Setting {
// The settings dialog and the editor's opacity.
constexpr SettingKey OpenLastAtStart{"SYS", "FirstOpen"}; ///< 1: open the last document at start
constexpr SettingKey TitleMode{"SYS", "Title"};           ///< 0 no title, 1 full path, 2 name
constexpr SettingKey NewSlideSeconds{"SYS", "AutoCng"};   ///< switch time given to new slides
constexpr SettingKey LimitImageSize{"SYS", "MentSize"};   ///< 1: shrink imported images
constexpr SettingKey ImageLimitWidth{"SYS", "MentSizeW"};
constexpr SettingKey ImageLimitHeight{"SYS", "MentSizeH"};
constexpr SettingKey EditorOpacity{"SYS", "Trans"}; ///< the editor window's opacity, 105 to 255
// What the last run left behind.
constexpr SettingKey EditorMaximized{"Last", "Zoomed"}; ///< 1: the editor was maximised
constexpr SettingKey EditorWidth{"Last", "SX"};
constexpr SettingKey EditorHeight{"Last", "SY"};
constexpr SettingKey LastDocument{"Last", "FilePath"};
constexpr SettingKey LastExport{"Last", "WritePath"}; ///< the last standalone executable written
// The documents opened or saved most recently, the most recent first.
constexpr int kRecentDocumentCount = 8;
constexpr SettingKey RecentDocuments[kRecentDocumentCount] = {
    {"Recent", "File1"}, {"Recent", "File2"}, {"Recent", "File3"}, {"Recent", "File4"},
    {"Recent", "File5"}, {"Recent", "File6"}, {"Recent", "File7"}, {"Recent", "File8"}};
// Image conversion.
constexpr SettingKey JpegQuality{"KanSet", "Quality"}; ///< quality of re-encoded JPEG pictures
/// How far (in levels of red, green and blue) a JPEG picture's pixels may lie from a
/// transparent colour given to it and still become see-through.
constexpr SettingKey KeyTolerance{"KanSet", "KeyTolerance"};
} // namespace Setting

/// The stored integer, or `def` when the value is absent or unreadable.
int ReadSettingInt(SettingKey key, int def);
/// The stored integer when it is above zero, else `def` (sizes and limits, where zero
/// or less would mean nothing sensible).
int ReadSettingPositive(SettingKey key, int def);
void WriteSettingInt(SettingKey key, int value);
/// The stored string, or `def` when the value is absent or unreadable.
QString ReadSettingString(SettingKey key, const QString& def);
void WriteSettingString(SettingKey key, const QString& value);

/// The recent documents (Setting::RecentDocuments), the most recent first: empty and
/// repeated entries left out.
QStringList ReadRecentDocuments();
/// Puts document `path` (made absolute and clean) at the head of the recent documents: an entry
/// naming the same file goes, and the oldest beyond kRecentDocumentCount is dropped.
void RememberRecentDocument(const QString& path);
/// Takes document `path` off the recent documents.
void ForgetRecentDocument(const QString& path);
