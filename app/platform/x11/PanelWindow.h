#pragma once
// Window-manager facts about Glimpo's floating panels that Qt has no flag for.

#include <cstdint>

class QWidget;

namespace platform::x11 {

// Whether something composites translucent windows. Off X11 (offscreen, Wayland) the answer is
// yes; on X11 a compositing manager owns the _NET_WM_CM_Sn selection.
bool compositingManagerRunning();

// Keeps a top-level window on every workspace (_NET_WM_STATE_STICKY and desktop 0xFFFFFFFF).
// Works before the window is mapped and while it is; a no-op off X11.
void makeSticky(QWidget& topLevel);

// The window the window manager says has the focus (_NET_ACTIVE_WINDOW); 0 when none or off X11.
std::uint32_t activeWindow();

// Asks the window manager to give the focus back to `window`, as a pager would. A no-op off X11.
void activate(std::uint32_t window);

// Whether the server still shows the top-level window or the frame the window manager put
// around it. False off X11.
bool isShowing(const QWidget& topLevel);

} // namespace platform::x11
