#include "app/core/PlatformLoader.h"

#include <algorithm>

#include <QCoreApplication>
#include <QPointer>
#include <QStandardPaths>

#include "app/base/PermissionGate.h"
#include "app/capture/DisplayService.h"
#include "app/capture/OwnWindows.h"
#include "app/capture/PanelSelectionOverlayController.h"
#include "app/capture/ScreenCaptureService.h"
#include "app/platform/Session.h"
#include "app/platform/audio/SystemSoundPlayer.h"
#include "app/platform/desktop/DesktopScreenshotShortcuts.h"
#include "app/platform/desktop/FileReveal.h"
#include "app/platform/desktop/GnomeCommandShortcuts.h"
#include "app/platform/desktop/SettingsPages.h"
#include "app/platform/wayland/PortalCaptureBackend.h"
#include "app/platform/wayland/PortalHotKeyBackend.h"
#include "app/platform/wayland/ScreenCastPortal.h"
#include "app/platform/x11/KeyboardLayout.h"
#include "app/platform/x11/X11HotKeyBackend.h"
#include "app/platform/x11/X11ScrollInput.h"
#include "app/platform/x11/XcbCaptureBackend.h"
#include "app/quickaccess/QuickAccessController.h"
#include "app/quickaccess/ToastController.h"
#include "app/recording/MicrophoneProbe.h"
#include "app/recording/StreamScreenRecorder.h"
#include "app/scrolling/DamageFrames.h"
#include "app/scrolling/SharedScreenFrames.h"
#include "app/setup/LaunchAtLogin.h"
#include "app/shortcuts/HotKeyCenter.h"
#include "app/text/ScreenTextRecognitionService.h"

namespace PlatformLoader {

namespace {

// What the setup guide asks the desktop, the same in every session but for who binds the keys.
SetupGuide::Platform setupPlatform(bool wayland) {
    SetupGuide::Platform platform;
    platform.screenCaptureAllowed = &PermissionGate::screenCaptureAllowed;
    // X11 has nothing to ask.
    platform.requestScreenCapture = [] {};
    platform.microphoneAuthorization = &MicrophoneProbe::authorization;
    platform.loginItemStatus = &LaunchAtLogin::status;
    platform.setLaunchAtLogin = &LaunchAtLogin::setEnabled;
    platform.systemHotKeyPreferences = [](const kit::ActiveBindings& bindings) {
        namespace shortcuts = platform::desktop::DesktopScreenshotShortcuts;
        return shortcuts::preferences(shortcuts::read(), bindings);
    };
    platform.openSettingsPage = &platform::desktop::openSettingsPage;
    if (wayland) platform.desktopBindsKeys = [] { return true; };
    if (wayland && platform::Session::desktopIs("GNOME")) {
        platform.commandShortcutsBound = &platform::desktop::GnomeCommandShortcuts::bound;
        platform.bindCommandShortcuts = [] {
            platform::desktop::GnomeCommandShortcuts::bind(QCoreApplication::applicationFilePath().toStdString());
        };
    }
    return platform;
}

} // namespace

AppDelegate::Environment load() {
    const bool wayland = platform::Session::isWayland();
    Logger("app").info("platform={}", wayland ? "wayland" : "x11");
    // One backend over Qt's X connection, and one display service, for the whole program. In a
    // Wayland session the pixels come from the portal; the layout still from Xwayland.
    auto xcb = std::make_shared<platform::x11::XcbCaptureBackend>();
    // KDE's screenshot portal saves into the pictures folder and fails where there is none.
    const std::filesystem::path pictures =
        platform::Session::desktopIs("KDE")
            ? QStandardPaths::writableLocation(QStandardPaths::PicturesLocation).toStdString()
            : std::string();
    std::shared_ptr<platform::wayland::PortalCaptureBackend> portal =
        wayland ? std::make_shared<platform::wayland::PortalCaptureBackend>(
                      xcb, platform::wayland::ScreenshotPortal(QDBusConnection::sessionBus(), pictures))
                : nullptr;
    std::shared_ptr<platform::CaptureBackend> backend = portal ? std::shared_ptr<platform::CaptureBackend>(portal) : xcb;
    auto displays = std::make_shared<DisplayService>(backend);

    AppDelegate::Environment environment;
    environment.store = std::make_unique<SettingsStore>(SettingsStore::standardPath());
    environment.layoutText = platform::x11::currentLayoutText();
    // In a Wayland session the portal's last answer is the permission.
    environment.screenPermission = portal ? std::function<bool()>([portal] { return portal->allowed(); })
                                          : std::function<bool()>(PermissionGate::screenCaptureAllowed);
    environment.openFolder = platform::desktop::openFolder;
    environment.makeServices = [backend, displays, wayland](AppSettings& settings) {
        CaptureCoordinator::Services services;
        services.capturer = std::make_unique<ScreenCaptureService>(backend, displays, std::make_unique<QtOwnWindows>());
        services.makeOverlay = [](ScreenCaptureService& capturer) -> std::unique_ptr<SelectionOverlayController> {
            return std::make_unique<PanelSelectionOverlayController>(capturer);
        };
        services.displays = displays;
        services.sounds = std::make_unique<SystemSoundPlayer>(settings);
        services.recognizer = std::make_unique<ScreenTextRecognitionService>();
        services.microphoneStatus = &MicrophoneProbe::authorization;
        services.makeScrollCapture = [backend, displays, wayland, &settings] {
            ScrollCaptureController::Platform platform;
            platform.displays = displays;
            platform.backend = backend;
            // XTest under Xwayland would reach only X programs: there the user scrolls.
            platform.input = std::make_unique<platform::x11::X11ScrollInput>(!wayland);
            platform.ownWindows = std::make_unique<QtOwnWindows>();
            platform.makeFrames = [backend, wayland, &settings](const DisplayInfo& display) -> std::unique_ptr<ScreenFrames> {
                // The same shared screen as the recordings, so the desktop asks once for both.
                if (wayland)
                    return std::make_unique<SharedScreenFrames>(
                        platform::wayland::ScreenCastPortal::keepingChoiceIn(settings.defaults()), display.pixels);
                return std::make_unique<DamageFrames>(backend);
            };
            return std::make_unique<ScrollCaptureController>(std::move(platform));
        };
        return services;
    };
    environment.makeRecorder = [displays, wayland](CaptureLibrary& library,
                                                   AppSettings& settings) -> std::unique_ptr<ScreenRecorder> {
        auto recorder = std::make_unique<StreamScreenRecorder>(library, displays);
        // The user's choice of screen is kept, so the desktop asks once.
        if (wayland)
            recorder->shareScreenThrough(platform::wayland::ScreenCastPortal::keepingChoiceIn(settings.defaults()));
        return recorder;
    };
    // Under Wayland the desktop's GlobalShortcuts portal where it has one, else the desktop's own
    // shortcut settings run the command-line actions; key grabs under Xwayland would hear only
    // keys typed into X windows. Keys the portal turns down go the second way too.
    const bool portalShortcuts = wayland && platform::wayland::PortalHotKeyBackend::offered();
    auto portalKeys = std::make_shared<QPointer<platform::wayland::PortalHotKeyBackend>>();
    environment.makeHotKeys = [wayland, portalShortcuts, portalKeys,
                               layoutText = environment.layoutText]() -> std::unique_ptr<platform::HotKeyBackend> {
        if (portalShortcuts) {
            auto keys = std::make_unique<platform::wayland::PortalHotKeyBackend>(layoutText);
            *portalKeys = keys.get();
            return keys;
        }
        if (!wayland && platform::x11::X11HotKeyBackend::isAvailable())
            return std::make_unique<platform::x11::X11HotKeyBackend>();
        return std::make_unique<platform::UnavailableHotKeyBackend>();
    };
    environment.makeCapturePresenter = [displays](CaptureLibrary& library, AppSettings& settings, MarkupEditors& editors) {
        return std::make_unique<QuickAccessController>(library, settings, QuickAccessController::Platform::standard(displays),
                                                       &editors);
    };
    environment.makeNoticePresenter = [displays] { return std::make_unique<ToastController>(displays); };
    environment.setupPlatform = [wayland, portal, portalShortcuts, portalKeys] {
        SetupGuide::Platform platform = setupPlatform(wayland);
        if (portalShortcuts) {
            platform.desktopBindsKeys = [portalKeys] {
                const QPointer<platform::wayland::PortalHotKeyBackend>& keys = *portalKeys;
                if (!keys) return false;
                const auto refused = keys->refused();
                // The transient Escape key is no shortcut of the user's.
                return std::any_of(refused.begin(), refused.end(),
                                   [](const auto& key) { return key.first != HotKeyCenter::transientId; });
            };
        }
        if (portal) {
            platform.screenCaptureAllowed = [portal] { return portal->allowed(); };
            // The next capture asks the portal again.
            platform.requestScreenCapture = [portal] { portal->askAgain(); };
        }
        return platform;
    };
    return environment;
}

} // namespace PlatformLoader
