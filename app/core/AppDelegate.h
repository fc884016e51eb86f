#pragma once
// Owns every long-lived part of the running program, starts them in order, and routes every
// capture request through perform().

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QTimer>

#include "app/base/AppSettings.h"
#include "app/core/CaptureCoordinator.h"
#include "app/core/CommandLine.h"
#include "app/base/Log.h"
#include "app/platform/HotKeyBackend.h"
#include "app/quickaccess/Presenters.h"
#include "app/setup/SetupGuide.h"
#include "app/base/SettingsStore.h"
#include "app/storage/Capture.h"
#include "kit/CaptureVocabulary.h"
#include "kit/HotKeyCombination.h"

class AllInOneController;
class AppSettings;
class CaptureLibrary;
class MarkupEditors;
class ShortcutService;
class MenuActions;
class StatusItemController;
class WindowPresenter;

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
        // Opens the folder in the file manager; the callback runs when nothing opened it.
        std::function<void(const std::filesystem::path& folder, std::function<void()> onUnavailable)> openFolder;
        std::function<CaptureCoordinator::Services(AppSettings&)> makeServices;
        // The screen recorder, which saves through the library; used when makeServices gives none.
        std::function<std::unique_ptr<ScreenRecorder>(CaptureLibrary&, AppSettings&)> makeRecorder;
        // The desktop's global hot key service.
        std::function<std::unique_ptr<platform::HotKeyBackend>()> makeHotKeys;
        // Where captures and notices are shown; captures open in the editors.
        std::function<std::unique_ptr<CapturePresenter>(CaptureLibrary&, AppSettings&, MarkupEditors&)> makeCapturePresenter;
        std::function<std::unique_ptr<NoticePresenter>()> makeNoticePresenter;
        // The desktop's own permission, microphone, login item and shortcut services.
        std::function<SetupGuide::Platform()> setupPlatform;
    };

    explicit AppDelegate(Environment environment, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence.
    void applicationDidFinishLaunching();
    // Glimpo was launched again while running.
    void applicationShouldHandleReopen();
    // What a launch asked for on its command line.
    void handle(CommandLine::Request request);
    // Opens a picture file in the markup editor (glimpo --edit).
    void edit(const std::filesystem::path& file);

    void perform(kit::CaptureAction action);

    AppSettings& settings() { return *settings_; }
    CaptureLibrary& library();
    CaptureCoordinator& coordinator();
    SetupGuide& guide();
    AllInOneController& allInOne();
    MarkupEditors& markupEditors();
    ShortcutService* shortcuts() const { return shortcuts_.get(); }
    WindowPresenter& windows() { return *windows_; }
    StatusItemController* statusItem() const { return statusItem_.get(); }
    bool escapeStopsRecording() const { return escapeStopsRecording_; }

private:
    void connectMenu(const MenuActions& menu);
    void openSaveFolder();
    void updateMenuHints();
    void updateRecordingState();
    void showSettings();
    void showWelcome();

    Environment environment_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<ShortcutService> shortcuts_;
    std::unique_ptr<SetupGuide> guide_;
    std::unique_ptr<WindowPresenter> windows_;
    std::unique_ptr<CaptureLibrary> library_;
    std::unique_ptr<CaptureCoordinator> coordinator_;
    std::unique_ptr<MarkupEditors> editors_;
    std::unique_ptr<CapturePresenter> quickAccess_;
    std::unique_ptr<NoticePresenter> notices_;
    std::unique_ptr<AllInOneController> allInOne_;
    bool escapeStopsRecording_ = false;
    // Once a capture has come and gone, the heap's freed pages go back to the system.
    QTimer trimWhenIdle_;
    std::unique_ptr<StatusItemController> statusItem_;
    Logger log_{"app"};
};
