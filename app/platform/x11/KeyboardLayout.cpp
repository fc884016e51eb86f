#include "app/platform/x11/XcbConnection.h"
#include "app/platform/x11/KeyboardLayout.h"

#include <QString>

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon-names.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <array>

#include "app/platform/x11/KeyNames.h"

namespace platform::x11 {

namespace {

struct KeymapDeleter {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};
struct StateDeleter {
    void operator()(xkb_state* state) const { xkb_state_unref(state); }
};
using KeymapPtr = std::unique_ptr<xkb_keymap, KeymapDeleter>;
using StatePtr = std::unique_ptr<xkb_state, StateDeleter>;

// The server's keymap and the layout group in effect, read together.
struct Snapshot {
    KeymapPtr keymap;
    xkb_layout_index_t group = 0;
};

// A dead key types nothing by itself; shortcuts still want to name it by its accent.
std::string deadKeyText(xkb_keysym_t sym) {
    static constexpr std::array<std::pair<xkb_keysym_t, const char*>, 13> accents{{
        {XKB_KEY_dead_grave, "`"},
        {XKB_KEY_dead_acute, "\u00B4"},
        {XKB_KEY_dead_circumflex, "^"},
        {XKB_KEY_dead_tilde, "~"},
        {XKB_KEY_dead_macron, "\u00AF"},
        {XKB_KEY_dead_breve, "\u02D8"},
        {XKB_KEY_dead_abovedot, "\u02D9"},
        {XKB_KEY_dead_diaeresis, "\u00A8"},
        {XKB_KEY_dead_abovering, "\u02DA"},
        {XKB_KEY_dead_doubleacute, "\u02DD"},
        {XKB_KEY_dead_caron, "\u02C7"},
        {XKB_KEY_dead_cedilla, "\u00B8"},
        {XKB_KEY_dead_ogonek, "\u02DB"},
    }};
    const auto found = std::find_if(accents.begin(), accents.end(), [&](const auto& a) { return a.first == sym; });
    return found != accents.end() ? found->second : "";
}

// Control characters (Return's "\r", Escape's "\x1b") are not labels.
bool printable(const std::string& text) {
    return !text.empty() &&
           std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

std::string textOf(xkb_keymap* keymap, xkb_keycode_t key, xkb_layout_index_t group, xkb_mod_mask_t locked) {
    const StatePtr state(xkb_state_new(keymap));
    if (!state) return {};
    xkb_state_update_mask(state.get(), 0, 0, locked, 0, 0, group);
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(state.get(), key);
    if (sym == XKB_KEY_NoSymbol) return {};
    std::array<char, 16> buffer{};
    if (xkb_keysym_to_utf8(sym, buffer.data(), buffer.size()) > 0) {
        std::string text(buffer.data());
        return printable(text) ? text : std::string();
    }
    return deadKeyText(sym);
}

std::optional<Snapshot> readKeymap(xcb_connection_t* connection, std::int32_t device, xkb_context* context) {
    if (connection == nullptr || device < 0 || context == nullptr) return std::nullopt;
    KeymapPtr keymap(xkb_x11_keymap_new_from_device(context, connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) return std::nullopt;
    const StatePtr state(xkb_x11_state_new_from_device(keymap.get(), connection, device));
    const xkb_layout_index_t group = state ? xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE) : 0;
    return Snapshot{std::move(keymap), group};
}

} // namespace

void XkbKeyboardLayout::ContextDeleter::operator()(xkb_context* context) const { xkb_context_unref(context); }

XkbKeyboardLayout::XkbKeyboardLayout() : XkbKeyboardLayout(connection()) {}

XkbKeyboardLayout::XkbKeyboardLayout(xcb_connection_t* connection) {
    if (connection == nullptr || xcb_connection_has_error(connection)) return;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        return;
    }
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(connection);
    context_.reset(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (device < 0 || !context_) return;
    connection_ = connection;
    deviceId_ = device;
}

XkbKeyboardLayout::~XkbKeyboardLayout() = default;

std::shared_ptr<XkbKeyboardLayout> XkbKeyboardLayout::shared() {
    static std::shared_ptr<XkbKeyboardLayout> layout;
    // Asked before Qt had connected, it is made again once there is a connection.
    if (!layout || (!layout->isAvailable() && connection() != nullptr)) layout = std::make_shared<XkbKeyboardLayout>();
    return layout;
}

std::function<std::string(std::uint32_t)> currentLayoutText() {
    return [](std::uint32_t keyCode) { return XkbKeyboardLayout::shared()->layoutText(keyCode); };
}

std::optional<std::uint32_t> XkbKeyboardLayout::keyCode(std::uint32_t nativeScanCode) const {
    const auto snapshot = readKeymap(connection_, deviceId_, context_.get());
    if (!snapshot || !xkb_keycode_is_legal_x11(nativeScanCode)) return std::nullopt;
    const char* name = xkb_keymap_key_get_name(snapshot->keymap.get(), nativeScanCode);
    if (name == nullptr) return std::nullopt;
    return KeyNames::keyCode(name);
}

std::string XkbKeyboardLayout::layoutText(std::uint32_t keyCode) const {
    const auto name = KeyNames::xkbName(keyCode);
    if (!name) return {};
    const auto snapshot = readKeymap(connection_, deviceId_, context_.get());
    if (!snapshot) return {};
    xkb_keymap* keymap = snapshot->keymap.get();
    const xkb_keycode_t key = xkb_keymap_key_by_name(keymap, std::string(*name).c_str());
    if (key == XKB_KEYCODE_INVALID) return {};
    std::string text = textOf(keymap, key, snapshot->group, 0);
    // Keypad keys type digits only with Num Lock on; that is what they are called.
    if (text.empty() && name->starts_with("KP")) {
        const xkb_mod_index_t numLock = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_NUM);
        if (numLock != XKB_MOD_INVALID) text = textOf(keymap, key, snapshot->group, xkb_mod_mask_t{1} << numLock);
    }
    // Shortcut labels are capitals, in full Unicode ("ß" -> "SS").
    return QString::fromStdString(text).toUpper().toStdString();
}

std::optional<xcb_keycode_t> XkbKeyboardLayout::x11KeyCode(std::uint32_t keyCode) const {
    const auto name = KeyNames::xkbName(keyCode);
    if (!name) return std::nullopt;
    const auto snapshot = readKeymap(connection_, deviceId_, context_.get());
    if (!snapshot) return std::nullopt;
    const xkb_keycode_t key = xkb_keymap_key_by_name(snapshot->keymap.get(), std::string(*name).c_str());
    if (key == XKB_KEYCODE_INVALID || !xkb_keycode_is_legal_x11(key)) return std::nullopt;
    return static_cast<xcb_keycode_t>(key);
}

} // namespace platform::x11
