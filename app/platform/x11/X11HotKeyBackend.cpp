#include "app/platform/x11/XcbConnection.h"
#include "app/platform/x11/X11HotKeyBackend.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cstdlib>

#include "kit/HotKeyCombination.h"

namespace platform::x11 {

namespace {

// Autorepeat presses come faster than this; a real second press after a release we never saw
// (someone else grabbed the keyboard meanwhile) comes slower.
constexpr xcb_timestamp_t repeatWindowMs = 1000;
// Modifiers that tell combinations apart: everything but the locks and the pointer buttons.
constexpr std::uint16_t significantModifiers = 0xFF & ~GrabTable::lockModifiers;

} // namespace

const std::vector<std::uint16_t>& GrabTable::lockVariants() {
    static const std::vector<std::uint16_t> variants{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                                     XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
    return variants;
}

std::uint16_t GrabTable::x11Modifiers(std::uint32_t carbonModifiers) {
    std::uint16_t modifiers = 0;
    if (carbonModifiers & kit::HotKeyCombination::command) modifiers |= XCB_MOD_MASK_4;
    if (carbonModifiers & kit::HotKeyCombination::option) modifiers |= XCB_MOD_MASK_1;
    if (carbonModifiers & kit::HotKeyCombination::control) modifiers |= XCB_MOD_MASK_CONTROL;
    if (carbonModifiers & kit::HotKeyCombination::shift) modifiers |= XCB_MOD_MASK_SHIFT;
    return modifiers;
}

bool GrabTable::contains(xcb_keycode_t keyCode, std::uint16_t modifiers) const {
    return std::any_of(grabs_.begin(), grabs_.end(), [&](const auto& entry) {
        return entry.second.keyCode == keyCode && entry.second.modifiers == modifiers;
    });
}

bool GrabTable::grabsKey(xcb_keycode_t keyCode) const {
    return std::any_of(grabs_.begin(), grabs_.end(), [&](const auto& entry) { return entry.second.keyCode == keyCode; });
}

void GrabTable::add(HotKeyBackend::Reference reference, Grab grab) { grabs_[reference] = grab; }

std::optional<GrabTable::Grab> GrabTable::remove(HotKeyBackend::Reference reference) {
    const auto found = grabs_.find(reference);
    if (found == grabs_.end()) return std::nullopt;
    const Grab grab = found->second;
    grabs_.erase(found);
    return grab;
}

std::vector<GrabTable::Grab> GrabTable::removeAll() {
    std::vector<Grab> all;
    for (const auto& [reference, grab] : grabs_) all.push_back(grab);
    grabs_.clear();
    held_.clear();
    return all;
}

std::optional<std::uint32_t> GrabTable::press(xcb_keycode_t keyCode, std::uint16_t state, xcb_timestamp_t time) {
    const std::uint16_t modifiers = state & significantModifiers;
    const auto grab = std::find_if(grabs_.begin(), grabs_.end(), [&](const auto& entry) {
        return entry.second.keyCode == keyCode && entry.second.modifiers == modifiers;
    });
    if (grab == grabs_.end()) return std::nullopt;

    Held& held = held_[keyCode];
    // Detectable autorepeat sends presses only; the classic kind a release and a press at once.
    const bool repeat = (held.down && time - held.lastPress < repeatWindowMs) ||
                        (!held.down && held.releasedAt != 0 && held.releasedAt == time);
    held.down = true;
    held.lastPress = time;
    if (repeat) return std::nullopt;
    return grab->second.id;
}

void GrabTable::release(xcb_keycode_t keyCode, xcb_timestamp_t time) {
    const auto found = held_.find(keyCode);
    if (found == held_.end()) return;
    found->second.down = false;
    found->second.releasedAt = time;
}

X11HotKeyBackend::X11HotKeyBackend(std::shared_ptr<const XkbKeyboardLayout> layout)
    : connection_(connection()), layout_(std::move(layout)), deliveries_(std::make_unique<QObject>()) {
    if (connection_ == nullptr) return;
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection_)); it.rem > 0; xcb_screen_next(&it)) {
        roots_.push_back(it.data->root);
    }
}

X11HotKeyBackend::~X11HotKeyBackend() {
    // Once Qt has closed its connection the server has dropped the grabs itself.
    if (QCoreApplication::instance() == nullptr) return;
    if (filterInstalled_) QCoreApplication::instance()->removeNativeEventFilter(this);
    if (connection_ == nullptr) return;
    for (const auto& grab : table_.removeAll()) ungrab(grab);
    xcb_flush(connection_);
}

bool X11HotKeyBackend::isAvailable() { return connection() != nullptr; }

std::int32_t X11HotKeyBackend::installHandler(PressHandler onPress) {
    if (connection_ == nullptr || QCoreApplication::instance() == nullptr) return HotKeyStatus::unavailable;
    onPress_ = std::move(onPress);
    if (!filterInstalled_) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filterInstalled_ = true;
    }
    return HotKeyStatus::ok;
}

HotKeyBackend::Registration X11HotKeyBackend::registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers,
                                                             std::uint32_t id) {
    if (connection_ == nullptr) return {HotKeyStatus::unavailable, std::nullopt};
    const auto key = layout_ ? layout_->x11KeyCode(keyCode) : std::nullopt;
    if (!key) return {HotKeyStatus::invalidKey, std::nullopt};
    const GrabTable::Grab grab{*key, GrabTable::x11Modifiers(carbonModifiers), id};
    // The server lets a client grab the same keys twice; two ids on one grab would fire one.
    if (table_.contains(grab.keyCode, grab.modifiers)) return {HotKeyStatus::alreadyRegistered, std::nullopt};

    std::vector<xcb_void_cookie_t> cookies;
    for (const xcb_window_t root : roots_) {
        for (const std::uint16_t variant : GrabTable::lockVariants()) {
            cookies.push_back(xcb_grab_key_checked(connection_, 0, root, grab.modifiers | variant, grab.keyCode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        }
    }
    std::int32_t status = HotKeyStatus::ok;
    for (const auto cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            if (status == HotKeyStatus::ok) {
                status = error->error_code == XCB_ACCESS ? HotKeyStatus::alreadyRegistered
                                                         : -static_cast<std::int32_t>(error->error_code);
            }
            std::free(error);
        }
    }
    if (status != HotKeyStatus::ok) {
        // Half a combination (some lock states only) would fire or not by the state of Num Lock.
        ungrab(grab);
        xcb_flush(connection_);
        return {status, std::nullopt};
    }
    const Reference reference = nextReference_++;
    table_.add(reference, grab);
    return {HotKeyStatus::ok, reference};
}

void X11HotKeyBackend::unregisterHotKey(Reference reference) {
    const auto grab = table_.remove(reference);
    if (!grab || connection_ == nullptr) return;
    ungrab(*grab);
    xcb_flush(connection_);
}

void X11HotKeyBackend::ungrab(const GrabTable::Grab& grab) {
    // Ungrabbing only ever releases this client's own grabs.
    for (const xcb_window_t root : roots_) {
        for (const std::uint16_t variant : GrabTable::lockVariants()) {
            xcb_ungrab_key(connection_, grab.keyCode, root, grab.modifiers | variant);
        }
    }
}

bool X11HotKeyBackend::isRoot(xcb_window_t window) const {
    return std::find(roots_.begin(), roots_.end(), window) != roots_.end();
}

bool X11HotKeyBackend::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || message == nullptr) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const std::uint8_t type = event->response_type & 0x7F;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);

    if (type == XCB_KEY_RELEASE) {
        // The release may reach one of our windows when a grab of ours took the keyboard over.
        table_.release(key->detail, key->time);
        return isRoot(key->event) && table_.grabsKey(key->detail);
    }
    // Another backend's keys are left to it.
    if (!isRoot(key->event) || !table_.grabsKey(key->detail)) return false;
    if (const auto id = table_.press(key->detail, key->state, key->time)) {
        // Out of Qt's event dispatch: the handler may open windows and grab the keyboard.
        QMetaObject::invokeMethod(
            deliveries_.get(),
            [this, id = *id] {
                if (onPress_) onPress_(id);
            },
            Qt::QueuedConnection);
    }
    return true;
}

} // namespace platform::x11
