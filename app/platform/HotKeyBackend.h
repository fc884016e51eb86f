#pragma once
// What global shortcuts need from the desktop: take a key combination system-wide under an id,
// give it back, and hear its presses as that id. Statuses keep the hot key service's encoding.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

namespace platform {

namespace HotKeyStatus {
inline constexpr std::int32_t ok = 0;
// Another client (the desktop or another app) holds the combination, or we already do.
inline constexpr std::int32_t alreadyRegistered = -9878;
// The key code names no key of the keyboard in use.
inline constexpr std::int32_t invalidKey = -50;
// No desktop to register with (not running on X11).
inline constexpr std::int32_t unavailable = -9868;
} // namespace HotKeyStatus

class HotKeyBackend {
public:
    using Reference = std::uint64_t;
    using PressHandler = std::function<void(std::uint32_t id)>;

    struct Registration {
        std::int32_t status = HotKeyStatus::ok;
        std::optional<Reference> reference;
    };

    virtual ~HotKeyBackend() = default;

    // Installs the one handler that hears every press of a registered key, on the main thread
    // and never from inside a registration call. Returns a status.
    virtual std::int32_t installHandler(PressHandler onPress) = 0;
    // keyCode is the program's key code, modifiers in the hot key service's bits.
    virtual Registration registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers, std::uint32_t id) = 0;
    // Unknown references are ignored.
    virtual void unregisterHotKey(Reference reference) = 0;
    // Keys the desktop turned down after taking them (a portal answers later), by id with the
    // status saying why. A tracked read: observers run again when it changes.
    virtual std::map<std::uint32_t, std::int32_t> refused() const { return {}; }
};

// Where nothing can take global keys: every registration is refused as unavailable.
class UnavailableHotKeyBackend final : public HotKeyBackend {
public:
    std::int32_t installHandler(PressHandler) override { return HotKeyStatus::unavailable; }
    Registration registerHotKey(std::uint32_t, std::uint32_t, std::uint32_t) override {
        return {HotKeyStatus::unavailable, std::nullopt};
    }
    void unregisterHotKey(Reference) override {}
};

} // namespace platform
