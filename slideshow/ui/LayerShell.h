#pragma once
// The show's window as a layer-shell surface, on Wayland compositors that offer the
// wlroots layer-shell protocol (sway and the wlroots family, KWin). Unlike an ordinary
// Wayland window (xdg-shell), a layer surface is placed by its program (margins from the
// output's corner), stays on its layer above (or below) the windows, and every
// compositor that offers it lets a press outside its input region through to what lies
// beneath (sway before 1.10 does not for ordinary floating windows).
//
// Qt 6 has no public way to give one of its windows that role, so the show speaks to the
// compositor on a Wayland connection of its own: it presents the frames it draws in shared
// memory and reads the pointer and the keyboard there. The connection's events are read
// in Qt's event loop.

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QSocketNotifier>
#include <memory>

class LayerSurface;

/// A connection to the Wayland compositor with what the show's surfaces need. Made only
/// where the compositor offers layer-shell.
class LayerShell : public QObject {
    Q_OBJECT
public:
    /// The compositor of WAYLAND_DISPLAY, when it offers layer-shell, shared memory and a
    /// seat; null otherwise (no Wayland display, or a compositor without it: GNOME).
    static std::unique_ptr<LayerShell> Connect();
    ~LayerShell() override;

    /// True when the compositor offers layer-shell on `WAYLAND_DISPLAY` (a short
    /// connection of its own).
    static bool Offered();

    struct Impl;

private:
    explicit LayerShell(std::unique_ptr<Impl> impl);
    friend class LayerSurface;
    std::unique_ptr<Impl> m_impl;
    QSocketNotifier* m_notifier = nullptr;
    void Dispatch();
};

/// One layer surface of `shell`: a rectangle on the output that shows the image it is
/// given, takes the pointer in its input region and reports the pointer and the keys.
/// Coordinates are global (the desktop's, as Qt's screens give them).
class LayerSurface : public QObject {
    Q_OBJECT
public:
    enum class Layer { Bottom, Top, Overlay };
    /// `keyboard`: the surface takes the keyboard when clicked (or, where the protocol
    /// is older, never); `grabKeyboard`: it takes it while mapped (a menu).
    LayerSurface(LayerShell& shell, const char* nameSpace, Layer layer, bool grabKeyboard);
    ~LayerSurface() override;

    /// Places the surface at `rect` (global coordinates) on `layer`.
    void Place(const QRect& rect);
    void SetLayer(Layer layer);
    QRect Rect() const { return m_rect; }
    /// Shows `image` (its size the surface's; premultiplied alpha: fully transparent
    /// pixels show what lies beneath).
    void Present(const QImage& image);
    /// Takes the surface off the screen until the next Present.
    void Unmap();
    bool IsMapped() const { return m_mapped; }
    /// The part of the surface that takes the pointer (surface coordinates).
    void SetInputRegion(const QRegion& region);
    /// The pointer's shape over the surface.
    void SetCursor(Qt::CursorShape shape);
    Qt::CursorShape Cursor() const;
    /// The compositor's configure came: what waits is shown.
    void ApplyPendingFromCompositor();

Q_SIGNALS:
    void Pressed(Qt::MouseButton button, QPoint global);
    void Released(Qt::MouseButton button, QPoint global);
    /// A second press soon after the first at about the same place (as Qt reports it:
    /// instead of the second press).
    void DoubleClicked(Qt::MouseButton button, QPoint global);
    void Moved(QPoint global);
    void Left();
    void KeyPressed(int qtKey);
    /// The compositor took the surface away (its output went).
    void Closed();

private:
    friend class LayerShell;
    friend struct LayerShell::Impl;
    struct Impl;
    void Commit();
    void ApplyPending();

    LayerShell& m_shell;
    std::unique_ptr<Impl> m_impl;
    QRect m_rect;
    bool m_mapped = false;
};
