#include "app/core/AppDelegate.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <map>

#include "app/core/AppSettings.h"
#include "app/core/GlimpoUIState.h"
#include "app/core/Observation.h"
#include "app/core/PermissionGate.h"
#include "app/core/SettingsStore.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "app/ui/MenuActions.h"
#include "app/ui/StatusItemController.h"
#include "app/ui/WindowPresenter.h"
#include "kit/HotKeyBindings.h"

namespace {

constexpr std::uint32_t escapeKeyCode = 53;

// A plain window body: a headline, a few lines and one default button.
std::unique_ptr<QWidget> makeMessageView(const QString& headline, const QString& body, const QString& button,
                                         std::function<void()> onButton) {
    auto view = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(view.get());
    auto* title = new QLabel(headline);
    QFont font = title->font();
    font.setPointSizeF(font.pointSizeF() * 1.4);
    font.setBold(true);
    title->setFont(font);
    layout->addWidget(title);
    auto* text = new QLabel(body);
    text->setWordWrap(true);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox;
    QPushButton* done = buttons->addButton(button, QDialogButtonBox::AcceptRole);
    done->setDefault(true);
    QObject::connect(done, &QPushButton::clicked, view.get(), [onButton = std::move(onButton)] { onButton(); });
    layout->addWidget(buttons);
    view->setMinimumWidth(420);
    return view;
}

} // namespace

AppDelegate::Environment AppDelegate::Environment::standard() {
    Environment environment;
    environment.store = std::make_unique<SettingsStore>(SettingsStore::standardPath());
    environment.screenPermission = PermissionGate::screenCaptureAllowed;
    environment.openAddress = PermissionGate::open;
    return environment;
}

AppDelegate::AppDelegate(Environment environment, QObject* parent)
    : QObject(parent),
      environment_(std::move(environment)),
      settings_(std::make_unique<AppSettings>(std::move(environment_.store))),
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
            environment_.makeServices ? environment_.makeServices() : CaptureCoordinator::Services{};
        coordinator_ = std::make_unique<CaptureCoordinator>(*settings_, library(), std::move(services));
    }
    return *coordinator_;
}

void AppDelegate::applicationDidFinishLaunching() {
    statusItem_ = std::make_unique<StatusItemController>(makeMenuActions());

    library().startPurging();

    CaptureCoordinator& runner = coordinator();
    if (TextRecognitionService* recognizer = runner.recognizer()) recognizer->warmUp();

    QPointer<AppDelegate> self(this);
    runner.onCaptured = [self](const Capture& capture, const std::optional<std::string>& failure) {
        if (!self) return;
        if (self->environment_.showCapture) {
            self->environment_.showCapture(capture, failure);
        } else {
            self->log_.error("capture not shown file={}", capture.fileURL.filename().string());
        }
    };
    runner.onPermissionNeeded = [self] {
        if (self) self->showWelcome();
    };
    auto notice = [self](const std::string& text, const std::string& image, std::optional<double> seconds) {
        if (!self) return;
        if (self->environment_.showNotice) {
            self->environment_.showNotice(text, image, seconds);
        } else if (self->statusItem_) {
            self->statusItem_->showMessage(QString::fromStdString(text), seconds);
        }
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
        if (!environment_.setTransientHotKey) return;
        QPointer<AppDelegate> self(this);
        environment_.setTransientHotKey(kit::HotKeyCombination{escapeKeyCode, 0, "\u238B"}, [self] {
            if (self) self->coordinator().stopRecordingNow();
        });
    } else if (environment_.clearTransientHotKey) {
        environment_.clearTransientHotKey();
    }
}

void AppDelegate::showSettings() {
    QPointer<AppDelegate> self(this);
    windows_->show("settings", "Glimpo Settings", [self]() -> std::unique_ptr<QWidget> {
        return makeMessageView(
            "Glimpo Settings",
            "Glimpo lives in the tray. Its shortcuts, save folder and sounds are set here.", "Close", [self] {
                if (self) self->windows_->close("settings");
            });
    });
}

void AppDelegate::showWelcome() {
    settings_->setWelcomeShown(true);
    QPointer<AppDelegate> self(this);
    windows_->show("welcome", "Welcome to Glimpo", [self]() -> std::unique_ptr<QWidget> {
        return makeMessageView("Welcome to Glimpo",
                               "Glimpo takes screenshots, screen recordings and text captures from the tray.",
                               "Done", [self] {
                                   if (self) self->windows_->close("welcome");
                               });
    });
}
