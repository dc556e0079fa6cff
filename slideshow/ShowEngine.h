#pragma once
// The slideshow engine: the state of a running show as one value and every rule that
// changes it, free of any toolkit. A shell (the Qt window, the Windows runtime, the X11
// runtime) translates its window system's events into `in::` events, feeds them to
// Engine::Handle and carries out the `out::` actions of the answer in their order. The
// engine never waits, draws, decodes or touches a window: frames are made by a
// FrameMaker (ShowFrames.h), which the shell asks as out::PrepareFrame says and whose
// results it feeds back as in::FrameReady and in::FrameFailed.
//
// Coordinates are global screen pixels; a Box is left, top, width and height.
//
// An answer's OpenMenu or ShowMessage comes after its other actions (only an EndShow may
// follow); a shell may run them in a nested loop and feed the events that arrive
// meanwhile. Events that arise while a shell carries out an answer (a size report from a
// placement) may be fed at once or after the answer.

#include "slideshow/ShowArithmetic.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace show {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
    bool operator!=(const Point& o) const { return !(*this == o); }
};

/// The show's commands; the values are the commands' numbers in the original program's
/// menu.
enum class Command {
    Loop = 101,           ///< "連続に繰り返す": start again after the last slide
    TimerSwitch = 102,    ///< "タイマー切替え": slides switch by their times
    End = 115,            ///< "スライドショー終了" (Esc)
    ResizeMode = 116,     ///< "サイズ変更": the sizing border on or off (double click)
    TopMost = 127,        ///< "最前面に表示"
    ClickSwitch = 129,    ///< "クリック切替え": slides switch by a click
    FlipHorizontal = 130, ///< "左右反転" (← and →)
    FlipVertical = 131,   ///< "上下反転" (↑ and ↓)
    FitToWindow = 132,    ///< "サイズに合せて拡大"
    // The presentation keys' commands, numbered after the menu's.
    Next = 201,     ///< on to the next slide (Space, Page Down, Enter)
    Previous = 202, ///< back to the previous slide (Backspace, Page Up)
    First = 203,    ///< the first slide (Home)
    Last = 204,     ///< the last slide (End)
    Pause = 205,    ///< "一時停止": the slide's time stands still (P), with timer switching
};

/// Every command: those of the context menu in its order, then the presentation keys'.
constexpr Command kCommands[] = {
    Command::FlipHorizontal, Command::FlipVertical, Command::ResizeMode, Command::FitToWindow,
    Command::TopMost,        Command::Loop,         Command::TimerSwitch, Command::ClickSwitch,
    Command::Pause,          Command::End,          Command::Next,        Command::Previous,
    Command::First,          Command::Last,
};

/// The keys the show knows; a shell maps its key codes onto them (CommandForKey).
enum class Key {
    Escape,
    Left,
    Right,
    Up,
    Down,
    Space,
    PageUp,
    PageDown,
    Home,
    End,
    Enter,
    Backspace,
    P
};

enum class Button { Left, Right, Other };
enum class Timer { Zoom, Second };
enum class MessageKind { Error, Info };

/// The pointer's shape.
enum class Cursor {
    Arrow,
    Move,            ///< four arrows: a move-drag
    SizeHorizontal,  ///< the left or right border
    SizeVertical,    ///< the top or bottom border
    SizeDiagonal,    ///< the top-left or bottom-right corner (↖↘)
    SizeAntiDiagonal ///< the top-right or bottom-left corner (↗↙)
};

/// Sides of the window, as bits.
using Edges = unsigned;
constexpr Edges kLeftEdge = 1;
constexpr Edges kTopEdge = 2;
constexpr Edges kRightEdge = 4;
constexpr Edges kBottomEdge = 8;

constexpr int kBorderWidth = 6; ///< the sizing border in size-change mode

// Messages, by their number in the message table (base/MessageTable.inc).
constexpr int kMsgNoSlideCanBeShown = 30343; ///< 「表示できるスライドがありません」
constexpr int kMsgSlidesSkipped = 30344;     ///< after "スライド <numbers>\n"

/// One slide as the show reads and changes it; flags keep their stored values until the
/// show changes them (to 0 or 1).
struct ShowSlide {
    std::uint16_t switchTime = 0; ///< seconds on show
    std::uint8_t flipH = 0;       ///< any value but 0 mirrors left to right
    std::uint8_t flipV = 0;       ///< any value but 0 mirrors top to bottom
    bool keyed = false;           ///< the slide has a transparent colour of its own
    std::uint32_t key = 0;        ///< that colour, 0x00RRGGBB
    /// The slide has a picture the show may be able to show (as far as the shell knows
    /// at the start); the others are passed over.
    bool showable = true;
};

/// The document as the show reads and changes it: the header's show fields as stored.
struct ShowDocument {
    std::int32_t rect[4] = {}; ///< the window: left, top, right, bottom (exclusive)
    std::int32_t loop = 0;
    std::int32_t timerSwitch = 0;
    std::int32_t topMost = 0;
    std::int32_t fitToWindow = 0;
    std::vector<ShowSlide> slides;
};

/// The colour that is see-through on slide `s`'s frames: its key, or the fill colour of
/// slides without one (0x00RRGGBB).
std::uint32_t SeeThroughColor(const ShowSlide& s);

/// A frame: slide `slide` (none when out of range: the window all see-through) drawn in a
/// window of width x height, with the fit and flips it is drawn with, from its picture
/// decoded for a window of decodeWidth x decodeHeight (see FrameMaker).
struct FrameSpec {
    int slide = -1;
    int width = 0;
    int height = 0;
    bool fit = false;
    bool flipH = false;
    bool flipV = false;
    int decodeWidth = 0;
    int decodeHeight = 0;
    bool paused = false; ///< the pause sign is drawn over the frame's top-left corner
    bool operator==(const FrameSpec& o) const {
        return slide == o.slide && width == o.width && height == o.height && fit == o.fit &&
               flipH == o.flipH && flipV == o.flipV && decodeWidth == o.decodeWidth &&
               decodeHeight == o.decodeHeight && paused == o.paused;
    }
    bool operator!=(const FrameSpec& o) const { return !(*this == o); }
};

/// A frame to make, with what making it needs beyond the spec.
struct FrameRequest {
    FrameSpec spec;
    std::uint32_t key = 0; ///< the see-through colour, 0x00RRGGBB (SeeThroughColor)
    bool keyed = false;    ///< the slide has its own key (a JPEG is then decoded whole)
    bool ahead = false;    ///< for the slide that follows, not the one on show
};

/// An item of the context menu.
struct MenuItem {
    enum class Kind { Command, Separator, SubMenu };
    Kind kind = Kind::Command;
    Command command = Command::End; ///< Kind::Command
    /// UTF-8; a command's text ends with its keys after a tab ("左右反転(&H)\t←,→").
    std::string text;
    bool checked = false;        ///< shows a check mark (only items that are on do)
    bool enabled = true;         ///< false: greyed
    std::vector<MenuItem> items; ///< a sub-menu's items
};

/// The events a shell feeds in.
namespace in {
/// The show starts: `pointer` where the mouse pointer is, `workArea` the work area of the
/// screen it opens on, `storedOn` the top-left of the work area that holds the stored
/// rectangle's centre (none when no screen does), `startIndex` the slide to start with
/// (-1: none until the first switch), `changed` the document's modified flag.
struct Start {
    Point pointer;
    Box workArea;
    std::optional<Point> storedOn;
    int startIndex = 0;
    bool changed = false;
};
struct ZoomTick {};   ///< the zoom timer's tick (every 10 ms)
struct SecondTick {}; ///< the second timer's tick (every 1000 ms)
/// A button pressed at `at`; `workArea` is the work area of the screen under the pointer.
struct Press {
    Button button = Button::Left;
    Point at;
    Box workArea;
};
/// The pointer moved to `at` over the window (or anywhere while it is captured).
struct Move {
    Point at;
    Box workArea;
};
struct Release {
    Button button = Button::Left;
    Point at;
};
/// The second press of a double click (its first press came as a Press).
struct DoubleClick {
    Button button = Button::Left;
    Point at;
};
/// A key pressed; `modified` with Shift, Ctrl or Alt held (such keys do nothing).
struct KeyDown {
    Key key = Key::Escape;
    bool modified = false;
};
/// A command chosen: a menu item, or a shell's own action for a command.
struct Choose {
    Command command = Command::End;
};
struct MenuOpened {};    ///< a context menu opened by the window system itself
struct MenuClosed {};    ///< the context menu closed (after the chosen item's Choose)
struct MessageClosed {}; ///< a message the show asked for was answered
/// The window system reports the window's place and size.
struct Resized {
    Box window;
};
/// The window system cannot size the window as StartSystemResize asked: the show sizes
/// it itself from the press that asked.
struct SystemResizeRefused {};
/// The window system's own sizing of the window began or ended (where it tells).
struct WindowSizing {
    bool active = false;
};
struct FrameReady {
    FrameSpec spec;
};
/// The frame could not be made: the slide's picture does not show.
struct FrameFailed {
    FrameSpec spec;
};
/// On to the next slide now, as when the slide's time is up.
struct Advance {};
/// The window is asked to close (the window system's close, Alt+F4).
struct CloseRequest {};
} // namespace in

using Event =
    std::variant<in::Start, in::ZoomTick, in::SecondTick, in::Press, in::Move, in::Release,
                 in::DoubleClick, in::KeyDown, in::Choose, in::MenuOpened, in::MenuClosed,
                 in::MessageClosed, in::Resized, in::SystemResizeRefused, in::WindowSizing,
                 in::FrameReady, in::FrameFailed, in::Advance, in::CloseRequest>;

/// The actions the engine answers with.
namespace out {
/// Moves and sizes the window to `rect`, above all others when `topMost`.
struct PlaceWindow {
    Box rect;
    bool topMost = false;
};
/// Keeps the window above all others or not, its place unchanged and without hiding it.
struct SetTopMost {
    bool on = false;
};
/// Shows the window. `takeFocus`: in front with the keyboard; otherwise it takes the
/// keyboard back only when it had it before it was hidden.
struct ShowWindow {
    bool takeFocus = false;
};
struct HideWindow {};
/// Size-change mode on or off: the sizing border (kBorderWidth) drawn over the frame and
/// part of the window's visible region, the window at least 50 x 50.
struct SetSizingBorder {
    bool on = false;
};
struct StartTimer {
    Timer timer = Timer::Zoom;
    int periodMs = 0;
};
struct StopTimer {
    Timer timer = Timer::Zoom;
};
/// Has the frame made in the background (FrameMaker::Ask); its result comes back as
/// FrameReady or FrameFailed. A later request of the same kind (on show or ahead)
/// replaces one not yet begun.
struct PrepareFrame {
    FrameRequest request;
};
/// Shows the frame made for `spec` (FrameMaker::Made) from the window's top-left: its
/// pixels, and only its pixels that are not the see-through colour visible and
/// clickable. It may be smaller or larger than the window while the window opens.
struct ShowFrame {
    FrameSpec spec;
};
struct SetTooltip {
    std::string text; ///< UTF-8, two lines
};
struct SetCursor {
    Cursor cursor = Cursor::Arrow;
};
/// Every pointer event goes to the window until ReleasePointer.
struct CapturePointer {};
struct ReleasePointer {};
/// Lets the window system size the window from `edges` with the pressed button; when it
/// cannot, the shell feeds SystemResizeRefused.
struct StartSystemResize {
    Edges edges = 0;
};
/// Opens the context menu, horizontally centred on `at`, its top at `at`. The shell
/// feeds Choose for the chosen item, then MenuClosed.
struct OpenMenu {
    Point at;
    std::vector<MenuItem> items;
};
/// Shows message `id` of the message table after `prefix` (UTF-8); the shell feeds
/// MessageClosed when it was answered.
struct ShowMessage {
    int id = 0;
    std::string prefix;
    MessageKind kind = MessageKind::Info;
};
/// The header's show fields to write back into the document; `changed`: the user has
/// changed something the document stores.
struct StoreHeader {
    std::int32_t rect[4] = {};
    std::int32_t loop = 0;
    std::int32_t timerSwitch = 0;
    std::int32_t topMost = 0;
    std::int32_t fitToWindow = 0;
    bool changed = false;
};
/// Slide `slide`'s flips to write back into the document.
struct StoreSlide {
    int slide = 0;
    std::uint8_t flipH = 0;
    std::uint8_t flipV = 0;
    bool changed = false;
};
/// The show is over: stop both timers, release the pointer, close the menu and the
/// tooltip, close the window. `showedNothing`: no slide could be shown (a player then
/// ends with a failure).
struct EndShow {
    bool showedNothing = false;
};
} // namespace out

using Action =
    std::variant<out::PlaceWindow, out::SetTopMost, out::ShowWindow, out::HideWindow,
                 out::SetSizingBorder, out::StartTimer, out::StopTimer, out::PrepareFrame,
                 out::ShowFrame, out::SetTooltip, out::SetCursor, out::CapturePointer,
                 out::ReleasePointer, out::StartSystemResize, out::OpenMenu, out::ShowMessage,
                 out::StoreHeader, out::StoreSlide, out::EndShow>;

/// A running show, as one value.
struct ShowState {
    ShowDocument doc;     ///< the document as the show has changed it
    bool changed = false; ///< the user changed something the document stores
    int index = 0;        ///< the slide on show; -1 before the first, the count after the last
    int elapsed = 0;      ///< whole seconds counted for the slide on show
    bool paused = false;  ///< the count stands still (only with timer switching)
    /// The slide on show was reached going back (a key): where its picture turns out not
    /// to show, the show goes on back, not forward.
    bool backward = false;
    int zoomStep = 0;     ///< progress of the opening animation, 0 to 20
    Point start;          ///< the pointer at the start: the window grows from there
    Box window;           ///< the window as last placed or reported
    bool visible = false; ///< the window is shown
    bool resizeMode = false;
    bool dragging = false; ///< a move-drag
    Point dragPoint;       ///< the move-drag's last pointer position
    /// The border sizing the show does itself (the window system could not): the edges
    /// dragged, the window and the pointer when it began, the work area it stays in.
    Edges sizingEdges = 0;
    Box sizingFrom;
    Point sizingGrab;
    Box sizingArea;
    /// A press on the border that asked the window system to size the window.
    Edges borderPress = 0;
    Point borderPressAt;
    Box borderPressArea;
    /// The user is sizing the window: until the sizing ends, frames are rescaled from
    /// the picture decoded for a window of sizingDecodeWidth x sizingDecodeHeight.
    bool userSizing = false;
    int sizingDecodeWidth = 0;
    int sizingDecodeHeight = 0;
    /// Rectangles the show gave the window since the user last sized it: the window
    /// system's reports of them, also late ones, are no sizing of the user's.
    std::vector<Box> placed;
    bool menuOpen = false;
    std::optional<Command> chosenInMenu;    ///< run when the menu has closed
    int messagesUp = 0;                     ///< messages asked for and not yet answered
    std::vector<out::ShowMessage> messages; ///< waiting for the menu or a message to close
    std::vector<int> toTell;                ///< slides passed over, not yet named (numbers from 1)
    std::vector<bool> failed;               ///< per slide: its picture turned out not to show
    std::vector<bool> told;                 ///< per slide: its passing over was named
    bool secondTimer = false;               ///< the second timer runs
    bool zoomTimer = false;                 ///< the zoom timer runs
    bool ended = false;
    bool showedNothing = false;
    bool shownAny = false; ///< a slide's frame has been shown
    // Frames.
    FrameSpec wanted; ///< the frame of the slide on show for the window as it is
    bool wantedAsked = false;
    bool wantedReady = false;
    FrameSpec presented; ///< the frame on the window
    bool presentedAny = false;
    FrameSpec ahead; ///< the next slide's frame, asked ahead
    bool aheadAsked = false;
    bool aheadReady = false;
    bool revealPending = false; ///< a switch waits for its frame to hide and show the window
    std::string tooltip;        ///< the tooltip text last given
    Cursor cursor = Cursor::Arrow;
};

/// The context menu's items for `state`: the flips in the sub-menu 「反転(&R)」, then size
/// change and fit, top-most, loop, the two switchings and the pause (greyed in click
/// switching), the end; check marks on what is on.
std::vector<MenuItem> MenuItems(const ShowState& state);
/// A command's text as menus show it (UTF-8).
const char* CommandText(Command c);
/// The keys that give command `c` (unmodified).
std::vector<Key> CommandKeys(Command c);
/// The command key `key` gives; none for a key with Shift, Ctrl or Alt, or without one.
std::optional<Command> CommandForKey(Key key, bool modified);
/// The sizing-border edges under the global point `at`: none outside size-change mode or
/// off the border.
Edges BorderEdgesAt(const ShowState& state, Point at);
/// The pointer's shape over `edges` of the border (Arrow for none).
Cursor CursorForEdges(Edges edges);

class Engine {
public:
    /// A show of `doc` (copied); nothing happens until in::Start.
    explicit Engine(ShowDocument doc);
    /// Applies `event`; what the shell must do, in order.
    std::vector<Action> Handle(const Event& event);
    const ShowState& State() const { return m_state; }

private:
    struct Answer;
    void On(const in::Start& e, Answer& a);
    void On(const in::ZoomTick& e, Answer& a);
    void On(const in::SecondTick& e, Answer& a);
    void On(const in::Press& e, Answer& a);
    void On(const in::Move& e, Answer& a);
    void On(const in::Release& e, Answer& a);
    void On(const in::DoubleClick& e, Answer& a);
    void On(const in::KeyDown& e, Answer& a);
    void On(const in::Choose& e, Answer& a);
    void On(const in::MenuOpened& e, Answer& a);
    void On(const in::MenuClosed& e, Answer& a);
    void On(const in::MessageClosed& e, Answer& a);
    void On(const in::Resized& e, Answer& a);
    void On(const in::SystemResizeRefused& e, Answer& a);
    void On(const in::WindowSizing& e, Answer& a);
    void On(const in::FrameReady& e, Answer& a);
    void On(const in::FrameFailed& e, Answer& a);
    void On(const in::Advance& e, Answer& a);
    void On(const in::CloseRequest& e, Answer& a);

    void Run(Command c, Answer& a);
    bool SwitchToNext(Answer& a);
    void End(bool showedNothing, Answer& a);
    void Place(const Box& rect, Answer& a);
    void StoreRect(const Box& rect, Answer& a);
    void StoreHeader(Answer& a);
    void EndUserSizing();
    bool SlideOnShow() const;
    bool Showable(int index) const;
    int NextSlide(bool collect);
    int PreviousSlide();
    void GoTo(int slide, bool backward, Answer& a);
    FrameSpec SpecFor(int slide, bool forAhead) const;
    void Ask(const FrameSpec& spec, bool ahead, Answer& a);
    void Reconcile(Answer& a);
    void Present(const FrameSpec& spec, Answer& a);
    void Tell(Answer& a);

    ShowState m_state;
};

} // namespace show
