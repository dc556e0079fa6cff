#pragma once
// Every message box, file dialog, colour chooser and "show folder" goes through one
// Prompts object: real dialogs in the program, scripted answers in tests, standard
// error on the command line.

#include "Messages.h"

#include <QRgb>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QObject;

/// The button that closed a message box; None when no box was shown.
enum class Answer { None, Ok, Cancel, Yes, No };

/// Icon and buttons of a message box.
enum class MsgKind {
    Error,      ///< error icon, OK
    Info,       ///< information icon, OK
    YesNo,      ///< question icon, Yes and No
    YesNoCancel ///< question icon, Yes, No and Cancel
};

/// A file dialog. `filter` uses the "Name(*.x)|*.x|Other(*.*)|*.*||" form: pairs of a
/// label and its patterns separated by '|'.
struct FileDialogSpec {
    QString title;
    QString filter;
    QString fileName;   ///< proposed name or path, may be empty
    QString defaultExt; ///< appended (with a dot) to a typed name without extension
    /// The folder the dialog starts in; empty: wherever the platform's dialog would (a
    /// folder in `fileName` wins).
    QString folder;
    /// A note shown in the dialog under its controls, its lines as given (empty: none);
    /// where the dialog is the system's own, at the end of its title instead.
    QString note;
};

/// The display of a long operation's progress, with a Cancel button. The operation runs
/// while its caller's event loop does; destroying the object closes the display.
class ProgressPrompt {
public:
    virtual ~ProgressPrompt() = default;
    /// `done` of the operation's steps are finished.
    virtual void setProgress(int done) = 0;
    /// True once the user asked to stop.
    virtual bool cancelRequested() const = 0;
    /// True while the display is on screen: it takes the user's input then and keeps it
    /// from the other windows. Before that, the caller's event loop should take none.
    virtual bool takesInput() const = 0;
};

class Prompts {
public:
    virtual ~Prompts() = default;
    /// Shows `text` (prefix + string-table text of `id`) with the application's name as
    /// caption. Returns the button pressed.
    virtual Answer message(Msg id, const QString& text, MsgKind kind, QObject* owner) = 0;
    /// Asks for existing files; `multi` allows several. Empty when cancelled.
    virtual QStringList openFileNames(const FileDialogSpec& request, bool multi) = 0;
    /// Asks for a file name to save to; no question is asked before replacing a file.
    /// Empty when cancelled.
    virtual QString saveFileName(const FileDialogSpec& request) = 0;
    /// The colour chooser, starting from `initial`; nothing when cancelled.
    virtual std::optional<QRgb> chooseColor(QRgb initial, QObject* owner) = 0;
    /// Shows a folder in the platform's file browser; false when that fails.
    virtual bool showFolder(const QString& folder) = 0;
    /// A progress display for `total` steps, labelled with message `label` (%1 the steps
    /// done, %2 the total). It appears only when the operation still runs after half a
    /// second, so that short ones show nothing. `changed` is called when it appears and
    /// when the user cancels. Null where nothing is displayed (the command line).
    virtual std::unique_ptr<ProgressPrompt>
    progress(Msg label, int total, std::function<void()> changed, QObject* owner) = 0;
};

/// The prompts in use (the command-line ones until another is set).
Prompts& prompts();
/// Makes `p` the prompts in use (not owned); null restores the command-line ones.
void setPrompts(Prompts* p);

/// Shows string-table message `id` after `prefix`. Returns the button pressed, or
/// Answer::None (showing nothing) when the table has no text for `id`.
Answer ShowMessage(Msg id, const QString& prefix = QString(), QObject* owner = nullptr,
                   MsgKind kind = MsgKind::Error);

/// The prefix of a message about a file that could not be written or read: its path
/// and the system's reason, each on a line of its own.
QString FileAndReason(const QString& path, const QString& reason);

/// Turns a "Name(*.x)|*.x||" filter into Qt's "Name(*.x);;..." form.
QString QtFilterFromPipes(const QString& filter);
