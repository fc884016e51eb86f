#include "app/setup/SetupGuide.h"

#include <QFutureWatcher>
#include <QGuiApplication>
#include <QtConcurrent/QtConcurrentRun>

#include <exception>
#include <utility>

#include "app/base/AppSettings.h"
#include "app/base/KitText.h"
#include "kit/Error.h"
#include "kit/SystemScreenshotShortcuts.h"

namespace {

std::optional<std::string> loginItemError(const std::exception& error) {
    return SetupGuide::tr("The login item couldn't be changed: %1")
        .arg(QString::fromStdString(KitText::describe(error)))
        .toStdString();
}

} // namespace

SetupGuide::SetupGuide(AppSettings& settings, Platform platform, QObject* parent)
    : QObject(parent), settings_(settings), platform_(std::move(platform)) {
    if (qGuiApp != nullptr) {
        // The connection lives as long as the guide.
        connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) refresh();
        });
    }
    refresh();
}

void SetupGuide::refresh() {
    screenRecordingGranted_.set(platform_.screenCaptureAllowed());
    if (microphoneWatched_) readMicrophone();
    loginItem_.set(platform_.loginItemStatus());
    if (platform_.commandShortcutsBound) commandShortcutsBound_.set(platform_.commandShortcutsBound());

    const kit::ActiveBindings bindings = kit::HotKeyBindings::active(settings_.hotKeyOverrides());
    nlohmann::json preferences;
    try {
        preferences = platform_.systemHotKeyPreferences(bindings);
    } catch (const std::exception& error) {
        // Unreadable preferences count as empty: every desktop screenshot shortcut is on.
        log_.error("desktop shortcuts unreadable error={}", kit::describe(error));
        preferences = nlohmann::json::object();
    }
    systemShortcutConflicts_.set(kit::SystemScreenshotShortcuts::conflicts(preferences, bindings));

    log_.info("setup refreshed screen={} conflicts={}", screenRecordingGranted_.peek(),
              systemShortcutConflicts_.peek().size());
}

void SetupGuide::watchMicrophone() {
    if (microphoneWatched_) return;
    microphoneWatched_ = true;
    readMicrophone();
}

void SetupGuide::readMicrophone() {
    if (microphoneReading_) {
        microphoneStale_ = true;
        return;
    }
    microphoneReading_ = true;
    // The watcher belongs to the guide, so an answer arriving after the guide is gone is dropped.
    auto* watcher = new QFutureWatcher<MicrophoneAuthorization>(this);
    connect(watcher, &QFutureWatcher<MicrophoneAuthorization>::finished, this, [this, watcher] {
        microphone_.set(watcher->result());
        watcher->deleteLater();
        microphoneReading_ = false;
        if (std::exchange(microphoneStale_, false)) readMicrophone();
    });
    watcher->setFuture(QtConcurrent::run(platform_.microphoneAuthorization));
}

void SetupGuide::requestMicrophone() {
    // Nothing to ask on this platform: the way to the microphone is the desktop's sound settings.
    openPage(platform::desktop::SettingsPage::microphone);
}

void SetupGuide::setLaunchAtLogin(bool enabled) {
    try {
        platform_.setLaunchAtLogin(enabled);
        errorMessage_.set(std::nullopt);
    } catch (const std::exception& error) {
        log_.error("launch at login failed enabled={} error={}", enabled, kit::describe(error));
        errorMessage_.set(loginItemError(error));
    }
    loginItem_.set(platform_.loginItemStatus());
}

void SetupGuide::bindCommandShortcuts() {
    if (!platform_.bindCommandShortcuts) return;
    try {
        platform_.bindCommandShortcuts();
        errorMessage_.set(std::nullopt);
        log_.info("command shortcuts bound");
    } catch (const std::exception& error) {
        log_.error("command shortcuts failed error={}", kit::describe(error));
        errorMessage_.set(KitText::describe(error));
    }
    if (platform_.commandShortcutsBound) commandShortcutsBound_.set(platform_.commandShortcutsBound());
}

void SetupGuide::openScreenRecordingSettings() {
    platform_.requestScreenCapture();
    openPage(platform::desktop::SettingsPage::screenRecording);
}

void SetupGuide::openKeyboardShortcuts() {
    openPage(platform::desktop::SettingsPage::keyboardShortcuts);
}

void SetupGuide::openPage(platform::desktop::SettingsPage page) {
    if (platform_.openSettingsPage(page)) return;
    log_.notice("settings page unavailable page={}", platform::desktop::pageName(page));
    emit settingsPageUnavailable(platform::desktop::whereToLook(page));
}
