#include "app/core/AppDelegate.h"

#include <QApplication>
#include <QFile>
#include <QPointer>

#include <malloc.h>

#include <chrono>
#include <map>

#include "app/base/AppSettings.h"
#include "app/base/GlimpoUIState.h"
#include "app/base/Observation.h"
#include "app/base/SettingsStore.h"
#include "app/markup/MarkupEditors.h"
#include "app/quickaccess/CaptureCountdown.h"
#include "app/shortcuts/HotKeyRecorder.h"
#include "app/shortcuts/ShortcutLabels.h"
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
        connect(guide_.get(), &SetupGuide::settingsPageUnavailable, this, [this](const std::string& message) {
            if (notices_) notices_->show(message, "exclamationmark.triangle", whereToLookSeconds);
        });
    }
    return *guide_;
}

AllInOneController& AppDelegate::allInOne() {
    if (!allInOne_) {
        allInOne_ = std::make_unique<AllInOneController>(*settings_, &coordinator().displays());
        // The bar's delay holds for every capture it starts.
        connect(allInOne_.get(), &AllInOneController::captureChosen, this, [this](kit::CaptureAction action) {
            afterDelay(settings_->captureDelaySeconds(), action, [this, action] { coordinator().run(action); });
        });
        connect(allInOne_.get(), &AllInOneController::recordingChosen, this, [this](bool fullscreen) {
            afterDelay(settings_->captureDelaySeconds(), kit::CaptureAction::recording, [this, fullscreen] {
                if (fullscreen) {
                    coordinator().startRecording(std::nullopt, std::nullopt);
                } else {
                    coordinator().run(kit::CaptureAction::recording);
                }
            });
        });
    }
    return *allInOne_;
}

MarkupEditors& AppDelegate::markupEditors() {
    if (!editors_) {
        editors_ = std::make_unique<MarkupEditors>(library(), settings_->defaults(), coordinator().recognizer());
        connect(editors_.get(), &MarkupEditors::failed, this, [this](const std::string& message) {
            if (notices_) notices_->show(tr("Couldn't open the picture: %1").arg(QString::fromStdString(message)).toStdString(),
                                         "exclamationmark.triangle", whereToLookSeconds);
        });
    }
    return *editors_;
}

void AppDelegate::edit(const std::filesystem::path& file) {
    log_.info("edit requested file={}", file.filename().string());
    markupEditors().open(file);
}

void AppDelegate::applicationDidFinishLaunching() {
    statusItem_ = std::make_unique<StatusItemController>();
    connectMenu(statusItem_->actions());

    shortcuts_ = std::make_unique<ShortcutService>(*settings_, environment_.makeHotKeys());
    connect(shortcuts_.get(), &ShortcutService::pressed, this, [this](kit::CaptureAction action) { perform(action); });
    // The transient key is Escape while a countdown or a recording runs.
    connect(&shortcuts_->center(), &HotKeyCenter::transientPressed, this, [this] {
        if (countdown_ && countdown_->isRunning()) {
            cancelCountdown();
        } else {
            coordinator().stopRecordingNow();
        }
    });
    shortcuts_->start();

    library().startPurging();

    CaptureCoordinator& runner = coordinator();
    runner.recognizer().warmUp();

    quickAccess_ = environment_.makeCapturePresenter(library(), *settings_, markupEditors());
    notices_ = environment_.makeNoticePresenter();
    connect(&runner, &CaptureCoordinator::captured, this,
            [this](const Capture& capture, const std::optional<std::string>& failure, const CapturedImage& picture) {
                quickAccess_->show(capture, failure, picture);
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

    observeChanges(this, [this] { updateMenuHints(); });
    observeChanges(this, [this] { updateRecordingState(); });

    if (!settings_->welcomeShown() || !environment_.screenPermission()) showWelcome();

    log_.info("launched");
}

void AppDelegate::applicationShouldHandleReopen() {
    log_.info("reopen requested");
    showSettings();
}

void AppDelegate::handle(CommandLine::Request request, int delaySeconds) {
    using CommandLine::Request;
    switch (request) {
    case Request::reopen: return applicationShouldHandleReopen();
    case Request::area: return perform(kit::CaptureAction::area, delaySeconds);
    case Request::window: return perform(kit::CaptureAction::window, delaySeconds);
    case Request::fullscreen: return perform(kit::CaptureAction::fullscreen, delaySeconds);
    case Request::record: return perform(kit::CaptureAction::recording, delaySeconds);
    case Request::text: return perform(kit::CaptureAction::text);
    case Request::bar: return perform(kit::CaptureAction::allInOne);
    case Request::scroll: return perform(kit::CaptureAction::scroll);
    case Request::settings: return showSettings();
    // An edit comes with its file, through edit().
    case Request::edit: return;
    case Request::quit:
        log_.info("quit requested");
        QCoreApplication::quit();
        return;
    }
}

void AppDelegate::perform(kit::CaptureAction action, int delaySeconds) {
    log_.info("action={}", action.rawValue());
    // The newest request is the one the user wants.
    cancelCountdown();

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
    afterDelay(delaySeconds, action, [this, action] { coordinator().run(action); });
}

CaptureCountdown& AppDelegate::countdown() {
    if (!countdown_) {
        countdown_ = std::make_unique<CaptureCountdown>(&coordinator().displays());
    }
    return *countdown_;
}

void AppDelegate::afterDelay(int seconds, kit::CaptureAction action, std::function<void()> work) {
    cancelCountdown();
    if (seconds <= 0) {
        work();
        return;
    }
    log_.info("countdown started action={} seconds={}", action.rawValue(), seconds);
    countdownDone_ = connect(&countdown(), &CaptureCountdown::finished, this, std::move(work), Qt::SingleShotConnection);
    countdown_->start(action, seconds);
}

void AppDelegate::cancelCountdown() {
    if (!countdown_ || !countdown_->isRunning()) return;
    disconnect(countdownDone_);
    countdown_->cancel();
    log_.info("countdown cancelled");
}

void AppDelegate::connectMenu(const MenuActions& menu) {
    const auto route = [this](kit::CaptureAction action) { return [this, action] { perform(action); }; };
    connect(&menu, &MenuActions::captureArea, this, route(kit::CaptureAction::area));
    connect(&menu, &MenuActions::captureFullscreen, this, route(kit::CaptureAction::fullscreen));
    connect(&menu, &MenuActions::captureWindow, this, route(kit::CaptureAction::window));
    connect(&menu, &MenuActions::captureScrollingArea, this, route(kit::CaptureAction::scroll));
    connect(&menu, &MenuActions::startRecording, this, route(kit::CaptureAction::recording));
    connect(&menu, &MenuActions::stopRecording, this, [this] { coordinator().stopRecordingNow(); });
    connect(&menu, &MenuActions::captureText, this, route(kit::CaptureAction::text));
    connect(&menu, &MenuActions::openAllInOne, this, route(kit::CaptureAction::allInOne));
    connect(&menu, &MenuActions::openSaveFolder, this, &AppDelegate::openSaveFolder);
    connect(&menu, &MenuActions::openSettings, this, &AppDelegate::showSettings);
}

void AppDelegate::openSaveFolder() {
    const std::filesystem::path folder = settings_->saveFolder();
    // The file manager answers later, perhaps after the delegate is gone.
    environment_.openFolder(folder, [self = QPointer<AppDelegate>(this), folder] {
        if (!self) return;
        self->log_.notice("save folder not opened path={}", folder.string());
        if (!self->notices_) return;
        self->notices_->show(tr("Glimpo couldn't open a file manager. Your captures are saved in %1.")
                                 .arg(QFile::decodeName(folder.c_str()))
                                 .toStdString(),
                             "folder", whereToLookSeconds);
    });
}

void AppDelegate::updateMenuHints() {
    std::map<std::string, std::string> hints;
    for (const auto& [action, combination] : kit::HotKeyBindings::active(settings_->hotKeyOverrides())) {
        hints[std::string(action.title())] = ShortcutLabels::shown(combination).toStdString();
    }
    if (statusItem_) statusItem_->setShortcutHints(std::move(hints));
}

void AppDelegate::updateRecordingState() {
    const auto elapsed = coordinator().recordingElapsed();
    if (statusItem_) statusItem_->setRecordingElapsed(elapsed);

    const bool uiOpen = !GlimpoUIState::shared().openSurfaces().empty();
    // A countdown waits for Escape as a recording does.
    const bool counting = countdown().isRunning();
    const bool grab = kit::EscapeOwnership::shouldGrabEscape(elapsed.has_value() || counting, uiOpen);
    if (grab == escapeStopsRecording_) return;
    escapeStopsRecording_ = grab;
    if (grab) {
        shortcuts_->center().setTransient(kit::HotKeyCombination{escapeKeyCode, 0, "\u238B"});
    } else {
        shortcuts_->center().clearTransient();
    }
}

void AppDelegate::showSettings() {
    guide().refresh();
    // What the window shows of the desktop's keys is how things are now.
    if (shortcuts_) shortcuts_->retryHeldKeys();
    windows_->show("settings", tr("Glimpo Settings"), [this]() -> std::unique_ptr<QWidget> {
        AppSettings& settings = *settings_;
        // Each edit already refreshes the guide through the view, so no one listens to the recorder.
        auto makeRecorder = [&settings](kit::CaptureAction action, QWidget* parent) -> QWidget* {
            return new HotKeyRecorder(settings, action, parent);
        };
        // The window goes with the presenter, before the shortcut service.
        auto failures = [shortcuts = shortcuts_.get()] { return shortcuts->failures(); };
        auto view = std::make_unique<SettingsView>(settings, guide(), makeRecorder, failures);
        connect(view.get(), &SettingsView::welcomeRequested, this, &AppDelegate::showWelcome);
        return view;
    });
}

void AppDelegate::showWelcome() {
    settings_->setWelcomeShown(true);
    guide().refresh();
    windows_->show("welcome", tr("Welcome to Glimpo"), [this]() -> std::unique_ptr<QWidget> {
        auto view = std::make_unique<WelcomeView>(guide());
        connect(view.get(), &WelcomeView::done, this, [this] { windows_->close("welcome"); });
        return view;
    });
}
