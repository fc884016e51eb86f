#pragma once
// System-wide hot keys: one per bound action, plus one transient key the application arms for a
// while (Escape during a recording). Presses come back as actions. Main thread only.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <QObject>

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

class HotKeyCenter : public QObject {
    Q_OBJECT

public:
    using Backend = platform::HotKeyBackend;

    static constexpr std::uint32_t transientId = 999;
    // 1 to 6 for the first six actions, as they were listed, and 7 for the scrolling capture;
    // bound or not.
    static std::uint32_t id(kit::CaptureAction action);

    // No backend: the desktop's own.
    explicit HotKeyCenter(std::unique_ptr<Backend> backend, QObject* parent = nullptr);
    ~HotKeyCenter() override;
    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    // Replaces every action key with these; the errors of those that failed. Leaves the
    // transient key alone.
    std::map<kit::CaptureAction, GlobalHotKeyError> registerBindings(const kit::ActiveBindings& bindings);

    // Action keys the desktop turned down after registering them. A tracked read.
    std::map<kit::CaptureAction, GlobalHotKeyError> refusals() const;

    // Arms the transient key (key code and modifiers only), replacing an armed one. Failures
    // are only logged, and only when they differ from the last one.
    void setTransient(const kit::HotKeyCombination& combination);
    void clearTransient();
    bool isTransientArmed() const { return transient_.has_value(); }

signals:
    // A registered action key was pressed.
    void pressed(kit::CaptureAction action);
    // The armed transient key was pressed.
    void transientPressed();

private:
    struct Registered {
        kit::CaptureAction action;
        Backend::Reference reference;
    };
    void unregisterAll();
    std::optional<GlobalHotKeyError> installHandlerIfNeeded();
    void dispatch(std::uint32_t id);

    std::map<std::uint32_t, Registered> registered_;
    bool handlerInstalled_ = false;
    std::optional<Backend::Reference> transient_;
    std::optional<std::int32_t> transientFailure_;
    std::unique_ptr<Backend> backend_;
    Logger log_{"shortcut"};
};
