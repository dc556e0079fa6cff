#include "slideshow/ui/LayerShell.h"

#if defined(LSR_HAVE_LAYER_SHELL)

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QStyleHints>

#include "wlr-layer-shell-unstable-v1-client-protocol.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>
#include <wayland-client.h>
#include <wayland-cursor.h>
#include <xkbcommon/xkbcommon.h>

namespace {

constexpr uint32_t kButtonLeft = 0x110; // BTN_LEFT, BTN_RIGHT, BTN_MIDDLE of linux/input
constexpr uint32_t kButtonRight = 0x111;
constexpr uint32_t kButtonMiddle = 0x112;

Qt::MouseButton ButtonOf(uint32_t button) {
    return button == kButtonLeft     ? Qt::LeftButton
           : button == kButtonRight  ? Qt::RightButton
           : button == kButtonMiddle ? Qt::MiddleButton
                                     : Qt::NoButton;
}

/// Qt's key for the keys a show or its menu reacts to; 0 for the others.
int QtKeyOf(xkb_keysym_t sym) {
    switch (sym) {
    case XKB_KEY_Escape:
        return Qt::Key_Escape;
    case XKB_KEY_Left:
        return Qt::Key_Left;
    case XKB_KEY_Right:
        return Qt::Key_Right;
    case XKB_KEY_Up:
        return Qt::Key_Up;
    case XKB_KEY_Down:
        return Qt::Key_Down;
    case XKB_KEY_space:
        return Qt::Key_Space;
    case XKB_KEY_Prior:
        return Qt::Key_PageUp;
    case XKB_KEY_Next:
        return Qt::Key_PageDown;
    case XKB_KEY_Home:
        return Qt::Key_Home;
    case XKB_KEY_End:
        return Qt::Key_End;
    case XKB_KEY_Return:
        return Qt::Key_Return;
    case XKB_KEY_KP_Enter:
        return Qt::Key_Enter;
    case XKB_KEY_BackSpace:
        return Qt::Key_Backspace;
    default:
        break;
    }
    if (sym >= XKB_KEY_a && sym <= XKB_KEY_z)
        return Qt::Key_A + int(sym - XKB_KEY_a);
    if (sym >= XKB_KEY_A && sym <= XKB_KEY_Z)
        return Qt::Key_A + int(sym - XKB_KEY_A);
    return 0;
}

/// The cursor theme's names for Qt's pointer shapes, the first found is used.
std::vector<const char*> CursorNames(Qt::CursorShape shape) {
    switch (shape) {
    case Qt::SizeAllCursor:
        return {"fleur", "move", "all-scroll"};
    case Qt::SizeHorCursor:
        return {"sb_h_double_arrow", "ew-resize", "h_double_arrow"};
    case Qt::SizeVerCursor:
        return {"sb_v_double_arrow", "ns-resize", "v_double_arrow"};
    case Qt::SizeFDiagCursor:
        return {"bottom_right_corner", "nwse-resize", "fd_double_arrow"};
    case Qt::SizeBDiagCursor:
        return {"bottom_left_corner", "nesw-resize", "bd_double_arrow"};
    default:
        return {"left_ptr", "default", "arrow"};
    }
}

/// Where global coordinates start on the output the surfaces go on.
QPoint OutputOrigin() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().topLeft() : QPoint();
}

} // namespace

// --- the connection -----------------------------------------------------------------

struct LayerShell::Impl {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    wl_seat* seat = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    uint32_t layerVersion = 0;
    wl_pointer* pointer = nullptr;
    wl_keyboard* keyboard = nullptr;
    wl_cursor_theme* cursorTheme = nullptr;
    wl_surface* cursorSurface = nullptr;
    xkb_context* xkb = nullptr;
    xkb_keymap* keymap = nullptr;
    xkb_state* xkbState = nullptr;
    std::vector<LayerSurface*> surfaces;
    LayerSurface* pointerFocus = nullptr;
    LayerSurface* keyboardFocus = nullptr;
    uint32_t enterSerial = 0;
    QPoint pointerAt; ///< surface coordinates
    Qt::CursorShape cursorShown = Qt::BitmapCursor;
    // Double clicks, as Qt tells them: a second press of the same button soon after the
    // first and near it.
    QElapsedTimer clock;
    qint64 lastPress = -1;
    QPoint lastPressAt;
    Qt::MouseButton lastButton = Qt::NoButton;

    ~Impl() {
        if (xkbState)
            xkb_state_unref(xkbState);
        if (keymap)
            xkb_keymap_unref(keymap);
        if (xkb)
            xkb_context_unref(xkb);
        if (cursorSurface)
            wl_surface_destroy(cursorSurface);
        if (cursorTheme)
            wl_cursor_theme_destroy(cursorTheme);
        if (pointer)
            wl_pointer_destroy(pointer);
        if (keyboard)
            wl_keyboard_destroy(keyboard);
        if (layerShell)
            zwlr_layer_shell_v1_destroy(layerShell);
        if (seat)
            wl_seat_destroy(seat);
        if (shm)
            wl_shm_destroy(shm);
        if (compositor)
            wl_compositor_destroy(compositor);
        if (registry)
            wl_registry_destroy(registry);
        if (display)
            wl_display_disconnect(display);
    }

    LayerSurface* SurfaceOf(wl_surface* s) const;
    void ShowCursor(Qt::CursorShape shape);
};

struct LayerSurface::Impl {
    wl_surface* surface = nullptr;
    zwlr_layer_surface_v1* layer = nullptr;
    bool configured = false;
    bool hasPending = false;
    QImage pending;
    QRegion input;
    bool inputDirty = false;
    Qt::CursorShape cursor = Qt::ArrowCursor;
};

LayerSurface* LayerShell::Impl::SurfaceOf(wl_surface* s) const {
    for (LayerSurface* surface : surfaces)
        if (surface->m_impl->surface == s)
            return surface;
    return nullptr;
}

void LayerShell::Impl::ShowCursor(Qt::CursorShape shape) {
    if (!pointer || !cursorTheme || !cursorSurface || shape == cursorShown)
        return;
    wl_cursor* cursor = nullptr;
    for (const char* name : CursorNames(shape))
        if ((cursor = wl_cursor_theme_get_cursor(cursorTheme, name)))
            break;
    if (!cursor || cursor->image_count == 0)
        return;
    wl_cursor_image* image = cursor->images[0];
    wl_buffer* buffer = wl_cursor_image_get_buffer(image);
    if (!buffer)
        return;
    wl_pointer_set_cursor(pointer, enterSerial, cursorSurface, int32_t(image->hotspot_x),
                          int32_t(image->hotspot_y));
    wl_surface_attach(cursorSurface, buffer, 0, 0);
    wl_surface_damage(cursorSurface, 0, 0, int32_t(image->width), int32_t(image->height));
    wl_surface_commit(cursorSurface);
    cursorShown = shape;
}

namespace {

using Impl = LayerShell::Impl;

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    auto* d = static_cast<Impl*>(data);
    if (std::strcmp(interface, wl_compositor_interface.name) == 0 && !d->compositor)
        d->compositor = static_cast<wl_compositor*>(
            wl_registry_bind(registry, name, &wl_compositor_interface, std::min(version, 4u)));
    else if (std::strcmp(interface, wl_shm_interface.name) == 0 && !d->shm)
        d->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (std::strcmp(interface, wl_seat_interface.name) == 0 && !d->seat)
        d->seat = static_cast<wl_seat*>(
            wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
    else if (std::strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0 && !d->layerShell) {
        d->layerVersion = std::min(version, 4u);
        d->layerShell = static_cast<zwlr_layer_shell_v1*>(
            wl_registry_bind(registry, name, &zwlr_layer_shell_v1_interface, d->layerVersion));
    }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

// The pointer.
void OnPointerEnter(void* data, wl_pointer*, uint32_t serial, wl_surface* surface, wl_fixed_t x,
                    wl_fixed_t y) {
    auto* d = static_cast<Impl*>(data);
    d->enterSerial = serial;
    d->pointerFocus = d->SurfaceOf(surface);
    d->pointerAt = QPoint(wl_fixed_to_int(x), wl_fixed_to_int(y));
    d->cursorShown = Qt::BitmapCursor; // the cursor is the surface's to set again
    if (LayerSurface* s = d->pointerFocus) {
        d->ShowCursor(s->Cursor());
        Q_EMIT s->Moved(s->Rect().topLeft() + d->pointerAt);
    }
}

void OnPointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) {
    auto* d = static_cast<Impl*>(data);
    if (LayerSurface* s = d->pointerFocus) {
        d->pointerFocus = nullptr;
        Q_EMIT s->Left();
    }
}

void OnPointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
    auto* d = static_cast<Impl*>(data);
    d->pointerAt = QPoint(wl_fixed_to_int(x), wl_fixed_to_int(y));
    if (LayerSurface* s = d->pointerFocus)
        Q_EMIT s->Moved(s->Rect().topLeft() + d->pointerAt);
}

void OnPointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
    auto* d = static_cast<Impl*>(data);
    LayerSurface* s = d->pointerFocus;
    const Qt::MouseButton b = ButtonOf(button);
    if (!s || b == Qt::NoButton)
        return;
    const QPoint global = s->Rect().topLeft() + d->pointerAt;
    if (state != WL_POINTER_BUTTON_STATE_PRESSED) {
        Q_EMIT s->Released(b, global);
        return;
    }
    const qint64 now = d->clock.elapsed();
    const int slack = QGuiApplication::styleHints()->mouseDoubleClickDistance();
    const bool twice =
        d->lastPress >= 0 && b == d->lastButton &&
        now - d->lastPress < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
        (global - d->lastPressAt).manhattanLength() <= slack;
    // A third press starts counting anew, as Qt does.
    d->lastPress = twice ? -1 : now;
    d->lastPressAt = global;
    d->lastButton = b;
    if (twice)
        Q_EMIT s->DoubleClicked(b, global);
    else
        Q_EMIT s->Pressed(b, global);
}

void OnPointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void OnPointerFrame(void*, wl_pointer*) {}
void OnPointerAxisSource(void*, wl_pointer*, uint32_t) {}
void OnPointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void OnPointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}

/// The pointer's listener; members newer versions of libwayland add stay null (the
/// seat is bound at a version that never sends their events).
const wl_pointer_listener* PointerListener() {
    static const wl_pointer_listener listener = [] {
        wl_pointer_listener l{};
        l.enter = OnPointerEnter;
        l.leave = OnPointerLeave;
        l.motion = OnPointerMotion;
        l.button = OnPointerButton;
        l.axis = OnPointerAxis;
        l.frame = OnPointerFrame;
        l.axis_source = OnPointerAxisSource;
        l.axis_stop = OnPointerAxisStop;
        l.axis_discrete = OnPointerAxisDiscrete;
        return l;
    }();
    return &listener;
}

// The keyboard.
void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
    auto* d = static_cast<Impl*>(data);
    if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 || !d->xkb) {
        ::close(fd);
        return;
    }
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED)
        return;
    xkb_keymap* keymap =
        xkb_keymap_new_from_string(d->xkb, static_cast<const char*>(map), XKB_KEYMAP_FORMAT_TEXT_V1,
                                   XKB_KEYMAP_COMPILE_NO_FLAGS);
    ::munmap(map, size);
    if (!keymap)
        return;
    if (d->xkbState)
        xkb_state_unref(d->xkbState);
    if (d->keymap)
        xkb_keymap_unref(d->keymap);
    d->keymap = keymap;
    d->xkbState = xkb_state_new(keymap);
}

void OnKeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
    auto* d = static_cast<Impl*>(data);
    d->keyboardFocus = d->SurfaceOf(surface);
}

void OnKeyboardLeave(void* data, wl_keyboard*, uint32_t, wl_surface*) {
    static_cast<Impl*>(data)->keyboardFocus = nullptr;
}

void OnKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
    auto* d = static_cast<Impl*>(data);
    if (state != WL_KEYBOARD_KEY_STATE_PRESSED || !d->xkbState || !d->keyboardFocus)
        return;
    // Wayland's key codes are the kernel's; xkb's are 8 more.
    if (const int key2 = QtKeyOf(xkb_state_key_get_one_sym(d->xkbState, key + 8)))
        Q_EMIT d->keyboardFocus->KeyPressed(key2);
}

void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
                 uint32_t locked, uint32_t group) {
    auto* d = static_cast<Impl*>(data);
    if (d->xkbState)
        xkb_state_update_mask(d->xkbState, depressed, latched, locked, 0, 0, group);
}

void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}

const wl_keyboard_listener kKeyboardListener = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                                OnKey,    OnModifiers,     OnRepeatInfo};

// The seat.
void OnCapabilities(void* data, wl_seat* seat, uint32_t caps) {
    auto* d = static_cast<Impl*>(data);
    if ((caps & WL_SEAT_CAPABILITY_POINTER) && !d->pointer) {
        d->pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(d->pointer, PointerListener(), d);
    } else if (!(caps & WL_SEAT_CAPABILITY_POINTER) && d->pointer) {
        wl_pointer_destroy(d->pointer);
        d->pointer = nullptr;
        d->pointerFocus = nullptr;
    }
    if ((caps & WL_SEAT_CAPABILITY_KEYBOARD) && !d->keyboard) {
        d->keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(d->keyboard, &kKeyboardListener, d);
    } else if (!(caps & WL_SEAT_CAPABILITY_KEYBOARD) && d->keyboard) {
        wl_keyboard_destroy(d->keyboard);
        d->keyboard = nullptr;
        d->keyboardFocus = nullptr;
    }
}

void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatListener = {OnCapabilities, OnSeatName};

// A frame's buffer goes when the compositor has done with it.
void OnBufferRelease(void*, wl_buffer* buffer) {
    wl_buffer_destroy(buffer);
}

const wl_buffer_listener kBufferListener = {OnBufferRelease};

/// A buffer of shared memory holding `image` (premultiplied ARGB, as Wayland's ARGB8888
/// lies in memory); null when no memory could be had.
wl_buffer* BufferOf(wl_shm* shm, const QImage& source) {
    const QImage image = source.format() == QImage::Format_ARGB32_Premultiplied
                             ? source
                             : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    const int stride = w * 4;
    const size_t size = size_t(stride) * size_t(h);
    if (w <= 0 || h <= 0)
        return nullptr;
    const int fd = ::memfd_create("luserio-show-frame", MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (::ftruncate(fd, off_t(size)) != 0) {
        ::close(fd);
        return nullptr;
    }
    void* data = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (data == MAP_FAILED) {
        ::close(fd);
        return nullptr;
    }
    for (int y = 0; y < h; ++y)
        std::memcpy(static_cast<uchar*>(data) + size_t(y) * size_t(stride), image.constScanLine(y),
                    size_t(stride));
    ::munmap(data, size); // the compositor maps the memory itself
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(size));
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, w, h, stride, WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    ::close(fd);
    wl_buffer_add_listener(buffer, &kBufferListener, nullptr);
    return buffer;
}

// The layer surface.
void OnLayerConfigure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t,
                      uint32_t) {
    auto* s = static_cast<LayerSurface*>(data);
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    s->ApplyPendingFromCompositor();
}

void OnLayerClosed(void* data, zwlr_layer_surface_v1*) {
    Q_EMIT static_cast<LayerSurface*>(data)->Closed();
}

const zwlr_layer_surface_v1_listener kLayerListener = {OnLayerConfigure, OnLayerClosed};

uint32_t LayerNumber(LayerSurface::Layer layer) {
    return layer == LayerSurface::Layer::Overlay ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY
           : layer == LayerSurface::Layer::Top   ? ZWLR_LAYER_SHELL_V1_LAYER_TOP
                                                 : ZWLR_LAYER_SHELL_V1_LAYER_BOTTOM;
}

} // namespace

LayerShell::LayerShell(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {
    m_impl->clock.start();
    m_impl->xkb = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    wl_seat_add_listener(m_impl->seat, &kSeatListener, m_impl.get());
    m_impl->cursorSurface = wl_compositor_create_surface(m_impl->compositor);
    const QByteArray theme = qgetenv("XCURSOR_THEME");
    const int size = qEnvironmentVariableIntValue("XCURSOR_SIZE");
    m_impl->cursorTheme = wl_cursor_theme_load(theme.isEmpty() ? nullptr : theme.constData(),
                                               size > 0 ? size : 24, m_impl->shm);
    wl_display_roundtrip(m_impl->display); // the seat's abilities and the keymap
    m_notifier =
        new QSocketNotifier(wl_display_get_fd(m_impl->display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { Dispatch(); });
    // What the show asked for goes out before Qt waits for events, and events already
    // read are handled.
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
            wl_display_dispatch_pending(m_impl->display);
            wl_display_flush(m_impl->display);
        });
}

LayerShell::~LayerShell() = default;

namespace {

std::unique_ptr<Impl> ConnectImpl() {
    auto d = std::make_unique<Impl>();
    d->display = wl_display_connect(nullptr);
    if (!d->display)
        return nullptr;
    d->registry = wl_display_get_registry(d->display);
    wl_registry_add_listener(d->registry, &kRegistryListener, d.get());
    wl_display_roundtrip(d->display);
    if (!d->compositor || !d->shm || !d->seat || !d->layerShell)
        return nullptr;
    return d;
}

} // namespace

std::unique_ptr<LayerShell> LayerShell::Connect() {
    std::unique_ptr<Impl> d = ConnectImpl();
    if (!d)
        return nullptr;
    return std::unique_ptr<LayerShell>(new LayerShell(std::move(d)));
}

bool LayerShell::Offered() {
    return ConnectImpl() != nullptr;
}

void LayerShell::Dispatch() {
    wl_display* d = m_impl->display;
    while (wl_display_prepare_read(d) != 0)
        wl_display_dispatch_pending(d);
    wl_display_flush(d);
    if (wl_display_read_events(d) != 0) {
        // The compositor went away: nothing more comes from it.
        m_notifier->setEnabled(false);
        for (LayerSurface* s : m_impl->surfaces)
            Q_EMIT s->Closed();
        return;
    }
    wl_display_dispatch_pending(d);
}

// --- a surface ------------------------------------------------------------------------

LayerSurface::LayerSurface(LayerShell& shell, const char* nameSpace, Layer layer, bool grabKeyboard)
    : m_shell(shell), m_impl(std::make_unique<Impl>()) {
    LayerShell::Impl& d = *shell.m_impl;
    m_impl->surface = wl_compositor_create_surface(d.compositor);
    m_impl->layer = zwlr_layer_shell_v1_get_layer_surface(d.layerShell, m_impl->surface, nullptr,
                                                          LayerNumber(layer), nameSpace);
    zwlr_layer_surface_v1_add_listener(m_impl->layer, &kLayerListener, this);
    zwlr_layer_surface_v1_set_anchor(m_impl->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP |
                                                        ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT);
    // The show takes the keyboard when clicked, never from the user's work by itself
    // (older compositors know only "always", which would lock the keyboard to the show).
    const uint32_t keyboard = grabKeyboard ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE
                              : d.layerVersion >= 4
                                  ? ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_ON_DEMAND
                                  : ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE;
    zwlr_layer_surface_v1_set_keyboard_interactivity(m_impl->layer, keyboard);
    d.surfaces.push_back(this);
}

LayerSurface::~LayerSurface() {
    LayerShell::Impl& d = *m_shell.m_impl;
    d.surfaces.erase(std::remove(d.surfaces.begin(), d.surfaces.end(), this), d.surfaces.end());
    if (d.pointerFocus == this)
        d.pointerFocus = nullptr;
    if (d.keyboardFocus == this)
        d.keyboardFocus = nullptr;
    zwlr_layer_surface_v1_destroy(m_impl->layer);
    wl_surface_destroy(m_impl->surface);
    wl_display_flush(d.display);
}

void LayerSurface::Place(const QRect& rect) {
    m_rect = rect;
    const QPoint at = rect.topLeft() - OutputOrigin();
    zwlr_layer_surface_v1_set_size(m_impl->layer, uint32_t(std::max(rect.width(), 1)),
                                   uint32_t(std::max(rect.height(), 1)));
    zwlr_layer_surface_v1_set_margin(m_impl->layer, at.y(), 0, 0, at.x());
    if (m_mapped)
        Commit();
}

void LayerSurface::SetLayer(Layer layer) {
    if (m_shell.m_impl->layerVersion < 2)
        return; // the layer is the one the surface was made on
    zwlr_layer_surface_v1_set_layer(m_impl->layer, LayerNumber(layer));
    if (m_mapped)
        Commit();
}

void LayerSurface::Present(const QImage& image) {
    m_impl->pending = image;
    m_impl->hasPending = true;
    if (!m_impl->configured) {
        // The first commit, without a buffer, asks the compositor for its configure.
        if (!m_mapped)
            Commit();
        return;
    }
    ApplyPending();
}

void LayerSurface::ApplyPendingFromCompositor() {
    m_impl->configured = true;
    if (m_impl->hasPending)
        ApplyPending();
}

void LayerSurface::ApplyPending() {
    LayerShell::Impl& d = *m_shell.m_impl;
    if (m_impl->inputDirty) {
        wl_region* region = wl_compositor_create_region(d.compositor);
        for (const QRect& r : m_impl->input)
            wl_region_add(region, r.x(), r.y(), r.width(), r.height());
        wl_surface_set_input_region(m_impl->surface, region);
        wl_region_destroy(region);
        m_impl->inputDirty = false;
    }
    if (m_impl->hasPending) {
        if (wl_buffer* buffer = BufferOf(d.shm, m_impl->pending)) {
            wl_surface_attach(m_impl->surface, buffer, 0, 0);
            wl_surface_damage(m_impl->surface, 0, 0, m_impl->pending.width(),
                              m_impl->pending.height());
            m_mapped = true;
        }
        m_impl->hasPending = false;
        m_impl->pending = QImage();
    }
    Commit();
}

void LayerSurface::Unmap() {
    if (!m_mapped)
        return;
    wl_surface_attach(m_impl->surface, nullptr, 0, 0);
    Commit();
    // Mapped again, the surface starts over: a commit without a buffer, the configure.
    m_mapped = false;
    m_impl->configured = false;
}

void LayerSurface::SetInputRegion(const QRegion& region) {
    m_impl->input = region;
    m_impl->inputDirty = true;
    // Applied with the next frame, or at once when the surface shows.
    if (m_mapped && m_impl->configured && !m_impl->hasPending)
        ApplyPending();
}

void LayerSurface::SetCursor(Qt::CursorShape shape) {
    m_impl->cursor = shape;
    if (m_shell.m_impl->pointerFocus == this)
        m_shell.m_impl->ShowCursor(shape);
}

Qt::CursorShape LayerSurface::Cursor() const {
    return m_impl->cursor;
}

void LayerSurface::Commit() {
    wl_surface_commit(m_impl->surface);
    wl_display_flush(m_shell.m_impl->display);
}

#endif // LSR_HAVE_LAYER_SHELL
