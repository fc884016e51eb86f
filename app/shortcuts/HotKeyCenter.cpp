#include "app/shortcuts/HotKeyCenter.h"

#include <algorithm>

#include <fmt/format.h>

std::string GlobalHotKeyError::errorDescription() const {
    if (status == platform::HotKeyStatus::alreadyRegistered) {
        return HotKeyCenter::tr("This shortcut is already used by the desktop or another app. Turn it off there or "
                                "choose a different one.")
            .toStdString();
    }
    if (status == platform::HotKeyStatus::unavailable) {
        // A Wayland session: the keys are the desktop's to give.
        return HotKeyCenter::tr("Glimpo can't take keys in this session. Bind the action in the desktop's keyboard "
                                "settings (glimpo --help lists the commands).")
            .toStdString();
    }
    return HotKeyCenter::tr("The desktop refused the shortcut (error %1).").arg(status).toStdString();
}

std::uint32_t HotKeyCenter::id(kit::CaptureAction action) {
    // An action keeps the id it came with, wherever it is listed: the desktop's shortcuts portal
    // remembers the user's keys by these ids.
    switch (action) {
    case kit::CaptureAction::area: return 1;
    case kit::CaptureAction::fullscreen: return 2;
    case kit::CaptureAction::window: return 3;
    case kit::CaptureAction::recording: return 4;
    case kit::CaptureAction::text: return 5;
    case kit::CaptureAction::allInOne: return 6;
    case kit::CaptureAction::scroll: return 7;
    }
    return 0;
}

HotKeyCenter::HotKeyCenter(std::unique_ptr<Backend> backend, QObject* parent)
    : QObject(parent), backend_(std::move(backend)) {}

HotKeyCenter::~HotKeyCenter() {
    unregisterAll();
    clearTransient();
}

std::map<kit::CaptureAction, GlobalHotKeyError> HotKeyCenter::registerBindings(const kit::ActiveBindings& bindings) {
    unregisterAll();

    std::map<kit::CaptureAction, GlobalHotKeyError> errors;
    if (const auto failed = installHandlerIfNeeded()) {
        for (const auto& [action, combination] : bindings) errors.emplace(action, *failed);
        return errors;
    }

    for (const kit::CaptureAction action : kit::CaptureAction::allCases()) {
        const auto bound = bindings.find(action);
        if (bound == bindings.end()) continue;
        const std::uint32_t hotKeyId = id(action);
        const auto registration =
            backend_->registerHotKey(bound->second.keyCode, bound->second.carbonModifiers, hotKeyId);
        if (registration.status == platform::HotKeyStatus::ok && registration.reference) {
            registered_.insert_or_assign(hotKeyId, Registered{action, *registration.reference});
        } else {
            errors.emplace(action, GlobalHotKeyError{registration.status});
        }
    }
    return errors;
}

std::map<kit::CaptureAction, GlobalHotKeyError> HotKeyCenter::refusals() const {
    std::map<kit::CaptureAction, GlobalHotKeyError> refusals;
    for (const auto& [hotKeyId, status] : backend_->refused()) {
        if (const auto found = registered_.find(hotKeyId); found != registered_.end())
            refusals.emplace(found->second.action, GlobalHotKeyError{status});
    }
    return refusals;
}

void HotKeyCenter::setTransient(const kit::HotKeyCombination& combination) {
    if (transient_) backend_->unregisterHotKey(*transient_);
    transient_.reset();

    // A desktop that never gives Glimpo the key says so once, not at every recording.
    const auto failing = [this](std::int32_t status) { return std::exchange(transientFailure_, status) != status; };
    if (const auto failed = installHandlerIfNeeded()) {
        if (failing(failed->status)) log_.error("transient hot key handler failed status={}", failed->status);
        return;
    }
    const auto registration = backend_->registerHotKey(combination.keyCode, combination.carbonModifiers, transientId);
    if (registration.status == platform::HotKeyStatus::ok && registration.reference) {
        transient_ = *registration.reference;
        transientFailure_.reset();
    } else if (failing(registration.status)) {
        log_.error("transient hot key failed status={}", registration.status);
    }
}

void HotKeyCenter::clearTransient() {
    if (!transient_) return;
    backend_->unregisterHotKey(*transient_);
    transient_.reset();
}

void HotKeyCenter::unregisterAll() {
    for (const auto& [hotKeyId, entry] : registered_) backend_->unregisterHotKey(entry.reference);
    registered_.clear();
}

std::optional<GlobalHotKeyError> HotKeyCenter::installHandlerIfNeeded() {
    if (handlerInstalled_) return std::nullopt;
    // The backend dies with the center, and with it every delivery still queued.
    const std::int32_t status = backend_->installHandler([this](std::uint32_t hotKeyId) { dispatch(hotKeyId); });
    if (status != platform::HotKeyStatus::ok) return GlobalHotKeyError{status};
    handlerInstalled_ = true;
    return std::nullopt;
}

void HotKeyCenter::dispatch(std::uint32_t hotKeyId) {
    if (hotKeyId == transientId) {
        if (transient_) emit transientPressed();
        return;
    }
    const auto found = registered_.find(hotKeyId);
    if (found == registered_.end()) return;
    emit pressed(found->second.action);
}
