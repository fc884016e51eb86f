#pragma once
// The desktop as screen capture sees it: monitors, client windows with their properties, the
// stacking order, the pointer and pixels. It lists and grabs, in root-window pixels (origin
// top-left of the root, y down); which windows are offered, and at what size, is decided above.
// X11 answers everything itself; a Wayland session lists through Xwayland and takes pixels from
// the desktop's screenshot portal.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <qcoro/qcorotask.h>

namespace platform {

struct Monitor {
    // The monitor's name atom: stable for the X session.
    std::uint32_t name = 0;
    QRect geometry;
    bool primary = false;
};

// _NET_WM_WINDOW_TYPE values; `other` for atoms outside the EWMH list.
enum class WindowType {
    normal,
    dialog,
    desktop,
    dock,
    toolbar,
    menu,
    utility,
    splash,
    dropdownMenu,
    popupMenu,
    tooltip,
    notification,
    combo,
    dnd,
    other,
};

struct FrameExtents {
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
};

struct ClientWindow {
    std::uint32_t id = 0;
    // The client area, without the window manager's decorations.
    QRect geometry;
    // _NET_FRAME_EXTENTS; zero without a window manager.
    FrameExtents extents;
    // In the client's order of preference; empty when the property is missing.
    std::vector<WindowType> types;
    // WM_TRANSIENT_FOR is set: untyped transients count as dialogs.
    bool transient = false;
    // Mapped with every ancestor mapped.
    bool viewable = false;
    // _NET_WM_STATE_HIDDEN (minimised, or shaded away).
    bool hidden = false;
    // _NET_WM_NAME, else WM_NAME; empty when neither is set.
    std::string title;
    // The class part of WM_CLASS (the application's name), else its instance part.
    std::string className;
};

// Reports what was drawn on the screen since the last question, in root pixels. Drawing is
// reported while the main thread's event loop runs.
class DamageWatch {
public:
    virtual ~DamageWatch() = default;
    virtual std::vector<QRect> takeDamage() = 0;
};

class CaptureBackend {
public:
    virtual ~CaptureBackend() = default;

    // RandR monitors in the server's order; one monitor covering the root when the server has
    // no RandR 1.5. Empty only when the server cannot be reached.
    virtual std::vector<Monitor> monitors() = 0;
    // Managed client windows in _NET_CLIENT_LIST order (the order they were mapped); without a
    // window manager, the root's mapped children. Windows that vanish while being read are left
    // out. Throws when the server cannot be reached.
    virtual std::vector<ClientWindow> clientWindows() = 0;
    // _NET_CLIENT_LIST_STACKING as the server keeps it: bottom-most first. Empty when missing.
    virtual std::vector<std::uint32_t> stackingBottomToTop() = 0;
    virtual std::optional<QPoint> pointer() = 0;
    // The pixels of each area (root pixels, Format_RGB32 of exactly the area's size, black outside
    // the root), all from one moment. Throws kit::Error when the screen can't be read.
    virtual QCoro::Task<std::vector<QImage>> grabAreas(std::vector<QRect> areas) = 0;
    // Whether the window, or the frame the window manager put around it, is still on screen.
    virtual bool isShowing(std::uint32_t window) = 0;
    // Starts watching the whole screen for drawing; null when the server cannot tell.
    virtual std::unique_ptr<DamageWatch> watchDamage() = 0;
    // Whether clientWindows() sees every window on screen (not under Xwayland: only X ones).
    virtual bool listsEveryWindow() const { return true; }
};

} // namespace platform
