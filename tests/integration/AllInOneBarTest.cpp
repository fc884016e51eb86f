// The all-in-one bar on the shared server (monitor A at root (0, 0), B at (1920, 0), 1920 x 1080
// each, openbox), clicked and typed at with xdotool. Recording and recognition are fakes: the
// bar only hands them on.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QWindow>

#include "CaptureTestSupport.h"
#include "ForeignWindows.h"
#include "app/base/AppSettings.h"
#include "app/base/GlimpoUIState.h"
#include "app/base/SettingsStore.h"
#include "app/capture/DisplayService.h"
#include "app/capture/PanelSelectionOverlayController.h"
#include "app/core/CaptureCoordinator.h"
#include "app/platform/x11/PanelWindow.h"
#include "app/platform/x11/XcbCaptureBackend.h"
#include "app/quickaccess/QuickAccessController.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "app/ui/AllInOneBarView.h"
#include "app/ui/AllInOneController.h"
#include "app/ui/AllInOnePanel.h"
#include "app/ui/ModeButton.h"
#include "fakes/FakeServices.h"

using capturetest::waitUntil;
using capturetest::xdotool;

namespace {

// The real overlay, noting the mode each selection was begun in.
class NotingOverlay : public SelectionOverlayController {
public:
    explicit NotingOverlay(ScreenCaptureService& capturer) : real(capturer) {}
    void begin(SelectionMode mode, bool allowsWindowMode, Completion done) override {
        modes.push_back(mode);
        real.begin(mode, allowsWindowMode, std::move(done));
    }
    PanelSelectionOverlayController real;
    std::vector<SelectionMode> modes;
};

// Notes whether the bar was still on screen when each recording started.
class WatchingRecorder : public fakes::Recorder {
public:
    QCoro::Task<void> start(std::optional<kit::Rect> area, std::uint32_t displayID, bool microphone,
                            bool systemAudio) override {
        barShowingAtStart.push_back(bar && platform::x11::isShowing(*bar));
        return fakes::Recorder::start(area, displayID, microphone, systemAudio);
    }
    QPointer<QWidget> bar;
    std::vector<bool> barShowingAtStart;
};

void click(const QWidget& widget) {
    const QPoint at = widget.mapToGlobal(widget.rect().center());
    xdotool({"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
}

class AllInOneBarOnX : public ::testing::Test {
protected:
    AllInOneBarOnX() {
        CaptureCoordinator::Services services;
        services.capturer = std::make_unique<ScreenCaptureService>(backend, displays, std::make_unique<QtOwnWindows>());
        services.makeOverlay = [this](ScreenCaptureService& capturer) {
            auto made = std::make_unique<NotingOverlay>(capturer);
            overlay = made.get();
            return made;
        };
        auto recorderOwned = std::make_unique<WatchingRecorder>();
        recorder = recorderOwned.get();
        services.recorder = std::move(recorderOwned);
        services.recognizer = std::make_unique<fakes::Recognizer>();
        services.displays = displays;
        services.microphoneStatus = [] { return MicrophoneAuthorization::authorized; };
        coordinator = std::make_unique<CaptureCoordinator>(settings, library, std::move(services));
        QObject::connect(coordinator.get(), &CaptureCoordinator::captured,
                         [this](const Capture& capture, const std::optional<std::string>& failure) {
                             captures.push_back(capture);
                             quickAccess.show(capture, failure);
                         });
        bar = std::make_unique<AllInOneController>(settings, *coordinator);
    }

    // Opens the bar with the pointer at (x, y); returns once it is on screen.
    AllInOneBarView& open(int x = 900, int y = 300) {
        xdotool({"mousemove", QString::number(x), QString::number(y)});
        bar->toggle();
        recorder->bar = bar->panel();
        // The window manager may still be placing it when it maps.
        if (!waitUntil([&] {
                return platform::x11::isShowing(*bar->panel()) &&
                       bar->panel()->frameGeometry() == bar->panel()->targetFrame();
            }))
            throw std::runtime_error("the bar did not show where it was put");
        // Clicks that come before Qt has the window exposed can leave it without the keyboard.
        if (!waitUntil([&] { return bar->panel()->windowHandle()->isExposed(); }))
            throw std::runtime_error("the bar was not exposed");
        return *bar->view();
    }

    // In the bar's order: Area, Window, Fullscreen, Record, Text.
    ModeButton& mode(int index) { return *bar->view()->modeButtons().at(index); }

    bool overlayOpen() const { return GlimpoUIState::shared().openSurfaces().contains("overlay"); }

    bool stored(const char* line) const {
        QFile file(QString::fromStdString((home / "settings.json").string()));
        return file.open(QIODevice::ReadOnly) && file.readAll().contains(line);
    }

    std::shared_ptr<platform::x11::XcbCaptureBackend> backend = std::make_shared<platform::x11::XcbCaptureBackend>();
    std::shared_ptr<DisplayService> displays = std::make_shared<DisplayService>(backend);
    testsupport::TempDir home;
    AppSettings settings{std::make_unique<SettingsStore>(home / "settings.json")};
    CaptureLibrary library{settings, std::make_unique<DiskFileSystem>(), home / "cache"};
    QuickAccessController quickAccess{library, settings, QuickAccessController::Platform::standard(displays)};
    NotingOverlay* overlay = nullptr;
    WatchingRecorder* recorder = nullptr;
    std::unique_ptr<CaptureCoordinator> coordinator;
    std::unique_ptr<AllInOneController> bar;
    std::vector<Capture> captures;
};

} // namespace

TEST_F(AllInOneBarOnX, TheToggleOpensTheBarCentredAboveTheBottomOfTheDisplayUnderThePointer) {
    for (int left : {0, 1920}) {
        open(left + 700, 500);
        const QRect frame = bar->panel()->frameGeometry();
        EXPECT_NEAR(frame.center().x(), left + 960, 1) << left;
        EXPECT_EQ(frame.bottom() + 1, 1080 - 60) << left;
        EXPECT_TRUE(GlimpoUIState::shared().openSurfaces().contains("allInOne"));
        bar->toggle();
        ASSERT_TRUE(waitUntil([&] { return !platform::x11::isShowing(*bar->panel()); }));
        EXPECT_FALSE(GlimpoUIState::shared().openSurfaces().contains("allInOne"));
    }
}

TEST_F(AllInOneBarOnX, EscapeClosesTheBarAndNeverReachesTheWindowThatHadTheFocus) {
    ForeignWindows other;
    const auto window = other.open({300, 200, 400, 300}, Qt::white, "Other", "OtherApp", ForeignWindows::Type::normal, true);
    ASSERT_TRUE(other.raise(window));
    open();
    ASSERT_TRUE(waitUntil([&] { return bar->panel()->isActiveWindow(); })) << "the bar did not take the keyboard";
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !bar->isOpen(); }));
    // The focus goes back where it was, and the keys with it.
    ASSERT_TRUE(waitUntil([&] { return platform::x11::activeWindow() == window; }));
    EXPECT_TRUE(other.keyPresses().empty());
    xdotool({"key", "a"});
    EXPECT_TRUE(waitUntil([&] { return !other.keyPresses().empty(); }));
}

TEST_F(AllInOneBarOnX, TheModesStartTheirSelectionsAndFullscreenCapturesWithoutTheBar) {
    ForeignWindows foreign;
    foreign.open({0, 0, 1920, 1080}, Qt::red, "Red", "RedApp");
    for (int index : {0, 1, 4}) {
        open();
        click(mode(index));
        ASSERT_TRUE(waitUntil([&] { return overlayOpen(); })) << index;
        EXPECT_FALSE(bar->isOpen());
        EXPECT_EQ(overlay->modes.back(), index == 1 ? SelectionMode::window : SelectionMode::area) << index;
        ASSERT_TRUE(waitUntil([] { return !capturetest::inputIsFree(); })) << "the overlay took no input";
        xdotool({"key", "Escape"});
        ASSERT_TRUE(waitUntil([&] { return !overlayOpen(); }));
    }

    open();
    const QRect where = bar->panel()->frameGeometry();
    click(mode(2));
    ASSERT_TRUE(waitUntil([&] { return captures.size() == 1; }));
    ASSERT_TRUE(waitUntil([&] { return quickAccess.thumbnailIDs().size() == 1; }));
    const QImage image(QString::fromStdString(captures[0].fileURL.string()));
    ASSERT_EQ(image.size(), QSize(1920, 1080));
    EXPECT_EQ(capturetest::pixelsOtherThan(image, where, Qt::red), 0);
}

TEST_F(AllInOneBarOnX, RecordOffersItsOptionsStoredAtOnceAndStartsEitherRecording) {
    AllInOneBarView& view = open();
    const int closedHeight = bar->panel()->height();
    click(mode(3));
    ASSERT_TRUE(waitUntil([&] { return view.recordingOptions()->isVisible(); }));
    ASSERT_TRUE(waitUntil([&] { return bar->panel()->height() > closedHeight; }));
    EXPECT_EQ(bar->panel()->frameGeometry().bottom() + 1, 1080 - 60);
    click(*view.microphoneToggle());
    ASSERT_TRUE(waitUntil([&] { return stored("\"recordMicrophone\": true"); }));
    click(*view.systemAudioToggle());
    ASSERT_TRUE(waitUntil([&] { return stored("\"recordSystemAudio\": true"); }));

    // Area: Return starts the selection (what a drag there records is the coordinator's test's).
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitUntil([&] { return overlayOpen(); }));
    EXPECT_FALSE(platform::x11::isShowing(*bar->panel()));
    EXPECT_EQ(overlay->modes.back(), SelectionMode::area);
    ASSERT_TRUE(waitUntil([] { return !capturetest::inputIsFree(); })) << "the overlay took no input";
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !overlayOpen(); }));

    // Fullscreen: the display under the pointer, at once, with the bar already gone. What was
    // chosen in the bar is still chosen.
    open(2500, 500);
    EXPECT_TRUE(view.recordingOptions()->isVisible());
    click(*view.fullscreenSegment());
    click(*view.startRecordingButton());
    ASSERT_TRUE(waitUntil([&] { return recorder->starts.size() == 1; }));
    EXPECT_FALSE(recorder->starts[0].area);
    EXPECT_TRUE(recorder->starts[0].microphone && recorder->starts[0].systemAudio);
    EXPECT_EQ(recorder->starts[0].displayID, displays->screenContaining({2500, 500})->id);
    EXPECT_EQ(recorder->barShowingAtStart, std::vector<bool>{false});
    EXPECT_FALSE(overlayOpen());
}
