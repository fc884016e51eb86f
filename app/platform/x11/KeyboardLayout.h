#pragma once
// The keyboard as shortcuts see it: which key a key event came from, and what a key types in the
// layout in use now.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <xcb/xcb.h>

struct xkb_context;

namespace platform::x11 {

class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // The program's key code of the key a key event's native scan code names; none for keys
    // outside the program's key table or when the keyboard is unknown.
    virtual std::optional<std::uint32_t> keyCode(std::uint32_t nativeScanCode) const = 0;
    // The text the key types in the current layout with no modifier held, upper-cased as a
    // shortcut's label shows it; "" when it types nothing printable.
    virtual std::string layoutText(std::uint32_t keyCode) const = 0;
};

// The X server's keyboard through xkbcommon-x11. Every question reads the server's keymap and
// layout afresh, so a layout switched meanwhile is always the one answered for.
class XkbKeyboardLayout final : public KeyboardLayout {
public:
    // Over Qt's own X connection; knows nothing when the program does not run on X11.
    XkbKeyboardLayout();
    // Over another connection, which must outlive this object.
    explicit XkbKeyboardLayout(xcb_connection_t* connection);
    ~XkbKeyboardLayout() override;
    XkbKeyboardLayout(const XkbKeyboardLayout&) = delete;
    XkbKeyboardLayout& operator=(const XkbKeyboardLayout&) = delete;

    // The one over Qt's connection. Main thread only.
    static std::shared_ptr<XkbKeyboardLayout> shared();

    bool isAvailable() const { return connection_ != nullptr; }

    std::optional<std::uint32_t> keyCode(std::uint32_t nativeScanCode) const override;
    std::string layoutText(std::uint32_t keyCode) const override;
    // The X key code of the physical key a program key code stands for.
    std::optional<xcb_keycode_t> x11KeyCode(std::uint32_t keyCode) const;

private:
    struct ContextDeleter {
        void operator()(xkb_context* context) const;
    };

    xcb_connection_t* connection_ = nullptr;
    std::int32_t deviceId_ = -1;
    std::unique_ptr<xkb_context, ContextDeleter> context_;
};

// layoutText of the shared layout, in the shape the settings take to relabel stored shortcuts.
std::function<std::string(std::uint32_t keyCode)> currentLayoutText();

} // namespace platform::x11
