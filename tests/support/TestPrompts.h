#pragma once
// Prompts for tests: every call is recorded, answers come from a script, and a prompt
// nobody scripted fails the test instead of blocking.

#include "base/Prompts.h"

#include <QList>
#include <QString>
#include <deque>
#include <ostream>
#include <variant>

struct PromptCall {
    enum Type { Message, OpenFiles, SaveFile, ChooseColor, ShowFolder } type = Message;
    Msg id = {};  ///< message (Message)
    QString text; ///< full message text, prefix included (Message)
    MsgKind kind = MsgKind::Error;
    FileDialogSpec request; ///< the dialog (OpenFiles, SaveFile)
    bool multi = false;     ///< OpenFiles
    QRgb color = 0;         ///< initial colour (ChooseColor)
    QString folder;         ///< ShowFolder
};

/// Messages print as their keys in test failures.
inline void PrintTo(Msg id, std::ostream* os) {
    *os << int(id);
}
inline void PrintTo(Answer a, std::ostream* os) {
    *os << "Answer(" << int(a) << ")";
}

/// A progress display a test looked at: what it was opened for and what it was told.
struct ProgressRun {
    Msg label = {};
    int total = 0;
    QList<int> steps; ///< every setProgress, in order
    bool cancelled = false;
};

class TestPrompts : public Prompts {
public:
    /// Installs itself as the prompts in use; the destructor restores the default.
    TestPrompts();
    ~TestPrompts() override;

    // Scripted answers, taken in order. A message of the Error or Info kind needs no
    // script: it is answered OK. Questions, dialogs and the chooser must be scripted.
    void answer(Answer button) { m_answers.push_back(button); }
    void answerFiles(QStringList files) { m_files.push_back(std::move(files)); }
    void answerSave(QString path) { m_saves.push_back(std::move(path)); }
    void answerColor(std::optional<QRgb> c) { m_colors.push_back(c); }
    void answerShowFolder(bool ok) { m_showFolder.push_back(ok); }
    /// The next progress display reports Cancel once it is told that `done` steps are
    /// finished (0: from the start). Unscripted displays never cancel.
    void cancelProgressAfter(int done) { m_cancelAfter.push_back(done); }

    QList<PromptCall> calls;
    /// The progress displays opened, in order (not in `calls`: they ask nothing).
    QList<ProgressRun> progressRuns;
    /// The messages shown so far, in order.
    QList<Msg> messageIds() const;

    Answer message(Msg id, const QString& text, MsgKind kind, QObject* owner) override;
    QStringList openFileNames(const FileDialogSpec& request, bool multi) override;
    QString saveFileName(const FileDialogSpec& request) override;
    std::optional<QRgb> chooseColor(QRgb initial, QObject* owner) override;
    bool showFolder(const QString& folder) override;
    std::unique_ptr<ProgressPrompt> progress(Msg label, int total, std::function<void()> changed,
                                             QObject* owner) override;

private:
    std::deque<Answer> m_answers;
    std::deque<QStringList> m_files;
    std::deque<QString> m_saves;
    std::deque<std::optional<QRgb>> m_colors;
    std::deque<bool> m_showFolder;
    std::deque<int> m_cancelAfter;
};
