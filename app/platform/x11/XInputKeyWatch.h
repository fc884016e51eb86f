#pragma once
// Key presses as XInput 2 raw events on the root window, over Qt's connection. The server sends
// raw events to whoever asks, even while another client has grabbed the key, so a press that the
// desktop takes is heard here all the same. Main thread only.

#include <QAbstractNativeEventFilter>

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>

#include "app/platform/KeyPressWatch.h"
#include "app/platform/x11/KeyboardLayout.h"

namespace platform::x11 {

class XInputKeyWatch final : public KeyPressWatch, private QAbstractNativeEventFilter {
    Q_OBJECT

public:
    // Over Qt's connection; none where Qt runs elsewhere or the server has no XInput.
    static std::unique_ptr<XInputKeyWatch> create(
        std::shared_ptr<const KeyboardLayout> layout = XkbKeyboardLayout::shared());
    ~XInputKeyWatch() override;

    void setWatching(bool on) override;

private:
    XInputKeyWatch(xcb_connection_t* connection, std::uint8_t opcode, std::shared_ptr<const KeyboardLayout> layout);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    // Which X key codes are modifiers, and which key-event flag each stands for.
    void readModifierKeys();
    std::uint64_t heldFlags() const;

    xcb_connection_t* connection_ = nullptr;
    std::uint8_t opcode_ = 0;
    std::shared_ptr<const KeyboardLayout> layout_;
    bool watching_ = false;
    std::map<xcb_keycode_t, std::uint64_t> modifierKeys_;
    std::set<xcb_keycode_t> heldModifiers_;
};

} // namespace platform::x11
