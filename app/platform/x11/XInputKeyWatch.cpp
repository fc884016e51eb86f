#include "app/platform/x11/XInputKeyWatch.h"

#include <QCoreApplication>

#include <xcb/xinput.h>

#include <cstdlib>

#include "app/platform/x11/XcbConnection.h"
#include "kit/HotKeyCombination.h"

namespace platform::x11 {

namespace {

constexpr std::uint16_t allMasterDevices = XCB_INPUT_DEVICE_ALL_MASTER;

// The key-event flag of each core modifier, by its index in the modifier mapping (shift, lock,
// control, mod1 ... mod5): Super is Mod4, Alt Mod1.
constexpr std::uint64_t flagOfModifier[8] = {
    kit::EventFlags::shift, 0, kit::EventFlags::control, kit::EventFlags::option, 0, 0, kit::EventFlags::command, 0,
};

void selectRawKeys(xcb_connection_t* c, bool on) {
    struct {
        xcb_input_event_mask_t header;
        std::uint32_t mask;
    } selection{{allMasterDevices, 1},
                on ? std::uint32_t(XCB_INPUT_XI_EVENT_MASK_RAW_KEY_PRESS | XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE) : 0u};
    xcb_input_xi_select_events(c, rootWindow(), 1, &selection.header);
    xcb_flush(c);
}

} // namespace

std::unique_ptr<XInputKeyWatch> XInputKeyWatch::create(std::shared_ptr<const KeyboardLayout> layout) {
    xcb_connection_t* c = connection();
    if (c == nullptr || QCoreApplication::instance() == nullptr) return nullptr;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
    if (extension == nullptr || !extension->present) return nullptr;
    return std::unique_ptr<XInputKeyWatch>(new XInputKeyWatch(c, extension->major_opcode, std::move(layout)));
}

XInputKeyWatch::XInputKeyWatch(xcb_connection_t* connection, std::uint8_t opcode,
                               std::shared_ptr<const KeyboardLayout> layout)
    : connection_(connection), opcode_(opcode), layout_(std::move(layout)) {}

XInputKeyWatch::~XInputKeyWatch() {
    // Once Qt has closed its connection the selection went with it.
    if (QCoreApplication::instance() != nullptr) setWatching(false);
}

void XInputKeyWatch::setWatching(bool on) {
    if (on == watching_) return;
    watching_ = on;
    heldModifiers_.clear();
    if (on) {
        readModifierKeys();
        QCoreApplication::instance()->installNativeEventFilter(this);
    } else {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    selectRawKeys(connection_, on);
}

void XInputKeyWatch::readModifierKeys() {
    modifierKeys_.clear();
    std::unique_ptr<xcb_get_modifier_mapping_reply_t, decltype(&std::free)> reply(
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr), std::free);
    if (!reply) return;
    const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(reply.get());
    const int perModifier = reply->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t key = keys[modifier * perModifier + i];
            // Lock keys and the like count as modifiers too: they are never a shortcut's key.
            if (key != 0) modifierKeys_[key] |= flagOfModifier[modifier];
        }
    }
}

std::uint64_t XInputKeyWatch::heldFlags() const {
    std::uint64_t flags = 0;
    for (const xcb_keycode_t key : heldModifiers_) flags |= modifierKeys_.at(key);
    return flags;
}

bool XInputKeyWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || message == nullptr) return false;
    const auto* event = static_cast<const xcb_ge_generic_event_t*>(message);
    if ((event->response_type & 0x7F) != XCB_GE_GENERIC || event->extension != opcode_) return false;
    if (event->event_type != XCB_INPUT_RAW_KEY_PRESS && event->event_type != XCB_INPUT_RAW_KEY_RELEASE) return false;
    const auto* raw = reinterpret_cast<const xcb_input_raw_key_press_event_t*>(message);
    const auto key = static_cast<xcb_keycode_t>(raw->detail);
    const bool down = event->event_type == XCB_INPUT_RAW_KEY_PRESS;
    if (modifierKeys_.contains(key)) {
        if (down) {
            heldModifiers_.insert(key);
        } else {
            heldModifiers_.erase(key);
        }
        return true;
    }
    // Autorepeat sends presses again; a held key was already heard.
    if (!down || (raw->flags & XCB_INPUT_KEY_EVENT_FLAGS_KEY_REPEAT)) return true;
    if (const auto keyCode = layout_ ? layout_->keyCode(key) : std::nullopt) emit pressed(*keyCode, heldFlags());
    return true;
}

} // namespace platform::x11
