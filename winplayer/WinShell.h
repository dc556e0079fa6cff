#pragma once
// The Windows shell of the show engine (slideshow/ShowEngine): a borderless layered
// window whose see-through colour is transparent to the eye and to the pointer. Win32
// messages go to the engine as its events; the window carries out the engine's actions
// (placing and showing itself, timers, the pointer's capture and shape, the frames made
// by the frame maker in its worker thread, the context menu, the tooltip, messages). No
// rule of the show lives here.

#include "slideshow/ShowEngine.h"
#include "slideshow/ShowFrames.h"

#include <windows.h>

#include <deque>
#include <memory>

namespace winplayer {

class PopupMenu;

class WinShell {
public:
    /// A show of `doc`, its pictures read from `pictures`.
    WinShell(HINSTANCE instance, show::ShowDocument doc,
             std::shared_ptr<const show::PictureSource> pictures);
    ~WinShell();
    WinShell(const WinShell&) = delete;
    WinShell& operator=(const WinShell&) = delete;

    /// Plays the show to its end; what the program returns: 1 when it ended on a failure
    /// (nothing could be shown, no memory), else 0.
    int Run();

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

    /// Gives `event` to the engine and carries out its answer. Events that arise while an
    /// answer is carried out (the size report of a placement) follow after it; those that
    /// arrive while the menu or a message is open go through at once.
    void Feed(const show::Event& event);
    void Pump();
    void Carry(const show::Action& action);
    void Do(const show::out::PlaceWindow& a);
    void Do(const show::out::SetTopMost& a);
    void Do(const show::out::ShowWindow& a);
    void Do(const show::out::HideWindow& a);
    void Do(const show::out::SetSizingBorder& a);
    void Do(const show::out::StartTimer& a);
    void Do(const show::out::StopTimer& a);
    void Do(const show::out::PrepareFrame& a);
    void Do(const show::out::ShowFrame& a);
    void Do(const show::out::SetTooltip& a);
    void Do(const show::out::SetCursor& a);
    void Do(const show::out::CapturePointer& a);
    void Do(const show::out::ReleasePointer& a);
    void Do(const show::out::StartSystemResize& a);
    void Do(const show::out::OpenMenu& a);
    void Do(const show::out::ShowMessage& a);
    void Do(const show::out::StoreHeader& a);
    void Do(const show::out::StoreSlide& a);
    void Do(const show::out::EndShow& a);

    /// Feeds the frame maker's results to the engine.
    void DeliverFrames();
    /// Lets the system size the window from `edges` (show::Edges), as the engine asked.
    void SystemResize(unsigned edges);
    void Paint(HDC dc);
    void PlaceOnTop(bool on);
    show::Box WindowBox() const;
    show::Point PointerAt(LPARAM lp) const;

    HINSTANCE m_instance;
    HWND m_hwnd = nullptr;
    HWND m_tooltip = nullptr;
    std::wstring m_tipText;
    std::unique_ptr<show::Engine> m_engine;
    std::shared_ptr<const show::PictureSource> m_pictures;
    std::unique_ptr<show::FrameMaker> m_frames;
    std::deque<show::Event> m_queue;
    bool m_feeding = false;
    show::FramePtr m_frame; ///< the frame on the window
    COLORREF m_key = CLR_INVALID;
    bool m_border = false; ///< size-change mode: the sizing border shows
    bool m_topMost = false;
    bool m_activeWhenHidden = false;
    HCURSOR m_cursor = nullptr;
    bool m_releasing = false; ///< the window lets the pointer go itself
    bool m_systemSizing = false;
    PopupMenu* m_menu = nullptr; ///< the open context menu
    bool m_ended = false;
    bool m_failed = false;
};

} // namespace winplayer
