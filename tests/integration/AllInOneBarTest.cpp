// The all-in-one bar on the shared server (monitor A at root (0, 0), B at (1920, 0), 1920 x 1080
// each, openbox), clicked and typed at with xdotool. Recording and recognition are fakes: the
// bar only hands them on.

#include <gtest/gtest.h>

#include <QPointer>
#include <QPushButton>
#include <QWindow>

#include "CaptureTestSupport.h"
#include "ForeignWindows.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/capture/DisplayService.h"
#include "app/capture/PanelSelectionOverlayController.h"
#include "app/core/CaptureCoordinator.h"
#include "app/platform/x11/PanelWindow.h"
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

// Clicks once the X server has the bar under the pointer: its shape follows a new size a moment
// after the window does.
void click(const QWidget& widget) {
    const QPoint at = widget.mapToGlobal(widget.rect().center());
    xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())});
    const QString bar = "window:" + QString::number(widget.window()->winId());
    waitUntil([&] { return sharedXServer->output("xdotool", {"getmouselocation"}).trimmed().endsWith(bar); });
    xdotool({"click", "1"});
}

class AllInOneBarOnX : public ::testing::Test {
protected:
    AllInOneBarOnX() {
        CaptureCoordinator::Services services;
        services.capturer = std::make_unique<capturetest::X11Capturer>();
        services.makeOverlay = [](ScreenCaptureService& capturer) {
            return std::make_unique<PanelSelectionOverlayController>(capturer);
        };
        auto recorderOwned = std::make_unique<WatchingRecorder>();
        recorder = recorderOwned.get();
        services.recorder = std::move(recorderOwned);
        services.recognizer = std::make_unique<fakes::Recognizer>();
        services.sounds = std::make_unique<fakes::Sounds>();
        services.displays = displays;
        coordinator = std::make_unique<CaptureCoordinator>(settings, library, std::move(services));
        QObject::connect(coordinator.get(), &CaptureCoordinator::captured,
                         [this](const Capture& capture) { captures.push_back(capture); });
        bar = std::make_unique<AllInOneController>(settings, displays.get());
        QObject::connect(bar.get(), &AllInOneController::captureChosen, coordinator.get(), &CaptureCoordinator::run);
        QObject::connect(bar.get(), &AllInOneController::recordingChosen, [this](bool fullscreen) {
            if (fullscreen) coordinator->startRecording(std::nullopt, std::nullopt);
            else coordinator->run(kit::CaptureAction::recording);
        });
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

    std::shared_ptr<DisplayService> displays = std::make_shared<DisplayService>(capturetest::X11Capturer::backend());
    testsupport::TempDir home;
    AppSettings settings{std::make_unique<SettingsStore>(home / "settings.json")};
    CaptureLibrary library{settings, std::make_unique<DiskFileSystem>(), home / "cache"};
    WatchingRecorder* recorder = nullptr;
    std::unique_ptr<CaptureCoordinator> coordinator;
    std::unique_ptr<AllInOneController> bar;
    std::vector<Capture> captures;
};

} // namespace

// The bar takes the keyboard, and Escape closes it and gives the keys back to the window that had
// them. It opens centred 60 above the bottom of the display under the pointer, and what is chosen
// in it begins once it is off the screen (Glimpo's own windows never show in a capture: ScreenCaptureTest).
TEST_F(AllInOneBarOnX, EscapeGivesTheKeysBackAndAChosenModeBeginsOnceTheBarIsGone) {
    ForeignWindows foreign;
    const auto red = foreign.open({0, 0, 1920, 1080}, Qt::red, "Red", "RedApp", ForeignWindows::Type::normal, true);
    ASSERT_TRUE(foreign.raise(red));
    open();
    ASSERT_TRUE(waitUntil([&] { return bar->panel()->isActiveWindow(); })) << "the bar did not take the keyboard";
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !bar->isOpen(); }));
    ASSERT_TRUE(waitUntil([&] { return platform::x11::activeWindow() == red; }));
    EXPECT_EQ(foreign.presses(), 0);
    xdotool({"key", "a"});
    EXPECT_TRUE(waitUntil([&] { return foreign.presses() > 0; }));

    open();
    const QRect where = bar->panel()->frameGeometry();
    EXPECT_NEAR(where.center().x(), 960, 1);
    EXPECT_EQ(where.bottom() + 1, 1080 - 60);
    click(mode(2));
    ASSERT_TRUE(waitUntil([&] { return captures.size() == 1; }));

    AllInOneBarView& view = open(2500, 500);
    EXPECT_NEAR(bar->panel()->frameGeometry().center().x(), 1920 + 960, 1);
    click(mode(3));
    // Grown by the recording options, it still keeps its bottom edge.
    ASSERT_TRUE(waitUntil([&] { return view.recordingOptions()->isVisible(); }));
    EXPECT_EQ(bar->panel()->frameGeometry().bottom() + 1, 1080 - 60);
    click(*view.fullscreenSegment());
    click(*view.startRecordingButton());
    ASSERT_TRUE(waitUntil([&] { return recorder->starts.size() == 1; }));
    EXPECT_FALSE(recorder->starts[0].area);
    EXPECT_EQ(recorder->starts[0].displayID, displays->screenContaining({2500, 500})->id);
    EXPECT_EQ(recorder->barShowingAtStart, std::vector<bool>{false});
}
