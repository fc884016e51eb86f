#pragma once
// A desktop hot key service in memory: it refuses what the test says, remembers what is held,
// and presses keys on demand.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "app/base/Observation.h"
#include "app/platform/HotKeyBackend.h"

namespace fakes {

class HotKeyDesk {
public:
    struct Held {
        std::uint32_t keyCode;
        std::uint32_t modifiers;
        std::uint32_t id;
    };

    // Statuses by (key code, modifiers); anything else registers.
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::int32_t> refusals;
    int handlerInstalls = 0;
    std::map<platform::HotKeyBackend::Reference, Held> held;
    platform::HotKeyBackend::PressHandler onPress;
    // Keys turned down after they were taken, by id.
    Observed<std::map<std::uint32_t, std::int32_t>> refusedLater;

    std::optional<Held> heldWithId(std::uint32_t id) const {
        for (const auto& [reference, key] : held) {
            if (key.id == id) return key;
        }
        return std::nullopt;
    }
    void press(std::uint32_t id) {
        if (onPress) onPress(id);
    }
};

// Shares its desk with the test, which outlives the backend's owner or not.
class FakeHotKeyBackend : public platform::HotKeyBackend {
public:
    explicit FakeHotKeyBackend(std::shared_ptr<HotKeyDesk> desk) : desk_(std::move(desk)) {}

    std::int32_t installHandler(PressHandler onPress) override {
        ++desk_->handlerInstalls;
        desk_->onPress = std::move(onPress);
        return platform::HotKeyStatus::ok;
    }
    Registration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers, std::uint32_t id) override {
        if (const auto refused = desk_->refusals.find({keyCode, modifiers}); refused != desk_->refusals.end()) {
            return {refused->second, std::nullopt};
        }
        for (const auto& [reference, key] : desk_->held) {
            if (key.keyCode == keyCode && key.modifiers == modifiers) {
                return {platform::HotKeyStatus::alreadyRegistered, std::nullopt};
            }
        }
        const Reference reference = next_++;
        desk_->held[reference] = {keyCode, modifiers, id};
        return {platform::HotKeyStatus::ok, reference};
    }
    void unregisterHotKey(Reference reference) override { desk_->held.erase(reference); }
    std::map<std::uint32_t, std::int32_t> refused() const override { return desk_->refusedLater.get(); }

    ~FakeHotKeyBackend() override { desk_->onPress = nullptr; }

private:
    std::shared_ptr<HotKeyDesk> desk_;
    Reference next_ = 1;
};

} // namespace fakes
