#include "app/shortcuts/ShortcutService.h"

#include <QPointer>

#include "app/base/AppSettings.h"
#include "kit/HotKeyBindings.h"

ShortcutService::ShortcutService(AppSettings& settings, HotKeyCenter::PressHandler onPress,
                                 std::unique_ptr<platform::x11::HotKeyBackend> backend, QObject* parent)
    : QObject(parent), settings_(settings), center_(std::move(onPress), std::move(backend)) {}

ShortcutService::~ShortcutService() = default;

void ShortcutService::start() {
    QPointer<ShortcutService> self(this);
    observeChanges(this, [self] {
        if (self) self->registerShortcuts();
    });
}

void ShortcutService::registerShortcuts() {
    const kit::ActiveBindings bindings = kit::HotKeyBindings::active(settings_.hotKeyOverrides());
    const auto errors = center_.registerBindings(bindings);

    std::map<kit::CaptureAction, std::string> descriptions;
    for (const auto& [action, error] : errors) descriptions.emplace(action, error.errorDescription());
    failures_.set(std::move(descriptions));

    for (const auto& [action, error] : errors) {
        log_.error("shortcut registration failed action={} status={}", action.rawValue(), error.status);
    }
    const auto failed = static_cast<long>(errors.size());
    log_.info("shortcuts registered count={} failed={}", static_cast<long>(bindings.size()) - failed, failed);
}
