#pragma once
// Scrolling input over Qt's X connection: wheel turns are XTest button 4 and 5 presses at the
// point (the program under it takes them as the user's own), and the stop gestures are passive
// grabs on the root window of Escape, Return, keypad Enter and the primary button, so the wheel
// and every other key still go where the pointer and the focus are. In a Wayland session the
// server is Xwayland, which reaches only X programs: there the wheel is the user's to turn, and
// the grabs hear the keys and clicks given to X windows (Glimpo's panel among them).

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

#include <memory>
#include <vector>

#include "app/platform/ScrollInput.h"
#include "app/platform/x11/KeyboardLayout.h"

namespace platform::x11 {

class X11ScrollInput final : public ScrollInput, private QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // `scrolls` false: a session whose programs XTest cannot reach.
    explicit X11ScrollInput(bool scrolls, std::shared_ptr<const XkbKeyboardLayout> layout = XkbKeyboardLayout::shared());
    ~X11ScrollInput() override;

    bool canScroll() const override;
    void scroll(QPoint rootPoint, int notches, QPoint restingPoint) override;
    void movePointer(QPoint rootPoint) override;
    bool listenForStop() override;
    void stopListening() override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void fakeMotion(QPoint rootPoint);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
    bool scrolls_ = false;
    bool xtest_ = false;
    std::shared_ptr<const XkbKeyboardLayout> layout_;
    std::vector<xcb_keycode_t> keys_;
    bool buttonGrabbed_ = false;
    bool listening_ = false;
    // The press of a grabbed key or button is reported once, on the first of them.
    bool reported_ = false;
};

} // namespace platform::x11
