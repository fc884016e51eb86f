#pragma once
// Window-manager facts about Glimpo's floating panels that Qt has no flag for.

class QWidget;

namespace platform::x11 {

// Whether something composites translucent windows. Off X11 (offscreen, Wayland) the answer is
// yes; on X11 a compositing manager owns the _NET_WM_CM_Sn selection.
bool compositingManagerRunning();

// Keeps a top-level window on every workspace (_NET_WM_STATE_STICKY and desktop 0xFFFFFFFF).
// Works before the window is mapped and while it is; a no-op off X11.
void makeSticky(QWidget& topLevel);

} // namespace platform::x11
