#pragma once
// The system behind a SetupGuide, as plain fields tests set and read.

#include "app/platform/desktop/DesktopScreenshotShortcuts.h"
#include "app/setup/SetupGuide.h"
#include "kit/Error.h"

#include <optional>
#include <string>
#include <vector>

struct FakeSetupSystem {
    bool screen = true;
    MicrophoneAuthorization microphone = MicrophoneAuthorization::authorized;
    LaunchAtLogin::State login = LaunchAtLogin::State::off;
    // Set: changing the login item fails with this description.
    std::optional<std::string> loginFailure;
    std::vector<platform::desktop::DesktopShortcut> desktopShortcuts;
    bool preferencesUnreadable = false;
    // Glimpo's actions are the desktop's own shortcuts to bind.
    Observed<bool> desktopBindsKeys{false};

    int screenRequests = 0;
    std::vector<platform::desktop::SettingsPage> opened;

    SetupGuide::Platform platform() {
        SetupGuide::Platform p;
        p.screenCaptureAllowed = [this] { return screen; };
        p.requestScreenCapture = [this] { ++screenRequests; };
        p.microphoneAuthorization = [this] { return microphone; };
        p.loginItemStatus = [this] { return login; };
        p.setLaunchAtLogin = [this](bool enabled) {
            if (loginFailure) throw kit::Error(*loginFailure);
            login = enabled ? LaunchAtLogin::State::on : LaunchAtLogin::State::off;
        };
        p.systemHotKeyPreferences = [this](const kit::ActiveBindings& bindings) {
            if (preferencesUnreadable) throw kit::Error("The preferences are unreadable.");
            return platform::desktop::DesktopScreenshotShortcuts::preferences(desktopShortcuts, bindings);
        };
        p.desktopBindsKeys = [this] { return desktopBindsKeys.get(); };
        p.openSettingsPage = [this](platform::desktop::SettingsPage page) {
            opened.push_back(page);
            return true;
        };
        return p;
    }
};
