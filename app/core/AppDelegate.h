#pragma once
// Owns every long-lived part of the running program, starts them in order, and routes every
// capture request through perform().

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>

#include "app/base/AppSettings.h"
#include "app/core/CaptureCoordinator.h"
#include "app/base/Log.h"
#include "app/quickaccess/PanelScreens.h"
#include "app/setup/SetupGuide.h"
#include "app/base/SettingsStore.h"
#include "app/storage/Capture.h"
#include "kit/CaptureVocabulary.h"
#include "kit/HotKeyCombination.h"

class AppSettings;
class CaptureLibrary;
class QuickAccessController;
class ShortcutService;
class StatusItemController;
class ToastController;
class WindowPresenter;
struct MenuActions;

class AppDelegate : public QObject {
    Q_OBJECT

public:
    // The parts that come from the platform, so tests can run the delegate with fakes.
    struct Environment {
        std::unique_ptr<SettingsStore> store;
        // The text the keyboard layout types for a key code, to relabel stored shortcuts.
        AppSettings::LayoutText layoutText;
        // Empty: the standard cache folder.
        std::filesystem::path cacheFolder;
        std::function<bool()> screenPermission;
        std::function<CaptureCoordinator::Services(AppSettings&)> makeServices;
        // Registers the global shortcuts on the X server.
        bool globalShortcuts = false;
        // The screens thumbnails and notices are placed on; with them Glimpo shows its own
        // thumbnails and notices, without them it hands captures and notices to the two below.
        std::function<std::unique_ptr<PanelScreens>()> makePanelScreens;
        std::function<void(const Capture&, const std::optional<std::string>& failure)> showCapture;
        // No duration: the notice stays until the next one.
        std::function<void(const std::string& text, const std::string& systemImage, std::optional<double> seconds)>
            showNotice;
        // The transient global hot key (Escape while recording), when not the shortcut service's.
        std::function<void(const kit::HotKeyCombination&, std::function<void()> handler)> setTransientHotKey;
        std::function<void()> clearTransientHotKey;
        std::function<void(const QString& address)> openAddress;
        // Empty: the desktop's own permission, microphone, login item and shortcut services.
        std::function<SetupGuide::Platform()> setupPlatform;

        // The real ones.
        static Environment standard();
    };

    explicit AppDelegate(Environment environment, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence.
    void applicationDidFinishLaunching();
    // Glimpo was launched again while running.
    void applicationShouldHandleReopen();

    void perform(kit::CaptureAction action);

    AppSettings& settings() { return *settings_; }
    CaptureLibrary& library();
    CaptureCoordinator& coordinator();
    SetupGuide& guide();
    // Absent unless the environment asks for global shortcuts.
    ShortcutService* shortcuts() const { return shortcuts_.get(); }
    WindowPresenter& windows() { return *windows_; }
    StatusItemController* statusItem() const { return statusItem_.get(); }
    bool escapeStopsRecording() const { return escapeStopsRecording_; }

private:
    MenuActions makeMenuActions();
    void updateMenuHints();
    void updateRecordingState();
    void showSettings();
    void showWelcome();
    void showNotice(const std::string& text, const std::string& systemImage, std::optional<double> seconds);

    Environment environment_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<ShortcutService> shortcuts_;
    std::unique_ptr<SetupGuide> guide_;
    std::unique_ptr<WindowPresenter> windows_;
    std::unique_ptr<CaptureLibrary> library_;
    std::unique_ptr<CaptureCoordinator> coordinator_;
    std::unique_ptr<QuickAccessController> quickAccess_;
    std::unique_ptr<ToastController> toast_;
    bool escapeStopsRecording_ = false;
    std::unique_ptr<StatusItemController> statusItem_;
    Logger log_{"app"};
};
