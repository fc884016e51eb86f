#pragma once
// Global hot keys as passive key grabs on the root windows, over Qt's own X connection. Each
// combination is grabbed once per Caps Lock / Num Lock state so the locks do not matter. Presses
// are read from Qt's event stream and handed on from the event loop. Main thread only.

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <xcb/xcb.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "app/platform/HotKeyBackend.h"
#include "app/platform/x11/KeyboardLayout.h"

namespace platform::x11 {

// Which grab a key event belongs to, and whether it is the keyboard's autorepeat. Pure, so its
// rules can be tried without a server.
class GrabTable {
public:
    struct Grab {
        xcb_keycode_t keyCode = 0;
        std::uint16_t modifiers = 0;
        std::uint32_t id = 0;
    };

    // The lock modifiers every grab is repeated under.
    static constexpr std::uint16_t lockModifiers = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;
    static const std::vector<std::uint16_t>& lockVariants();
    // Hot key bits to X modifiers: command -> Mod4 (Super), option -> Mod1 (Alt).
    static std::uint16_t x11Modifiers(std::uint32_t carbonModifiers);

    bool contains(xcb_keycode_t keyCode, std::uint16_t modifiers) const;
    // Whether any grab is of this key, whatever the modifiers.
    bool grabsKey(xcb_keycode_t keyCode) const;
    void add(HotKeyBackend::Reference reference, Grab grab);
    std::optional<Grab> remove(HotKeyBackend::Reference reference);
    std::vector<Grab> removeAll();

    // The id a key press fires, none for presses that are no grab's or that autorepeat made.
    std::optional<std::uint32_t> press(xcb_keycode_t keyCode, std::uint16_t state, xcb_timestamp_t time);
    void release(xcb_keycode_t keyCode, xcb_timestamp_t time);

private:
    struct Held {
        xcb_timestamp_t lastPress = 0;
        xcb_timestamp_t releasedAt = 0;
        bool down = false;
    };

    std::map<HotKeyBackend::Reference, Grab> grabs_;
    std::map<xcb_keycode_t, Held> held_;
};

class X11HotKeyBackend final : public HotKeyBackend, private QAbstractNativeEventFilter {
public:
    // Over Qt's connection; the layout maps key codes to the keyboard's keys.
    explicit X11HotKeyBackend(std::shared_ptr<const XkbKeyboardLayout> layout = XkbKeyboardLayout::shared());
    // Releases every grab.
    ~X11HotKeyBackend() override;
    X11HotKeyBackend(const X11HotKeyBackend&) = delete;
    X11HotKeyBackend& operator=(const X11HotKeyBackend&) = delete;

    static bool isAvailable();

    std::int32_t installHandler(PressHandler onPress) override;
    Registration registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers, std::uint32_t id) override;
    void unregisterHotKey(Reference reference) override;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void ungrab(const GrabTable::Grab& grab);
    bool isRoot(xcb_window_t window) const;

    xcb_connection_t* connection_ = nullptr;
    std::vector<xcb_window_t> roots_;
    std::shared_ptr<const XkbKeyboardLayout> layout_;
    GrabTable table_;
    Reference nextReference_ = 1;
    PressHandler onPress_;
    bool filterInstalled_ = false;
    // Queued deliveries die with the backend.
    std::unique_ptr<QObject> deliveries_;
};

} // namespace platform::x11
