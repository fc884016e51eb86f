#pragma once
// Owns every long-lived part of the running program, starts them in order, and routes every
// capture request through perform().

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QPointer>

#include "app/core/CaptureCoordinator.h"
#include "app/core/Log.h"
#include "app/core/SettingsStore.h"
#include "app/storage/Capture.h"
#include "kit/CaptureVocabulary.h"
#include "kit/HotKeyCombination.h"

class AppSettings;
class CaptureLibrary;
class StatusItemController;
class WindowPresenter;
struct MenuActions;

class AppDelegate : public QObject {
    Q_OBJECT

public:
    // The parts that come from the platform, so tests can run the delegate with fakes.
    struct Environment {
        std::unique_ptr<SettingsStore> store;
        // Empty: the standard cache folder.
        std::filesystem::path cacheFolder;
        std::function<bool()> screenPermission;
        std::function<CaptureCoordinator::Services()> makeServices;
        // Shows a finished capture (the quick access thumbnails).
        std::function<void(const Capture&, const std::optional<std::string>& failure)> showCapture;
        // Shows a notice; no duration: it stays until the next one.
        std::function<void(const std::string& text, const std::string& systemImage, std::optional<double> seconds)>
            showNotice;
        // The transient global hot key (Escape while recording).
        std::function<void(const kit::HotKeyCombination&, std::function<void()> handler)> setTransientHotKey;
        std::function<void()> clearTransientHotKey;
        std::function<void(const QString& address)> openAddress;

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
    WindowPresenter& windows() { return *windows_; }
    StatusItemController* statusItem() const { return statusItem_.get(); }
    bool escapeStopsRecording() const { return escapeStopsRecording_; }

private:
    MenuActions makeMenuActions();
    void updateMenuHints();
    void updateRecordingState();
    void showSettings();
    void showWelcome();

    Environment environment_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<WindowPresenter> windows_;
    std::unique_ptr<CaptureLibrary> library_;
    std::unique_ptr<CaptureCoordinator> coordinator_;
    bool escapeStopsRecording_ = false;
    std::unique_ptr<StatusItemController> statusItem_;
    Logger log_{"app"};
};
