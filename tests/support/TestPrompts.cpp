#include "tests/support/TestPrompts.h"

#include <gtest/gtest.h>

namespace {

/// A display nobody sees: it records each step in its run and cancels as scripted.
class TestProgress : public ProgressPrompt {
public:
    TestProgress(QList<ProgressRun>& runs, int cancelAfter)
        : m_runs(runs), m_index(runs.size() - 1), m_cancelAfter(cancelAfter) {
        run().cancelled = m_cancelAfter == 0;
    }
    void setProgress(int done) override {
        run().steps << done;
        if (m_cancelAfter >= 0 && done >= m_cancelAfter)
            run().cancelled = true;
    }
    bool cancelRequested() const override { return m_runs[m_index].cancelled; }
    bool takesInput() const override { return false; }

private:
    ProgressRun& run() { return m_runs[m_index]; }
    QList<ProgressRun>& m_runs;
    qsizetype m_index;
    int m_cancelAfter; ///< -1: never
};

} // namespace

TestPrompts::TestPrompts() {
    setPrompts(this);
}

TestPrompts::~TestPrompts() {
    setPrompts(nullptr);
    EXPECT_TRUE(m_answers.empty()) << "scripted message answers left unused";
    EXPECT_TRUE(m_files.empty()) << "scripted file choices left unused";
    EXPECT_TRUE(m_saves.empty()) << "scripted save names left unused";
    EXPECT_TRUE(m_colors.empty()) << "scripted colours left unused";
    EXPECT_TRUE(m_cancelAfter.empty()) << "scripted cancels left unused";
}

QList<Msg> TestPrompts::messageIds() const {
    QList<Msg> ids;
    for (const PromptCall& c : calls)
        if (c.type == PromptCall::Message)
            ids << c.id;
    return ids;
}

Answer TestPrompts::message(Msg id, const QString& text, MsgKind kind, QObject*) {
    PromptCall c;
    c.type = PromptCall::Message;
    c.id = id;
    c.text = text;
    c.kind = kind;
    calls << c;
    if (kind == MsgKind::Error || kind == MsgKind::Info) {
        if (!m_answers.empty() && m_answers.front() == Answer::Ok)
            m_answers.pop_front();
        return Answer::Ok;
    }
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected question " << int(id) << ": " << text.toStdString();
        return kind == MsgKind::YesNoCancel ? Answer::Cancel : Answer::No;
    }
    const Answer a = m_answers.front();
    m_answers.pop_front();
    return a;
}

QStringList TestPrompts::openFileNames(const FileDialogSpec& request, bool multi) {
    PromptCall c;
    c.type = PromptCall::OpenFiles;
    c.request = request;
    c.multi = multi;
    calls << c;
    if (m_files.empty()) {
        ADD_FAILURE() << "unexpected open dialog: " << request.title.toStdString();
        return {};
    }
    QStringList f = m_files.front();
    m_files.pop_front();
    return f;
}

QString TestPrompts::saveFileName(const FileDialogSpec& request) {
    PromptCall c;
    c.type = PromptCall::SaveFile;
    c.request = request;
    calls << c;
    if (m_saves.empty()) {
        ADD_FAILURE() << "unexpected save dialog: " << request.title.toStdString();
        return {};
    }
    QString s = m_saves.front();
    m_saves.pop_front();
    return s;
}

std::optional<QRgb> TestPrompts::chooseColor(QRgb initial, QObject*) {
    PromptCall c;
    c.type = PromptCall::ChooseColor;
    c.color = initial;
    calls << c;
    if (m_colors.empty()) {
        ADD_FAILURE() << "unexpected colour chooser";
        return std::nullopt;
    }
    auto r = m_colors.front();
    m_colors.pop_front();
    return r;
}

bool TestPrompts::showFolder(const QString& folder) {
    PromptCall c;
    c.type = PromptCall::ShowFolder;
    c.folder = folder;
    calls << c;
    if (m_showFolder.empty())
        return true;
    const bool ok = m_showFolder.front();
    m_showFolder.pop_front();
    return ok;
}

std::unique_ptr<ProgressPrompt> TestPrompts::progress(Msg label, int total, std::function<void()>,
                                                      QObject*) {
    ProgressRun run;
    run.label = label;
    run.total = total;
    progressRuns << run;
    int cancelAfter = -1;
    if (!m_cancelAfter.empty()) {
        cancelAfter = m_cancelAfter.front();
        m_cancelAfter.pop_front();
    }
    return std::make_unique<TestProgress>(progressRuns, cancelAfter);
}
