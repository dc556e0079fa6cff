// Menu and key commands of the main window: the command table, the accelerator keys,
// the context menus, and the drop of files from the file manager.
#include "base/Prompts.h"
#include "document/Document.h"
#include "document/SlideTable.h"
#include "editor/ui/Art.h"
#include "editor/ui/EditorWindow.h"
#include "image/AddSlides.h"
#include "image/Clipboard.h"
#include "image/SlideImage.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace {

// ---- The command table: one row per command id with its handler. -------------------
// Command 109 (refresh, F5) has no row: it does nothing.

struct CommandRow {
    int id;
    void (EditorWindow::*handler)(int);
};

const CommandRow kCommandTable[] = {
    {104, &EditorWindow::OnDeleteSlide},       {105, &EditorWindow::OnSlideshowHere},
    {106, &EditorWindow::OnAddSlides},         {107, &EditorWindow::OnCopySlide},
    {108, &EditorWindow::OnPasteSlide},        {110, &EditorWindow::OnSlideProperties},
    {117, &EditorWindow::OnTogglePickColor},   {118, &EditorWindow::OnFixedKeyColor},
    {120, &EditorWindow::OnBackgroundColor},   {121, &EditorWindow::OnBackgroundColor},
    {122, &EditorWindow::OnBackgroundColor},   {128, &EditorWindow::OnToggleMaximize},
    {130, &EditorWindow::OnFlipSlide},         {131, &EditorWindow::OnFlipSlide},
    {133, &EditorWindow::OnTogglePropButtons}, {150, &EditorWindow::OnFixedKeyColor},
    {151, &EditorWindow::OnFixedKeyColor},     {152, &EditorWindow::OnFixedKeyColor},
    {153, &EditorWindow::OnFixedKeyColor},     {154, &EditorWindow::OnFixedKeyColor},
    {610, &EditorWindow::OnSlideListCommand},
};

// ---- Accelerator table 133. ------------------------------------------------------------

struct AccelRow {
    int key;
    Qt::KeyboardModifiers modifiers;
    int id;
};

const AccelRow kAccelerators[] = {
    {Qt::Key_F5, Qt::NoModifier, 109},     {Qt::Key_C, Qt::ControlModifier, 107},
    {Qt::Key_Delete, Qt::NoModifier, 104}, {Qt::Key_V, Qt::ControlModifier, 108},
    {Qt::Key_F11, Qt::NoModifier, 128},
};

/// The command of a key press, 0 when it is no accelerator. The modifiers must match
/// exactly (Ctrl+Shift+C is not Ctrl+C); the keypad flag does not count.
int AcceleratorCommand(const QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                         Qt::AltModifier | Qt::MetaModifier);
    for (const AccelRow& row : kAccelerators)
        if (row.key == e->key() && row.modifiers == mods)
            return row.id;
    return 0;
}

/// Turns the accelerator keys pressed in the main window into its commands before
/// anything else sees them.
class AcceleratorFilter : public QObject {
public:
    explicit AcceleratorFilter(EditorWindow* dlg) : QObject(dlg), m_dlg(dlg) {}

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched != m_dlg ||
            (e->type() != QEvent::ShortcutOverride && e->type() != QEvent::KeyPress))
            return false;
        auto* key = static_cast<QKeyEvent*>(e);
        const int id = AcceleratorCommand(key);
        if (id == 0)
            return false;
        key->accept();
        if (e->type() == QEvent::KeyPress)
            m_dlg->OnCommand(id);
        return true;
    }

private:
    EditorWindow* m_dlg;
};

// ---- Context menu 131. -------------------------------------------------------------------

constexpr int kSeparator = 0;
constexpr int kSubMenu = -1; ///< opens a sub-menu titled by the row's text
constexpr int kSubEnd = -2;  ///< closes the sub-menu

struct MenuRow {
    int id;
    const char* text;
};

const MenuRow kViewMenu[] = {
    {kSubMenu, "背景色(&B)"},
    {120, "左(&L)"},
    {122, "中央(&C)"},
    {121, "右(&R)"},
    {kSubEnd, nullptr},
    {kSeparator, nullptr},
    {109, "最新の情報に更新(&R)\tF5"},
    {kSeparator, nullptr},
    {128, "最大化/元の大きさに戻す(&M)\tWClick/F11"},
    {kSeparator, nullptr},
    {610, "プロパティ(&P)"},
};

const MenuRow kSlideMenu[] = {
    {105, "ここからスライドショー(&S)"},
    {kSeparator, nullptr},
    {107, "コピー(&C)\tCtrl+C"},
    {kSeparator, nullptr},
    {104, "削除(&D)\tDelete"},
    {kSeparator, nullptr},
    {kSubMenu, "反転(&R)"},
    {130, "左右反転(&H)"},
    {131, "上下反転(&V)"},
    {kSubEnd, nullptr},
    {kSeparator, nullptr},
    {kSubMenu, "透過色の指定(&T)"},
    {117, "クリック指定(&T)"},
    {kSeparator, nullptr},
    {150, "黒色 RGB(0, 0, 0) (&S)"},
    {151, "白色 RGB(255, 255, 255) (&W)"},
    {152, "赤色 RGB(255, 0, 0) (&R)"},
    {153, "緑色 RGB(0, 255, 0) (&G)"},
    {154, "青色 RGB(0, 0, 255) (&B)"},
    {kSubEnd, nullptr},
    {kSeparator, nullptr},
    {118, "透過色の解除(&K)"},
    {kSeparator, nullptr},
    {133, "右下にプロパティボタン表示(&Z)"},
    {kSeparator, nullptr},
    {110, "プロパティ(&P)\tWClick"},
};

const MenuRow kMarkMenu[] = {
    {106, "スライド追加(&A)"},
    {kSeparator, nullptr},
    {108, "貼り付け(&P)\tCtrl+V"},
};

template <size_t N> void FillMenu(QMenu* menu, const MenuRow (&rows)[N]) {
    QMenu* target = menu;
    for (const MenuRow& row : rows) {
        if (row.id == kSeparator)
            target->addSeparator();
        else if (row.id == kSubMenu)
            target = menu->addMenu(QString::fromUtf8(row.text));
        else if (row.id == kSubEnd)
            target = menu;
        else
            target->addAction(QString::fromUtf8(row.text))->setData(row.id);
    }
}

/// The item of `menu` (sub-menus included) that carries command `id`.
QAction* FindCommand(const QMenu* menu, int id) {
    const QList<QAction*> actions = menu->actions();
    for (QAction* a : actions) {
        if (a->menu()) {
            if (QAction* found = FindCommand(a->menu(), id))
                return found;
        } else if (!a->isSeparator() && a->data().toInt() == id) {
            return a;
        }
    }
    return nullptr;
}

void SetChecked(const QMenu* menu, int id, bool checked) {
    if (QAction* a = FindCommand(menu, id)) {
        a->setCheckable(true);
        a->setChecked(checked);
    }
}

void SetEnabled(const QMenu* menu, int id, bool enabled) {
    if (QAction* a = FindCommand(menu, id))
        a->setEnabled(enabled);
}

/// The local files of a drag, in drag order; other addresses give empty entries,
/// which the add routine skips.
QStringList LocalPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls)
        paths << (url.isLocalFile() ? url.toLocalFile() : QString());
    return paths;
}

bool HasLocalFiles(const QMimeData* data) {
    const QStringList paths = LocalPaths(data);
    for (const QString& p : paths)
        if (!p.isEmpty())
            return true;
    return false;
}

} // namespace

// ---- Dispatch. -----------------------------------------------------------------------------

void EditorWindow::OnCommand(int id) {
    for (const CommandRow& row : kCommandTable) {
        if (row.id == id) {
            (this->*row.handler)(id);
            return;
        }
    }
}

void EditorWindow::LoadAccelerators() {
    // Found by name: the filter class has no meta-object of its own, so a search by type
    // would match any child object.
    const QString name = QStringLiteral("accelerators");
    if (findChild<QObject*>(name, Qt::FindDirectChildrenOnly))
        return;
    auto* filter = new AcceleratorFilter(this);
    filter->setObjectName(name);
    installEventFilter(filter);
}

// ---- Context menu. -------------------------------------------------------------------------

std::unique_ptr<QMenu> EditorWindow::BuildContextMenu(QPoint pt) const {
    auto menu = std::make_unique<QMenu>();
    const Document& doc = CurrentDocument();
    const int cell = HitCell(pt);
    if (cell >= 0) {
        menu->setTitle(QStringLiteral("SLIDE"));
        FillMenu(menu.get(), kSlideMenu);
        for (int i = 0; i < 5; ++i)
            if (QAction* a = FindCommand(menu.get(), 150 + i))
                a->setIcon(ArtPixmap(QString::fromLatin1(kSwatchArt[i]), QSize(16, 16)));
        const int index = m_page * kSlidesPerPage + cell;
        if (index >= 0 && index < doc.slideCount) {
            const SlideRecord& slide = doc.slides[index];
            SetEnabled(menu.get(), 118, slide.keyColor != std::nullopt);
            SetChecked(menu.get(), 130, slide.flipH == 1);
            SetChecked(menu.get(), 131, slide.flipV == 1);
        }
        SetChecked(menu.get(), 133, doc.header.showPropertyButtons == 1);
    } else if (HitMark(pt) >= 0) {
        menu->setTitle(QStringLiteral("MA"));
        FillMenu(menu.get(), kMarkMenu);
        const bool full = doc.slideCount >= kMaxSlides;
        const QClipboard* cb = QGuiApplication::clipboard();
        SetEnabled(menu.get(), 106, !full);
        SetEnabled(menu.get(), 108, !full && cb && HasClipboardBitmap(cb->mimeData()));
    } else {
        menu->setTitle(QStringLiteral("VIEW"));
        FillMenu(menu.get(), kViewMenu);
    }
    return menu;
}

void EditorWindow::TrackContextMenu(QPoint pt) {
    const std::unique_ptr<QMenu> menu = BuildContextMenu(pt);
    const int select = m_selectedCell;
    const int mark = m_mark;
    // Centred horizontally on the pointer.
    const QPoint global = mapToGlobal(pt);
    const QAction* chosen =
        menu->exec(QPoint(global.x() - menu->sizeHint().width() / 2, global.y()));
    const int id = chosen ? chosen->data().toInt() : 0;

    // The highlighted cell and mark lose their highlight once the menu is gone; the
    // command still sees the slide and the mark that were under the pointer.
    QRegion area;
    if (select >= 0)
        area += CellArea(select);
    if (mark >= 0)
        area += MarkArea(mark);
    m_selectedCell = -1;
    m_mark = -1;
    if (!area.isEmpty())
        repaint(area);
    m_selectedCell = select;
    m_mark = mark;

    if (id != 0)
        OnCommand(id);
}

// ---- Handlers. -----------------------------------------------------------------------------

void EditorWindow::OnDeleteSlide(int) {
    const int index = SelectedIndex();
    if (index < 0 || index >= CurrentDocument().slideCount)
        return;
    if (ShowMessage(Msg::DeleteSlideQuestion, QString(), this, MsgKind::YesNo) != Answer::Yes)
        return;
    DeleteSlide(*this, index);
    m_rebuildCells = true;
    repaint();
}

void EditorWindow::OnSlideshowHere(int) {
    const int index = SelectedIndex();
    if (index < 0 || index >= CurrentDocument().slideCount)
        return;
    RunSlideshow(index);
}

void EditorWindow::OnAddSlides(int) {
    AddSlidesCommand(*this, m_mark, this);
}

void EditorWindow::OnCopySlide(int) {
    const int index = SelectedIndex();
    if (index < 0 || index >= CurrentDocument().slideCount)
        return;
    const QString text = SlideClipboardText(CurrentDocument().slides[index]);
    if (!RenderSlidePicture(index, true))
        return;
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb)
        return;
    cb->setMimeData(MakeSlideMimeData(m_workImage, text));
    // A short wait cursor tells the user the copy happened; a timer takes it away so
    // the window never stops answering.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QTimer::singleShot(300, qApp, [] { QGuiApplication::restoreOverrideCursor(); });
}

void EditorWindow::OnPasteSlide(int) {
    const QClipboard* cb = QGuiApplication::clipboard();
    if (!cb)
        return;
    if (PasteSlide(*this, m_mark, cb->mimeData()) >= 0) {
        m_rebuildCells = true;
        repaint();
    }
}

void EditorWindow::OnSlideProperties(int) {
    OpenSlideProperties(SelectedIndex());
}

void EditorWindow::OnTogglePickColor(int) {
    m_pickingColor = !m_pickingColor;
}

void EditorWindow::OnFixedKeyColor(int id) {
    const KeyColor key = id == 118 ? KeyColor() : KeyColor(kFixedKeyColors[id - 150]);
    if (!SetSelectedSlideKey(*this, key))
        return;
    m_rebuildCells = true;
    repaint();
}

void EditorWindow::OnBackgroundColor(int id) {
    DocumentHeader& header = CurrentDocument().header;
    QRgb& field = id == 120   ? header.backgroundLeft
                  : id == 121 ? header.backgroundRight
                              : header.backgroundCenter;
    const std::optional<QRgb> chosen = prompts().chooseColor(field, this);
    if (!chosen)
        return;
    field = *chosen;
    m_modified = true;
    repaint();
}

void EditorWindow::OnToggleMaximize(int) {
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void EditorWindow::OnFlipSlide(int id) {
    if (!ToggleSelectedSlideFlip(*this, id == 130))
        return;
    m_rebuildCells = true;
    repaint(CellArea(m_selectedCell));
}

void EditorWindow::OnTogglePropButtons(int) {
    qint32& shown = CurrentDocument().header.showPropertyButtons;
    shown = shown == 0 ? 1 : 0;
    m_modified = true;
    repaint();
}

void EditorWindow::OnSlideListCommand(int) {
    OpenSlideList();
    m_selectedCell = -1;
    repaint();
}

// ---- Files dragged from the file manager. --------------------------------------------------

namespace {

/// Files are copied into the document, never moved: a file manager told "moved" might
/// delete the originals.
bool AcceptAsCopy(QDropEvent* e) {
    if (!(e->possibleActions() & Qt::CopyAction) || !HasLocalFiles(e->mimeData())) {
        e->ignore();
        return false;
    }
    e->setDropAction(Qt::CopyAction);
    e->accept();
    return true;
}

} // namespace

void EditorWindow::dragEnterEvent(QDragEnterEvent* e) {
    if (AcceptAsCopy(e))
        SetMark(HitMark(e->position().toPoint()));
}

void EditorWindow::dragMoveEvent(QDragMoveEvent* e) {
    if (AcceptAsCopy(e))
        SetMark(HitMark(e->position().toPoint()));
}

void EditorWindow::dragLeaveEvent(QDragLeaveEvent* e) {
    e->accept();
    SetMark(-1);
}

void EditorWindow::dropEvent(QDropEvent* e) {
    if (!AcceptAsCopy(e))
        return;
    const QStringList paths = LocalPaths(e->mimeData());
    const int mark = m_mark;
    // The files are added once the drag has ended, so the file manager is not kept
    // waiting while the images are imported and questions are asked.
    QTimer::singleShot(0, this, [this, paths, mark] {
        AddDroppedFiles(*this, mark, paths, this);
        m_rebuildCells = true;
        repaint();
    });
}
