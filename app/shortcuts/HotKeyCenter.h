#pragma once
// System-wide hot keys: one per bound action, plus one transient key the application arms for a
// while (Escape during a recording). Presses come back as actions. Main thread only.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "app/base/Log.h"
#include "app/platform/HotKeyBackend.h"
#include "kit/CaptureVocabulary.h"
#include "kit/HotKeyBindings.h"
#include "kit/HotKeyCombination.h"

// The desktop refused a hot key; status is what it answered.
struct GlobalHotKeyError {
    std::int32_t status = 0;

    // One sentence for the settings window.
    std::string errorDescription() const;

    friend bool operator==(const GlobalHotKeyError&, const GlobalHotKeyError&) = default;
};

class HotKeyCenter {
public:
    using PressHandler = std::function<void(kit::CaptureAction)>;
    using Backend = platform::HotKeyBackend;

    static constexpr std::uint32_t transientId = 999;
    // An action's id is its place among all actions plus one, bound or not.
    static std::uint32_t id(kit::CaptureAction action);

    // No backend: the desktop's own.
    HotKeyCenter(PressHandler onPress, std::unique_ptr<Backend> backend);
    ~HotKeyCenter();
    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    // Replaces every action key with these; the errors of those that failed. Leaves the
    // transient key alone.
    std::map<kit::CaptureAction, GlobalHotKeyError> registerBindings(const kit::ActiveBindings& bindings);

    // Arms the transient key (key code and modifiers only), replacing an armed one. Failures
    // are only logged.
    void setTransient(const kit::HotKeyCombination& combination, std::function<void()> handler);
    void clearTransient();
    bool isTransientArmed() const { return transient_.has_value(); }

private:
    struct Registered {
        kit::CaptureAction action;
        Backend::Reference reference;
    };
    struct Transient {
        Backend::Reference reference;
        std::function<void()> handler;
    };

    void unregisterAll();
    std::optional<GlobalHotKeyError> installHandlerIfNeeded();
    void dispatch(std::uint32_t id);

    PressHandler onPress_;
    std::map<std::uint32_t, Registered> registered_;
    bool handlerInstalled_ = false;
    std::optional<Transient> transient_;
    std::unique_ptr<Backend> backend_;
    Logger log_{"shortcut"};
};
