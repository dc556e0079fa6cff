// Menu and key commands of the main window: one action per command, the context menus
// built from them, and the drop of files from the file manager.
#include "base/Platform.h"
#include "base/Prompts.h"
#include "base/Settings.h"
#include "dialogs/CommandAction.h"
#include "document/Document.h"
#include "document/DocumentCommands.h"
#include "document/SlideTable.h"
#include "editor/Text.h"
#include "editor/ui/Art.h"
#include "editor/ui/EditorWindow.h"
#include "image/AddSlides.h"
#include "image/Clipboard.h"
#include "image/SlideImage.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUndoStack>
#include <QUrl>

namespace {

// ---- The commands: name, menu text and key. --------------------------------------------
// A menu text ends with what the menu shows at its right edge, after a tab.

struct CommandSpec {
    Command command;
    const char* name; ///< the action's object name
    const char* text;
    int key = 0; ///< the key, as a Qt key combination; 0 for none
};

const CommandSpec kCommands[] = {
    {Command::DeleteSlide, "deleteSlide", "削除(&D)\tDelete", Qt::Key_Delete},
    {Command::SlideshowFromHere, "slideshowFromHere", "ここからスライドショー(&S)\tShift+F5",
     (Qt::SHIFT | Qt::Key_F5).toCombined()},
    {Command::SlideshowFromStart, "slideshowFromStart", "最初からスライドショー(&W)\tF5",
     Qt::Key_F5},
    {Command::NewDocument, "newDocument", "新規作成(&N)\tCtrl+N",
     (Qt::CTRL | Qt::Key_N).toCombined()},
    {Command::OpenDocument, "openDocument", "開く(&O)...\tCtrl+O",
     (Qt::CTRL | Qt::Key_O).toCombined()},
    {Command::SaveDocument, "saveDocument", "上書き保存(&S)\tCtrl+S",
     (Qt::CTRL | Qt::Key_S).toCombined()},
    {Command::SaveDocumentAs, "saveDocumentAs", "名前を付けて保存(&A)...\tCtrl+Shift+S",
     (Qt::CTRL | Qt::SHIFT | Qt::Key_S).toCombined()},
    {Command::AddSlides, "addSlides", "スライド追加(&A)"},
    {Command::CopySlide, "copySlide", "コピー(&C)\tCtrl+C", (Qt::CTRL | Qt::Key_C).toCombined()},
    {Command::PasteSlide, "pasteSlide", "貼り付け(&P)\tCtrl+V",
     (Qt::CTRL | Qt::Key_V).toCombined()},
    {Command::Refresh, "refresh", "最新の情報に更新(&R)"},
    {Command::SlideProperties, "slideProperties", "プロパティ(&P)\tWClick"},
    {Command::PickKeyColor, "pickKeyColor", "クリック指定(&T)"},
    {Command::ClearKeyColor, "clearKeyColor", "透過色の解除(&K)"},
    {Command::BackgroundLeft, "backgroundLeft", "左(&L)"},
    {Command::BackgroundRight, "backgroundRight", "右(&R)"},
    {Command::BackgroundCenter, "backgroundCenter", "中央(&C)"},
    {Command::ToggleMaximized, "toggleMaximized", "最大化/元の大きさに戻す(&M)\tWClick/F11",
     Qt::Key_F11},
    {Command::FlipHorizontal, "flipHorizontal", "左右反転(&H)"},
    {Command::FlipVertical, "flipVertical", "上下反転(&V)"},
    {Command::TogglePropertyButtons, "togglePropertyButtons", "右下にプロパティボタン表示(&Z)"},
    {Command::KeyBlack, "keyBlack", "黒色 RGB(0, 0, 0) (&S)"},
    {Command::KeyWhite, "keyWhite", "白色 RGB(255, 255, 255) (&W)"},
    {Command::KeyRed, "keyRed", "赤色 RGB(255, 0, 0) (&R)"},
    {Command::KeyGreen, "keyGreen", "緑色 RGB(0, 255, 0) (&G)"},
    {Command::KeyBlue, "keyBlue", "青色 RGB(0, 0, 255) (&B)"},
    {Command::SlideList, "slideList", "プロパティ(&P)"},
};

/// The commands of the fixed transparent colours, in the order of kFixedKeyColors.
const Command kFixedKeyCommands[5] = {Command::KeyBlack, Command::KeyWhite, Command::KeyRed,
                                      Command::KeyGreen, Command::KeyBlue};

// ---- The context menus. --------------------------------------------------------------------

/// One row of a context menu: a command, a separator, or a sub-menu's start (with its
/// title) or end.
struct MenuRow {
    enum Kind { Item, Separator, SubMenu, SubMenuEnd } kind;
    Command command = Command::Refresh; ///< for an item
    const char* title = nullptr;        ///< for a sub-menu
};

constexpr MenuRow Item(Command c) {
    return {MenuRow::Item, c};
}
constexpr MenuRow kSeparator{MenuRow::Separator};
constexpr MenuRow SubMenu(const char* title) {
    return {MenuRow::SubMenu, Command::Refresh, title};
}
constexpr MenuRow kSubMenuEnd{MenuRow::SubMenuEnd};

/// Over the page's background.
const MenuRow kViewMenu[] = {
    Item(Command::Undo),
    Item(Command::Redo),
    kSeparator,
    SubMenu("ファイル(&F)"),
    Item(Command::NewDocument),
    Item(Command::OpenDocument),
    Item(Command::SaveDocument),
    Item(Command::SaveDocumentAs),
    kSubMenuEnd,
    Item(Command::SlideshowFromStart),
    kSeparator,
    SubMenu("背景色(&B)"),
    Item(Command::BackgroundLeft),
    Item(Command::BackgroundCenter),
    Item(Command::BackgroundRight),
    kSubMenuEnd,
    kSeparator,
    Item(Command::Refresh),
    kSeparator,
    Item(Command::ToggleMaximized),
    kSeparator,
    Item(Command::SlideList),
};

/// Over a slide image.
const MenuRow kSlideMenu[] = {
    Item(Command::Undo),
    Item(Command::Redo),
    kSeparator,
    Item(Command::SlideshowFromHere),
    kSeparator,
    Item(Command::CopySlide),
    kSeparator,
    Item(Command::DeleteSlide),
    kSeparator,
    SubMenu("反転(&R)"),
    Item(Command::FlipHorizontal),
    Item(Command::FlipVertical),
    kSubMenuEnd,
    kSeparator,
    SubMenu("透過色の指定(&T)"),
    Item(Command::PickKeyColor),
    kSeparator,
    Item(Command::KeyBlack),
    Item(Command::KeyWhite),
    Item(Command::KeyRed),
    Item(Command::KeyGreen),
    Item(Command::KeyBlue),
    kSubMenuEnd,
    kSeparator,
    Item(Command::ClearKeyColor),
    kSeparator,
    Item(Command::TogglePropertyButtons),
    kSeparator,
    Item(Command::SlideProperties),
};

/// Over an insertion mark.
const MenuRow kMarkMenu[] = {
    Item(Command::Undo),      Item(Command::Redo), kSeparator,
    Item(Command::AddSlides), kSeparator,          Item(Command::PasteSlide),
};

template <size_t N>
void FillMenu(QMenu* menu, const MenuRow (&rows)[N], const EditorWindow& window) {
    QMenu* target = menu;
    for (const MenuRow& row : rows) {
        switch (row.kind) {
        case MenuRow::Separator:
            target->addSeparator();
            break;
        case MenuRow::SubMenu:
            target = menu->addMenu(QString::fromUtf8(row.title));
            break;
        case MenuRow::SubMenuEnd:
            target = menu;
            break;
        case MenuRow::Item:
            target->addAction(window.CommandAction(row.command));
            break;
        }
    }
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

// ---- The actions. ------------------------------------------------------------------------

void EditorWindow::CreateActions() {
    for (const CommandSpec& entry : kCommands) {
        QList<QKeySequence> keys;
        if (entry.key)
            keys << QKeySequence(entry.key);
        QAction* action = AddCommandAction(this, entry.name, entry.text, keys);
        const Command c = entry.command;
        connect(action, &QAction::triggered, this, [this, c] { RunCommand(c); });
        m_actions[c] = action;
    }
    for (Command c :
         {Command::FlipHorizontal, Command::FlipVertical, Command::TogglePropertyButtons})
        m_actions[c]->setCheckable(true);
    for (int i = 0; i < 5; ++i)
        m_actions[kFixedKeyCommands[i]]->setIcon(
            ArtPixmap(QString::fromLatin1(kSwatchArt[i]), QSize(16, 16)));
    // F1: the manual from its title page, as the help icon shows it.
    connect(AddCommandAction(this, "help", "ヘルプ", {QKeySequence::HelpContents}),
            &QAction::triggered, this, &EditorWindow::OpenHelp);
}

QAction* EditorWindow::CommandAction(Command c) const {
    const auto it = m_actions.find(c);
    return it == m_actions.end() ? nullptr : it->second;
}

void EditorWindow::UpdateActions(std::optional<QPoint> pt) {
    for (const auto& [command, action] : m_actions) {
        action->setEnabled(true);
        action->setChecked(false);
    }
    UpdateUndoActions();
    if (!pt)
        return;
    const Document& doc = CurrentDocument();
    const int cell = HitCell(*pt);
    if (cell >= 0) {
        const int index = m_page * kSlidesPerPage + cell;
        if (index >= 0 && index < doc.slideCount) {
            const SlideRecord& slide = doc.slides[index];
            m_actions[Command::ClearKeyColor]->setEnabled(slide.keyColor.has_value());
            m_actions[Command::FlipHorizontal]->setChecked(slide.flipH == 1);
            m_actions[Command::FlipVertical]->setChecked(slide.flipV == 1);
        }
        m_actions[Command::TogglePropertyButtons]->setChecked(doc.header.showPropertyButtons == 1);
    } else if (HitMark(*pt) >= 0) {
        const bool full = doc.slideCount >= kMaxSlides;
        const QClipboard* cb = QGuiApplication::clipboard();
        m_actions[Command::AddSlides]->setEnabled(!full);
        m_actions[Command::PasteSlide]->setEnabled(!full && cb &&
                                                   HasClipboardBitmap(cb->mimeData()));
    }
}

// ---- Context menu. -------------------------------------------------------------------------

std::unique_ptr<QMenu> EditorWindow::BuildContextMenu(QPoint pt) {
    auto menu = std::make_unique<QMenu>();
    UpdateActions(pt);
    if (HitCell(pt) >= 0) {
        menu->setTitle(QStringLiteral("SLIDE"));
        FillMenu(menu.get(), kSlideMenu, *this);
    } else if (HitMark(pt) >= 0) {
        menu->setTitle(QStringLiteral("MA"));
        FillMenu(menu.get(), kMarkMenu, *this);
    } else {
        menu->setTitle(QStringLiteral("VIEW"));
        FillMenu(menu.get(), kViewMenu, *this);
        AddRecentDocumentsMenu(menu.get());
    }
    // The states belong to this menu: once it is gone the keys find every action enabled.
    connect(menu.get(), &QObject::destroyed, this, [this] { UpdateActions(std::nullopt); });
    return menu;
}

void EditorWindow::TrackContextMenu(QPoint pt) {
    const std::unique_ptr<QMenu> menu = BuildContextMenu(pt);
    const int select = m_selectedCell;
    const int mark = m_mark;
    // Centred horizontally on the pointer.
    const QPoint global = mapToGlobal(pt);
    m_menuOpen = true;
    m_chosenInMenu = nullptr;
    menu->exec(QPoint(global.x() - menu->sizeHint().width() / 2, global.y()));
    m_menuOpen = false;

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

    if (const std::function<void()> chosen = std::exchange(m_chosenInMenu, nullptr))
        chosen();
}

// ---- The commands' work. --------------------------------------------------------------------

void EditorWindow::RunCommand(Command c) {
    if (m_menuOpen) {
        m_chosenInMenu = [this, c] { RunCommand(c); };
        return;
    }
    switch (c) {
    case Command::DeleteSlide:
        DeleteSlideUnderPointer();
        break;
    case Command::SlideshowFromHere:
        SlideshowFromSlideUnderPointer();
        break;
    case Command::AddSlides:
        AddSlidesAtMark();
        break;
    case Command::CopySlide:
        CopySlideUnderPointer();
        break;
    case Command::PasteSlide:
        PasteSlideAtMark();
        break;
    case Command::Refresh:
        break;
    case Command::SlideProperties:
        OpenSlideProperties(SelectedIndex());
        break;
    case Command::PickKeyColor:
        TogglePickMode();
        break;
    case Command::ClearKeyColor:
        SetKeyOfSlideUnderPointer(std::nullopt);
        break;
    case Command::KeyBlack:
    case Command::KeyWhite:
    case Command::KeyRed:
    case Command::KeyGreen:
    case Command::KeyBlue:
        SetKeyOfSlideUnderPointer(kFixedKeyColors[int(c) - int(Command::KeyBlack)]);
        break;
    case Command::BackgroundLeft:
    case Command::BackgroundRight:
    case Command::BackgroundCenter:
        ChooseBackgroundColor(c);
        break;
    case Command::ToggleMaximized:
        ToggleMaximized();
        break;
    case Command::FlipHorizontal:
    case Command::FlipVertical:
        FlipSlideUnderPointer(c == Command::FlipHorizontal);
        break;
    case Command::TogglePropertyButtons:
        TogglePropertyButtons();
        break;
    case Command::SlideList:
        OpenSlideListFromMenu();
        break;
    case Command::SlideshowFromStart:
        RunSlideshow(0);
        break;
    case Command::NewDocument:
        OnNewCommand(*this);
        break;
    case Command::OpenDocument:
        OnOpenCommand(*this);
        break;
    case Command::SaveDocument:
        OnSaveCommand(*this);
        break;
    case Command::SaveDocumentAs:
        OnSaveAsCommand(*this);
        break;
    case Command::Undo:
        m_undo->undo();
        break;
    case Command::Redo:
        m_undo->redo();
        break;
    }
}

void EditorWindow::DeleteSlideUnderPointer() {
    const int index = SelectedIndex();
    if (index < 0 || index >= CurrentDocument().slideCount)
        return;
    // The question names the slide, so that the user sees which one goes (the pointer
    // or the keyboard's ring chose it, not a selection the user made on purpose).
    const QString which = QStringLiteral("スライド %1 (切替え時間 %2)\n")
                              .arg(index + 1)
                              .arg(FormatSwitchTime(CurrentDocument().slides[index].switchTime));
    if (ShowMessage(Msg::DeleteSlideQuestion, which, this, MsgKind::YesNo) != Answer::Yes)
        return;
    RecordChange(QStringLiteral("スライドの削除"), [&] { DeleteSlide(*this, index); });
    m_rebuildCells = true;
    // From the keyboard, the ring goes to the slide that took the deleted one's place.
    if (m_keyboardLast)
        SetCurrentSlide(index);
    repaint();
}

void EditorWindow::SlideshowFromSlideUnderPointer() {
    // Without a slide under the pointer or a current one (Shift+F5 anywhere), the show
    // starts from the first slide.
    const int index = SelectedIndex();
    RunSlideshow(index >= 0 && index < CurrentDocument().slideCount ? index : 0);
}

void EditorWindow::AddSlidesAtMark() {
    RecordChange(QStringLiteral("スライドの追加"), [&] { AddSlidesCommand(*this, m_mark, this); });
}

void EditorWindow::CopySlideUnderPointer() {
    const int index = SelectedIndex();
    if (index < 0 || index >= CurrentDocument().slideCount)
        return;
    const SlideRecord& slide = CurrentDocument().slides[index];
    const QString text = SlideClipboardText(slide);
    if (!RenderSlidePicture(index, true))
        return;
    QClipboard* cb = QGuiApplication::clipboard();
    if (!cb)
        return;
    // Other programs take the image; a paste here takes the slide's own picture.
    cb->setMimeData(MakeSlideMimeData(m_workImage, text, slide.picture.get()));
    // A short wait cursor tells the user the copy happened; a timer takes it away so
    // the window never stops answering.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QTimer::singleShot(300, qApp, [] { QGuiApplication::restoreOverrideCursor(); });
}

void EditorWindow::PasteSlideAtMark() {
    const QClipboard* cb = QGuiApplication::clipboard();
    if (!cb)
        return;
    // From the keyboard, the paste goes right after the current slide.
    if (m_keyboardLast && m_selectedCell >= 0)
        m_mark = m_selectedCell + 1;
    int pasted = -1;
    RecordChange(QStringLiteral("スライドの貼り付け"),
                 [&] { pasted = PasteSlide(*this, m_mark, cb->mimeData()); });
    if (pasted >= 0) {
        m_rebuildCells = true;
        if (m_keyboardLast)
            SetCurrentSlide(pasted); // the ring moves on to the slide pasted
        repaint();
    }
}

void EditorWindow::TogglePickMode() {
    if (std::holds_alternative<PickingColor>(m_gesture))
        m_gesture = {};
    else
        m_gesture = PickingColor{};
}

void EditorWindow::SetKeyOfSlideUnderPointer(const KeyColor& key) {
    bool set = false;
    RecordChange(key ? QStringLiteral("透過色の指定") : QStringLiteral("透過色の解除"),
                 [&] { set = SetSelectedSlideKey(*this, key); });
    if (!set)
        return;
    m_rebuildCells = true;
    repaint();
}

void EditorWindow::ChooseBackgroundColor(Command which) {
    DocumentHeader& header = CurrentDocument().header;
    QRgb& field = which == Command::BackgroundLeft    ? header.backgroundLeft
                  : which == Command::BackgroundRight ? header.backgroundRight
                                                      : header.backgroundCenter;
    const std::optional<QRgb> chosen = prompts().chooseColor(field, this);
    if (!chosen)
        return;
    RecordChange(QStringLiteral("背景色の変更"), [&] { field = *chosen; });
    repaint();
}

void EditorWindow::ToggleMaximized() {
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void EditorWindow::FlipSlideUnderPointer(bool horizontal) {
    bool flipped = false;
    RecordChange(horizontal ? QStringLiteral("左右反転") : QStringLiteral("上下反転"),
                 [&] { flipped = ToggleSelectedSlideFlip(*this, horizontal); });
    if (!flipped)
        return;
    m_rebuildCells = true;
    repaint(CellArea(m_selectedCell));
}

void EditorWindow::TogglePropertyButtons() {
    RecordChange(QStringLiteral("プロパティボタンの表示"), [] {
        qint32& shown = CurrentDocument().header.showPropertyButtons;
        shown = shown == 0 ? 1 : 0;
    });
    repaint();
}

// ---- Recent documents. ---------------------------------------------------------------------

void EditorWindow::AddRecentDocumentsMenu(QMenu* menu) {
    const QStringList paths = ReadRecentDocuments();
    menu->addSeparator();
    QMenu* recent = menu->addMenu(QStringLiteral("最近使ったドキュメント(&D)"));
    recent->setObjectName(QStringLiteral("recentDocuments"));
    recent->setToolTipsVisible(true);
    recent->setEnabled(!paths.isEmpty());
    for (int i = 0; i < paths.size(); ++i) {
        const QString& path = paths[i];
        QString name = path.mid(LastPathSeparator(path) + 1);
        name.replace(QLatin1Char('&'), QLatin1String("&&")); // no accelerator of its own
        QAction* item = recent->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(name));
        item->setToolTip(QDir::toNativeSeparators(path));
        connect(item, &QAction::triggered, this, [this, path] { OpenRecentDocument(path); });
    }
}

void EditorWindow::OpenRecentDocument(const QString& path) {
    if (m_menuOpen) {
        m_chosenInMenu = [this, path] { OpenRecentDocument(path); };
        return;
    }
    OnOpenRecentCommand(*this, path);
}

void EditorWindow::OpenSlideListFromMenu() {
    OpenSlideList();
    m_selectedCell = -1;
    repaint();
}

// ---- Files dragged from the file manager. --------------------------------------------------

namespace {

/// The first document file (.lsr) among the local files of a drag; empty when none.
/// A drop holding one opens it, and the other files are not looked at.
QString DroppedDocument(const QMimeData* data) {
    const QStringList paths = LocalPaths(data);
    for (const QString& p : paths)
        if (p.endsWith(QLatin1String(".lsr"), Qt::CaseInsensitive))
            return p;
    return QString();
}

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
    // A document is opened, not inserted: no mark shows where it would go.
    if (AcceptAsCopy(e))
        SetMark(DroppedDocument(e->mimeData()).isEmpty() ? HitMark(e->position().toPoint()) : -1);
}

void EditorWindow::dragMoveEvent(QDragMoveEvent* e) {
    if (AcceptAsCopy(e))
        SetMark(DroppedDocument(e->mimeData()).isEmpty() ? HitMark(e->position().toPoint()) : -1);
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
    // The files are added (or the document opened) once the drag has ended, so the file
    // manager is not kept waiting while they are read and questions are asked.
    const QString document = DroppedDocument(e->mimeData());
    if (!document.isEmpty()) {
        SetMark(-1);
        QTimer::singleShot(0, this, [this, document] { OnOpenPathCommand(*this, document); });
        return;
    }
    QTimer::singleShot(0, this, [this, paths, mark] {
        RecordChange(QStringLiteral("スライドの追加"),
                     [&] { AddDroppedFiles(*this, mark, paths, this); });
        m_rebuildCells = true;
        repaint();
    });
}
