#include "app/core/AppDelegate.h"

#include <QApplication>
#include <QUrl>

#include <map>

#include "app/capture/DisplayService.h"
#include "app/capture/PanelSelectionOverlayController.h"
#include "app/capture/ScreenCaptureService.h"
#include "app/base/AppSettings.h"
#include "app/base/GlimpoUIState.h"
#include "app/base/Observation.h"
#include "app/base/PermissionGate.h"
#include "app/base/SettingsStore.h"
#include "app/platform/x11/KeyboardLayout.h"
#include "app/quickaccess/DisplayPanelScreens.h"
#include "app/quickaccess/QuickAccessController.h"
#include "app/platform/audio/SystemSoundPlayer.h"
#include "app/quickaccess/ToastController.h"
#include "app/shortcuts/HotKeyRecorder.h"
#include "app/shortcuts/ShortcutService.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "app/ui/MenuActions.h"
#include "app/ui/SettingsView.h"
#include "app/ui/StatusItemController.h"
#include "app/ui/WelcomeView.h"
#include "app/ui/WindowPresenter.h"
#include "kit/HotKeyBindings.h"

namespace {

constexpr std::uint32_t escapeKeyCode = 53;

} // namespace

AppDelegate::Environment AppDelegate::Environment::standard() {
    Environment environment;
    environment.store = std::make_unique<SettingsStore>(SettingsStore::standardPath());
    environment.layoutText = platform::x11::currentLayoutText();
    environment.screenPermission = PermissionGate::screenCaptureAllowed;
    environment.openAddress = PermissionGate::open;
    environment.makeServices = [](AppSettings& settings) {
        CaptureCoordinator::Services services;
        services.capturer = std::make_unique<ScreenCaptureService>();
        services.makeOverlay = [](ScreenCaptureService& capturer) -> std::unique_ptr<SelectionOverlayController> {
            return std::make_unique<PanelSelectionOverlayController>(capturer);
        };
        services.displays = std::make_unique<DisplayService>();
        services.sounds = std::make_unique<SystemSoundPlayer>(settings);
        return services;
    };
    environment.globalShortcuts = true;
    environment.makePanelScreens = []() -> std::unique_ptr<PanelScreens> {
        return std::make_unique<DisplayPanelScreens>(std::make_shared<DisplayService>());
    };
    return environment;
}

AppDelegate::AppDelegate(Environment environment, QObject* parent)
    : QObject(parent),
      environment_(std::move(environment)),
      settings_(std::make_unique<AppSettings>(std::move(environment_.store), environment_.layoutText)),
      windows_(std::make_unique<WindowPresenter>()) {
    if (!environment_.screenPermission) environment_.screenPermission = PermissionGate::screenCaptureAllowed;
    if (!environment_.openAddress) environment_.openAddress = PermissionGate::open;
}

AppDelegate::~AppDelegate() = default;

CaptureLibrary& AppDelegate::library() {
    if (!library_) {
        auto fileSystem = std::make_unique<DiskFileSystem>();
        library_ = environment_.cacheFolder.empty()
                       ? std::make_unique<CaptureLibrary>(*settings_, std::move(fileSystem))
                       : std::make_unique<CaptureLibrary>(*settings_, std::move(fileSystem), environment_.cacheFolder);
    }
    return *library_;
}

CaptureCoordinator& AppDelegate::coordinator() {
    if (!coordinator_) {
        CaptureCoordinator::Services services =
            environment_.makeServices ? environment_.makeServices(*settings_) : CaptureCoordinator::Services{};
        coordinator_ = std::make_unique<CaptureCoordinator>(*settings_, library(), std::move(services));
    }
    return *coordinator_;
}

SetupGuide& AppDelegate::guide() {
    if (!guide_) {
        guide_ = std::make_unique<SetupGuide>(
            *settings_, environment_.setupPlatform ? environment_.setupPlatform() : SetupGuide::Platform::standard());
    }
    return *guide_;
}

void AppDelegate::applicationDidFinishLaunching() {
    statusItem_ = std::make_unique<StatusItemController>(makeMenuActions());

    QPointer<AppDelegate> self(this);
    if (environment_.globalShortcuts) {
        shortcuts_ = std::make_unique<ShortcutService>(*settings_, [self](kit::CaptureAction action) {
            if (self) self->perform(action);
        });
        shortcuts_->start();
    }

    library().startPurging();

    CaptureCoordinator& runner = coordinator();
    if (TextRecognitionService* recognizer = runner.recognizer()) recognizer->warmUp();

    if (environment_.makePanelScreens) {
        quickAccess_ = std::make_unique<QuickAccessController>(
            library(), *settings_, QuickAccessController::Platform::standard(environment_.makePanelScreens()));
        toast_ = std::make_unique<ToastController>(environment_.makePanelScreens());
    }
    runner.onCaptured = [self](const Capture& capture, const std::optional<std::string>& failure) {
        if (!self) return;
        if (self->quickAccess_) {
            self->quickAccess_->show(capture, failure);
        } else if (self->environment_.showCapture) {
            self->environment_.showCapture(capture, failure);
        } else {
            self->log_.error("capture not shown file={}", capture.fileURL.filename().string());
        }
    };
    runner.onPermissionNeeded = [self] {
        if (self) self->showWelcome();
    };
    auto notice = [self](const std::string& text, const std::string& image, std::optional<double> seconds) {
        if (self) self->showNotice(text, image, seconds);
    };
    runner.onMessage = [notice](const std::string& text, const std::string& image) { notice(text, image, 1.5); };
    runner.onProgress = [notice](const std::string& text, const std::string& image) {
        notice(text, image, std::nullopt);
    };
    runner.onError = [notice](const std::string& text) { notice(text, "exclamationmark.triangle", 1.5); };

    observeChanges(this, [self] {
        if (self) self->updateMenuHints();
    });
    observeChanges(this, [self] {
        if (self) self->updateRecordingState();
    });

    if (!settings_->welcomeShown() || !environment_.screenPermission()) showWelcome();

    log_.info("launched");
}

void AppDelegate::applicationShouldHandleReopen() {
    log_.info("reopen requested");
    showSettings();
}

void AppDelegate::showNotice(const std::string& text, const std::string& systemImage, std::optional<double> seconds) {
    if (toast_) {
        toast_->show(text, systemImage, seconds);
    } else if (environment_.showNotice) {
        environment_.showNotice(text, systemImage, seconds);
    } else if (statusItem_) {
        statusItem_->showMessage(QString::fromStdString(text), seconds);
    }
}

void AppDelegate::perform(kit::CaptureAction action) {
    log_.info("action={}", action.rawValue());

    if (action == kit::CaptureAction::recording && coordinator().recordingElapsed()) {
        coordinator().stopRecordingNow();
        return;
    }

    if (kit::CaptureReadiness::readiness(environment_.screenPermission()) ==
        kit::CaptureReadiness::needsScreenPermission) {
        log_.notice("capture blocked reason=screenPermission");
        showWelcome();
        return;
    }

    if (action == kit::CaptureAction::allInOne) {
        log_.info("all-in-one bar unavailable");
        return;
    }
    coordinator().run(action);
}

MenuActions AppDelegate::makeMenuActions() {
    QPointer<AppDelegate> self(this);
    auto route = [self](kit::CaptureAction action) {
        return [self, action] {
            if (self) self->perform(action);
        };
    };
    MenuActions actions;
    actions.captureArea = route(kit::CaptureAction::area);
    actions.captureFullscreen = route(kit::CaptureAction::fullscreen);
    actions.captureWindow = route(kit::CaptureAction::window);
    actions.startRecording = route(kit::CaptureAction::recording);
    actions.stopRecording = [self] {
        if (self) self->coordinator().stopRecordingNow();
    };
    actions.captureText = route(kit::CaptureAction::text);
    actions.openAllInOne = route(kit::CaptureAction::allInOne);
    actions.openSaveFolder = [self] {
        if (!self) return;
        self->environment_.openAddress(
            QUrl::fromLocalFile(QString::fromStdString(self->settings_->saveFolder().string())).toString());
    };
    actions.openSettings = [self] {
        if (self) self->showSettings();
    };
    return actions;
}

void AppDelegate::updateMenuHints() {
    std::map<std::string, std::string> hints;
    for (const auto& [action, combination] : kit::HotKeyBindings::active(settings_->hotKeyOverrides())) {
        hints[std::string(action.title())] = combination.displayString();
    }
    if (statusItem_) statusItem_->setShortcutHints(std::move(hints));
}

void AppDelegate::updateRecordingState() {
    const auto elapsed = coordinator().recordingElapsed();
    if (statusItem_) statusItem_->setRecordingElapsed(elapsed);

    const bool uiOpen = !GlimpoUIState::shared().openSurfaces().empty();
    const bool grab = kit::EscapeOwnership::shouldGrabEscape(elapsed.has_value(), uiOpen);
    if (grab == escapeStopsRecording_) return;
    escapeStopsRecording_ = grab;
    if (grab) {
        QPointer<AppDelegate> self(this);
        auto stop = [self] {
            if (self) self->coordinator().stopRecordingNow();
        };
        const kit::HotKeyCombination escape{escapeKeyCode, 0, "\u238B"};
        if (shortcuts_) {
            shortcuts_->center().setTransient(escape, stop);
        } else if (environment_.setTransientHotKey) {
            environment_.setTransientHotKey(escape, stop);
        }
    } else if (shortcuts_) {
        shortcuts_->center().clearTransient();
    } else if (environment_.clearTransientHotKey) {
        environment_.clearTransientHotKey();
    }
}

void AppDelegate::showSettings() {
    guide().refresh();
    QPointer<AppDelegate> self(this);
    windows_->show("settings", "Glimpo Settings", [self]() -> std::unique_ptr<QWidget> {
        if (!self) return nullptr;
        AppSettings& settings = *self->settings_;
        // Each edit already refreshes the guide through the view, so the recorder gets no onChange.
        auto makeRecorder = [&settings](kit::CaptureAction action, QWidget* parent) -> QWidget* {
            return new HotKeyRecorder(settings, action, {}, parent);
        };
        auto failures = [self]() -> std::map<kit::CaptureAction, std::string> {
            if (!self || !self->shortcuts_) return {};
            return self->shortcuts_->failures();
        };
        return std::make_unique<SettingsView>(settings, self->guide(), makeRecorder, failures, [self] {
            if (self) self->showWelcome();
        });
    });
}

void AppDelegate::showWelcome() {
    settings_->setWelcomeShown(true);
    guide().refresh();
    QPointer<AppDelegate> self(this);
    windows_->show("welcome", "Welcome to Glimpo", [self]() -> std::unique_ptr<QWidget> {
        if (!self) return nullptr;
        return std::make_unique<WelcomeView>(self->guide(), [self] {
            if (self) self->windows_->close("welcome");
        });
    });
}
