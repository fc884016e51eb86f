#include "app/shortcuts/ShortcutService.h"

#include <QGuiApplication>

#include <algorithm>

#include "app/base/AppSettings.h"
#include "app/base/GlimpoUIState.h"
#include "app/shortcuts/HotKeyCapture.h"
#include "kit/HotKeyBindings.h"

ShortcutService::ShortcutService(AppSettings& settings, std::unique_ptr<platform::HotKeyBackend> backend,
                                 QObject* parent)
    : QObject(parent), settings_(settings), center_(std::move(backend)) {
    connect(&center_, &HotKeyCenter::pressed, this, &ShortcutService::pressed);
}

ShortcutService::~ShortcutService() = default;

void ShortcutService::start() {
    observeChanges(this, [this] { registerShortcuts(); });
    if (qGuiApp != nullptr) {
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) retryHeldKeys();
        });
    }
}

void ShortcutService::retryHeldKeys() {
    if (someKeyHeld_) registerShortcuts();
}

void ShortcutService::registerShortcuts() {
    const kit::ActiveBindings bindings = kit::HotKeyBindings::active(settings_.hotKeyOverrides());
    // A grab would take the combination before the recorder sees it; the failures of the last
    // registration stay shown meanwhile.
    if (GlimpoUIState::shared().openSurfaces().contains(std::string(HotKeyCapture::surfaceName))) {
        center_.registerBindings({});
        logOutcome(0, {});
        return;
    }
    auto errors = center_.registerBindings(bindings);
    // What the desktop turns down later comes back here as another failure.
    for (const auto& [action, error] : center_.refusals()) errors.try_emplace(action, error);
    someKeyHeld_ = std::any_of(errors.begin(), errors.end(), [](const auto& entry) {
        return entry.second.status == platform::HotKeyStatus::alreadyRegistered;
    });

    std::map<kit::CaptureAction, std::string> descriptions;
    for (const auto& [action, error] : errors) {
        // Two of Glimpo's own actions on one key: the one that has it is to blame, not the desktop.
        const auto owner = kit::HotKeyBindings::otherOwner(bindings, action, bindings.at(action));
        if (owner && !errors.contains(*owner)) {
            descriptions.emplace(action, tr("Already used by %1.").arg(QString::fromUtf8(owner->title())).toStdString());
        } else {
            descriptions.emplace(action, error.errorDescription());
        }
    }
    failures_.set(std::move(descriptions));
    logOutcome(static_cast<long>(bindings.size()), errors);
}

void ShortcutService::logOutcome(long bound, const std::map<kit::CaptureAction, GlobalHotKeyError>& errors) {
    if (logged_ && logged_->first == bound && logged_->second == errors) return;
    logged_.emplace(bound, errors);
    for (const auto& [action, error] : errors) {
        log_.error("shortcut registration failed action={} status={}", action.rawValue(), error.status);
    }
    const auto failed = static_cast<long>(errors.size());
    log_.info("shortcuts registered count={} failed={}", bound - failed, failed);
}
