#include "app/core/AppDelegate.h"

#include <QApplication>

#include <malloc.h>

#include <chrono>
#include <map>

#include "app/base/AppSettings.h"
#include "app/base/GlimpoUIState.h"
#include "app/base/Observation.h"
#include "app/base/SettingsStore.h"
#include "app/shortcuts/HotKeyRecorder.h"
#include "app/shortcuts/ShortcutService.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "app/ui/AllInOneController.h"
#include "app/ui/MenuActions.h"
#include "app/ui/SettingsView.h"
#include "app/ui/StatusItemController.h"
#include "app/ui/WelcomeView.h"
#include "app/ui/WindowPresenter.h"
#include "kit/HotKeyBindings.h"

namespace {

constexpr std::uint32_t escapeKeyCode = 53;
// Long enough to read a sentence that names a place.
constexpr double whereToLookSeconds = 6;

} // namespace

AppDelegate::AppDelegate(Environment environment, QObject* parent)
    : QObject(parent),
      environment_(std::move(environment)),
      settings_(std::make_unique<AppSettings>(std::move(environment_.store), environment_.layoutText)),
      windows_(std::make_unique<WindowPresenter>()) {
    trimWhenIdle_.setSingleShot(true);
    trimWhenIdle_.setInterval(std::chrono::seconds(10));
    connect(&trimWhenIdle_, &QTimer::timeout, this, [] { malloc_trim(0); });
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
        CaptureCoordinator::Services services = environment_.makeServices(*settings_);
        if (!services.recorder && environment_.makeRecorder)
            services.recorder = environment_.makeRecorder(library(), *settings_);
        coordinator_ = std::make_unique<CaptureCoordinator>(*settings_, library(), std::move(services));
    }
    return *coordinator_;
}

SetupGuide& AppDelegate::guide() {
    if (!guide_) {
        guide_ = std::make_unique<SetupGuide>(*settings_, environment_.setupPlatform());
        QPointer<AppDelegate> self(this);
        guide_->onSettingsPageUnavailable = [self](const std::string& message) {
            if (self && self->notices_) self->notices_->show(message, "exclamationmark.triangle", whereToLookSeconds);
        };
    }
    return *guide_;
}

AllInOneController& AppDelegate::allInOne() {
    if (!allInOne_) {
        allInOne_ = std::make_unique<AllInOneController>(*settings_, &coordinator().displays());
        connect(allInOne_.get(), &AllInOneController::captureChosen, this,
                [this](kit::CaptureAction action) { coordinator().run(action); });
        connect(allInOne_.get(), &AllInOneController::recordingChosen, this, [this](bool fullscreen) {
            if (fullscreen) {
                coordinator().startRecording(std::nullopt, std::nullopt);
            } else {
                coordinator().run(kit::CaptureAction::recording);
            }
        });
    }
    return *allInOne_;
}

void AppDelegate::applicationDidFinishLaunching() {
    statusItem_ = std::make_unique<StatusItemController>(makeMenuActions());

    QPointer<AppDelegate> self(this);
    shortcuts_ = std::make_unique<ShortcutService>(
        *settings_,
        [self](kit::CaptureAction action) {
            if (self) self->perform(action);
        },
        environment_.makeHotKeys());
    shortcuts_->start();

    library().startPurging();

    CaptureCoordinator& runner = coordinator();
    runner.recognizer().warmUp();

    quickAccess_ = environment_.makeCapturePresenter(library(), *settings_);
    notices_ = environment_.makeNoticePresenter();
    connect(&runner, &CaptureCoordinator::captured, this,
            [this](const Capture& capture, const std::optional<std::string>& failure) {
                quickAccess_->show(capture, failure);
                trimWhenIdle_.start();
            });
    connect(&runner, &CaptureCoordinator::permissionNeeded, this, &AppDelegate::showWelcome);
    connect(&runner, &CaptureCoordinator::message, this, [this](const std::string& text, const std::string& image) {
        notices_->show(text, image, 1.5);
    });
    connect(&runner, &CaptureCoordinator::progress, this, [this](const std::string& text, const std::string& image) {
        notices_->show(text, image, std::nullopt);
    });
    connect(&runner, &CaptureCoordinator::error, this,
            [this](const std::string& text) { notices_->show(text, "exclamationmark.triangle", 1.5); });

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

void AppDelegate::handle(CommandLine::Request request) {
    using CommandLine::Request;
    switch (request) {
    case Request::reopen: return applicationShouldHandleReopen();
    case Request::area: return perform(kit::CaptureAction::area);
    case Request::window: return perform(kit::CaptureAction::window);
    case Request::fullscreen: return perform(kit::CaptureAction::fullscreen);
    case Request::record: return perform(kit::CaptureAction::recording);
    case Request::text: return perform(kit::CaptureAction::text);
    case Request::bar: return perform(kit::CaptureAction::allInOne);
    case Request::settings: return showSettings();
    case Request::quit:
        log_.info("quit requested");
        QCoreApplication::quit();
        return;
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
        allInOne().toggle();
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
        const std::filesystem::path folder = self->settings_->saveFolder();
        self->environment_.openFolder(folder, [self, folder] {
            if (!self) return;
            self->log_.notice("save folder not opened path={}", folder.string());
            if (!self->notices_) return;
            self->notices_->show("Glimpo couldn't open a file manager. Your captures are saved in " + folder.string() + ".",
                                 "folder", whereToLookSeconds);
        });
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
        shortcuts_->center().setTransient(kit::HotKeyCombination{escapeKeyCode, 0, "\u238B"}, stop);
    } else {
        shortcuts_->center().clearTransient();
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
            if (!self) return {};
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
