// Undo and redo of the changes to the document: each change is one step of a
// QUndoStack that keeps the document's content before and after it (pictures are
// shared, so a step costs little unless it holds the picture of a deleted slide). The
// modified flag follows the stack: undoing back to the saved state clears it.

#include "dialogs/CommandAction.h"
#include "document/Document.h"
#include "document/DocumentSnapshot.h"
#include "document/SlideTable.h"
#include "editor/ui/EditorWindow.h"

#include <QAction>
#include <QFileInfo>
#include <QUndoStack>
#include <vector>

namespace {

/// One change to the document: its content before and after.
class DocumentStep : public QUndoCommand {
public:
    DocumentStep(EditorWindow& window, const QString& name, DocumentSnapshot before,
                 DocumentSnapshot after, bool done)
        : QUndoCommand(name), m_window(window), m_before(std::move(before)),
          m_after(std::move(after)), m_done(done) {}

    void undo() override { m_window.ApplySnapshot(m_before); }
    void redo() override {
        // The change itself was made before the step was pushed.
        if (std::exchange(m_done, false))
            return;
        m_window.ApplySnapshot(m_after);
    }

    const DocumentSnapshot& before() const { return m_before; }
    const DocumentSnapshot& after() const { return m_after; }

private:
    EditorWindow& m_window;
    DocumentSnapshot m_before;
    DocumentSnapshot m_after;
    bool m_done;
};

const DocumentStep* StepAt(const QUndoStack& stack, int i) {
    return static_cast<const DocumentStep*>(stack.command(i));
}

} // namespace

void EditorWindow::CreateUndoStack() {
    m_undo = new QUndoStack(this);
    m_undo->setUndoLimit(kUndoStepLimit);
    m_actions[Command::Undo] = AddCommandAction(this, "undo", "元に戻す(&U)\tCtrl+Z",
                                                {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    m_actions[Command::Redo] = AddCommandAction(
        this, "redo", "やり直し(&Y)\tCtrl+Y",
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    for (Command c : {Command::Undo, Command::Redo})
        connect(m_actions[c], &QAction::triggered, this, [this, c] { RunCommand(c); });
    connect(m_undo, &QUndoStack::indexChanged, this, [this] { UpdateUndoActions(); });
    connect(m_undo, &QUndoStack::cleanChanged, this, [this] { FollowCleanState(); });
    UpdateUndoActions();
}

void EditorWindow::UpdateUndoActions() {
    QAction* undo = m_actions[Command::Undo];
    QAction* redo = m_actions[Command::Redo];
    const auto named = [](const char* verb, const QString& step, const char* key) {
        const QString v = QString::fromUtf8(verb);
        return (step.isEmpty() ? v : v + QStringLiteral(": ") + step) + QLatin1Char('\t') +
               QLatin1String(key);
    };
    undo->setText(named("元に戻す(&U)", m_undo->undoText(), "Ctrl+Z"));
    redo->setText(named("やり直し(&Y)", m_undo->redoText(), "Ctrl+Y"));
    undo->setEnabled(m_undo->canUndo());
    redo->setEnabled(m_undo->canRedo());
}

void EditorWindow::FollowCleanState() {
    if (m_trimmingUndo)
        return;
    m_modified = !m_undo->isClean();
    setWindowModified(m_modified);
}

void EditorWindow::UpdateWindowTitle() {
    const QString path = CurrentDocument().filePath;
    const QString name = path.isEmpty() ? QStringLiteral("無題") : QFileInfo(path).fileName();
    setWindowTitle(name + QStringLiteral("[*] — ルセリオ"));
    setWindowModified(m_modified);
}

void EditorWindow::RecordChange(const QString& name, const std::function<void()>& change) {
    RecordChange([&name] { return name; }, change);
}

void EditorWindow::RecordChange(const std::function<QString()>& name,
                                const std::function<void()>& change) {
    if (m_recording > 0) {
        change(); // part of the step already being recorded
        return;
    }
    DocumentSnapshot before = TakeSnapshot(CurrentDocument());
    const int document = m_documentsReplaced;
    ++m_recording;
    change();
    --m_recording;
    DocumentSnapshot after = TakeSnapshot(CurrentDocument());
    // A change that ended in another document is no step of it.
    if (after != before && document == m_documentsReplaced) {
        // The stack keeps more picture memory only when the change took pictures out of
        // the document; only then can it have passed its limit.
        const bool dropsPictures = MemoryHeldBeyond({&before}, CurrentDocument()) > 0;
        m_undo->push(new DocumentStep(*this, name(), std::move(before), std::move(after), true));
        if (dropsPictures)
            TrimUndoMemory();
    }
    // A change that changed nothing leaves the flag as the stack says.
    FollowCleanState();
}

void EditorWindow::ApplySnapshot(const DocumentSnapshot& snapshot) {
    // A drag or a colour pick started on the content before has nothing to act on.
    m_gesture = {};
    RestoreSnapshot(CurrentDocument(), snapshot);
    RecalcPages(*this);
    m_page = std::clamp(m_page, 0, std::max(0, m_pageCount - 1));
    m_selectedCell = -1;
    m_mark = -1;
    m_rebuildCells = true;
    // The keyboard's ring stays where it was, on a slide that is still there.
    if (m_keyboardLast && m_currentSlide >= 0)
        SetCurrentSlide(m_currentSlide);
    update();
}

void EditorWindow::TrimUndoMemory() {
    // The memory the steps from `first` on keep beyond the document's own.
    const auto heldFrom = [this](int first) {
        std::vector<const DocumentSnapshot*> kept;
        for (int i = first; i < m_undo->count(); ++i) {
            kept.push_back(&StepAt(*m_undo, i)->before());
            kept.push_back(&StepAt(*m_undo, i)->after());
        }
        return MemoryHeldBeyond(kept, CurrentDocument());
    };
    // Only steps that can be undone go; the oldest first.
    int index = m_undo->index();
    int drop = 0;
    while (drop < index && heldFrom(drop) > m_undoMemoryLimit)
        ++drop;
    if (drop == 0)
        return;
    // QUndoStack drops steps only by its count limit, so the stack is made again
    // without its oldest steps: the steps kept are pushed as done, and the index and
    // the saved state are put back where they were. Going back over steps whose
    // content is already the document's changes nothing.
    struct Kept {
        QString name;
        DocumentSnapshot before, after;
    };
    std::vector<Kept> steps;
    for (int i = drop; i < m_undo->count(); ++i)
        steps.push_back(
            Kept{m_undo->text(i), StepAt(*m_undo, i)->before(), StepAt(*m_undo, i)->after()});
    int clean = m_undo->cleanIndex();
    m_trimmingUndo = true;
    m_undo->clear();
    for (Kept& k : steps)
        m_undo->push(
            new DocumentStep(*this, k.name, std::move(k.before), std::move(k.after), true));
    index -= drop;
    clean = clean < 0 ? -1 : clean - drop;
    if (clean >= 0) {
        m_undo->setIndex(clean);
        m_undo->setClean();
    } else {
        m_undo->resetClean(); // the saved state was among the steps dropped
    }
    m_undo->setIndex(index);
    m_trimmingUndo = false;
    FollowCleanState();
}
