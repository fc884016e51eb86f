#pragma once
// The state of what Glimpo needs from the system (screen capture, the desktop's screenshot
// shortcuts, the microphone, the login item), re-read whenever the application becomes active
// and after each shortcut edit, and the user's requests to change it. Every field is observable
// and assigned only when its value changes. One guide per run; main thread only.

#include <QObject>

#include <functional>
#include <optional>
#include <set>
#include <string>

#include <nlohmann/json.hpp>
#include <qcoro/qcorotask.h>

#include "app/base/Log.h"
#include "app/base/Observation.h"
#include "app/base/PermissionGate.h"
#include "app/platform/desktop/SettingsPages.h"
#include "app/setup/LaunchAtLogin.h"
#include "kit/CaptureVocabulary.h"
#include "kit/HotKeyBindings.h"

class AppSettings;

class SetupGuide : public QObject {
    Q_OBJECT

public:
    // The system's side, so tests can run the guide with fakes.
    struct Platform {
        std::function<bool()> screenCaptureAllowed;
        // Asks for screen capture access; the system prompts the first time only.
        std::function<void()> requestScreenCapture;
        std::function<MicrophoneAuthorization()> microphoneAuthorization;
        std::function<LaunchAtLogin::State()> loginItemStatus;
        // Throws with a description of why the login item didn't change.
        std::function<void(bool enabled)> setLaunchAtLogin;
        // The desktop's screenshot shortcut preferences, as the conflict rules read them, with
        // the bindings in force (so that colliding keys are always among them).
        std::function<nlohmann::json(const kit::ActiveBindings& bindings)> systemHotKeyPreferences;
        std::function<bool(platform::desktop::SettingsPage page)> openSettingsPage;
        // Whether the desktop's own shortcut settings run Glimpo's command-line actions: in a
        // Wayland session without a shortcuts portal, or once the portal turned keys down. A
        // tracked read; empty: never.
        std::function<bool()> desktopBindsKeys;
        // Where Glimpo can add those shortcuts itself (GNOME): whether they are there, and adding
        // them (throws kit::Error with a sentence). Empty elsewhere.
        std::function<bool()> commandShortcutsBound;
        std::function<void()> bindCommandShortcuts;
    };

    SetupGuide(AppSettings& settings, Platform platform, QObject* parent = nullptr);
    SetupGuide(const SetupGuide&) = delete;
    SetupGuide& operator=(const SetupGuide&) = delete;

    // Reads are tracked inside observeChanges.
    bool screenRecordingGranted() const { return screenRecordingGranted_.get(); }
    const std::set<kit::CaptureAction>& systemShortcutConflicts() const { return systemShortcutConflicts_.get(); }
    MicrophoneAuthorization microphone() const { return microphone_.get(); }
    LaunchAtLogin::State loginItem() const { return loginItem_.get(); }
    const std::optional<std::string>& errorMessage() const { return errorMessage_.get(); }
    bool desktopBindsKeys() const { return platform_.desktopBindsKeys && platform_.desktopBindsKeys(); }
    bool canBindCommandShortcuts() const { return bool(platform_.bindCommandShortcuts); }
    bool commandShortcutsBound() const { return commandShortcutsBound_.get(); }

    // Re-reads everything from the system. The microphone is read only once something shows it
    // (see watchMicrophone).
    void refresh();
    // Asking the sound server loads the recording libraries and may wait on the server, so the
    // microphone state is read only for windows that show it, off the main thread; until the
    // first answer arrives it reads as restricted.
    void watchMicrophone();
    // Prompts where the system can still ask; otherwise opens the microphone settings.
    void requestMicrophone();
    // On failure errorMessage says why, until the next change succeeds; the state is re-read
    // either way.
    void setLaunchAtLogin(bool enabled);
    // Adds Glimpo's actions to the desktop's own shortcuts, where it can; like the login item,
    // errorMessage says why it failed.
    void bindCommandShortcuts();

    // The buttons of the setup steps.
    void openScreenRecordingSettings();
    void openKeyboardShortcuts();

signals:
    // A settings page that the desktop does not have: the sentence saying where to look instead.
    void settingsPageUnavailable(const std::string& message);

private:
    void openPage(platform::desktop::SettingsPage page);
    void readMicrophone();

    AppSettings& settings_;
    Platform platform_;
    Observed<bool> screenRecordingGranted_{false};
    Observed<std::set<kit::CaptureAction>> systemShortcutConflicts_;
    Observed<MicrophoneAuthorization> microphone_{MicrophoneAuthorization::restricted};
    Observed<LaunchAtLogin::State> loginItem_{LaunchAtLogin::State::off};
    Observed<std::optional<std::string>> errorMessage_;
    bool microphoneWatched_ = false;
    bool microphoneReading_ = false;
    // A refresh arrived while the sound server was still answering the previous one.
    bool microphoneStale_ = false;
    Observed<bool> commandShortcutsBound_{false};
    Logger log_{"setup"};
};
