#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/capture/ScreenCaptureService.h"
#include "capture/FakeCaptureBackend.h"

using capturefakes::client;
using capturefakes::pixelAt;
using capturefakes::WindowType;

namespace {

using testsupport::await;
using testsupport::errorOf;

struct Service {
    std::shared_ptr<capturefakes::Backend> backend = std::make_shared<capturefakes::Backend>();
    capturefakes::Own* own = nullptr;
    std::unique_ptr<ScreenCaptureService> capturer;

    explicit Service(double scale = 1.0) {
        // Primary A on the left, B to its right, both 1920 x 1080 pixels.
        backend->monitorList = {{1, QRect(0, 0, 1920, 1080), true}, {2, QRect(1920, 0, 1920, 1080), false}};
        capturer = capturefakes::service(backend, scale, &own);
    }
};

} // namespace

TEST(ScreenCaptureServiceTest, OffersOnlyApplicationWindowsOnScreenThatAreNotGlimposAndBigEnough) {
    Service s;
    const QRect r(10, 10, 300, 200);
    s.backend->clients = {client(1, r), client(2, r, {WindowType::dialog}), client(3, r), client(4, r),
                          client(5, QRect(0, 0, 1920, 30), {WindowType::dock}), client(6, r, {WindowType::utility}),
                          client(7, r, {}), client(8, r, {}), client(9, r, {WindowType::other}),
                          client(10, r, {WindowType::other, WindowType::notification}), client(11, r),
                          client(12, QRect(500, 500, 38, 38)), client(13, QRect(10, 10, 39, 300))};
    auto& c = s.backend->clients;
    c[2].hidden = true;
    c[3].viewable = false;
    c[7].transient = true;
    // 38 pixels of client and a pixel of frame on each side make exactly 40.
    c[11].extents = {1, 1, 1, 1};
    s.own->windows = {11};
    std::vector<std::uint32_t> offered;
    for (const auto& window : await(s.capturer->windows())) offered.push_back(window.id);
    EXPECT_EQ(offered, (std::vector<std::uint32_t>{1, 2, 7, 8, 9, 12}));
}

TEST(ScreenCaptureServiceTest, AreasAndWindowsAreCutFromTheFrameTheUserSawAtFullResolutionOrSayTheyAreGone) {
    Service s(2.0);
    s.backend->clients = {client(5, QRect(1800, 100, 300, 200))};
    auto frozen = await(s.capturer->freeze(s.capturer->displays().layout()));
    frozen->windows = await(s.capturer->windows());
    // The window moves after the frame was taken: the capture follows the frame.
    s.backend->clients = {client(5, QRect(0, 0, 300, 200))};
    s.backend->grabs.clear();

    const CapturedImage area = await(s.capturer->captureRect(kit::Rect::make(10.25, 20.5, 100.5, 50.25), 2, frozen));
    EXPECT_EQ(area.image.size(), QSize(202, 101));
    EXPECT_EQ(area.pointSize, (kit::Size{100.5, 50.25}));
    // Display B starts at root x 1920; the cut starts at its pixel (20, 41).
    EXPECT_EQ(area.image.pixel(0, 0), pixelAt(1940, 41));
    EXPECT_EQ(area.image.pixel(201, 100), pixelAt(1940 + 201, 41 + 100));
    const CapturedImage window = await(s.capturer->captureWindow(5, frozen));
    EXPECT_EQ(window.image.size(), QSize(300, 200));
    EXPECT_EQ(window.pointSize, (kit::Size{150, 100}));
    EXPECT_EQ(window.image.pixel(150, 10), pixelAt(1950, 110)) << "across displays";
    EXPECT_TRUE(s.backend->grabs.empty());

    // Without the frame the screen is grabbed live.
    await(s.capturer->captureRect(kit::Rect::make(10, 20, 100, 50), 2));
    await(s.capturer->captureWindow(5));
    EXPECT_EQ(s.backend->grabs, (std::vector<QRect>{QRect(1940, 40, 200, 100), QRect(0, 0, 300, 200)}));

    // A display or window gone since the frame was taken says so.
    s.backend->monitorList.pop_back();
    EXPECT_EQ(errorOf([&] { await(s.capturer->captureRect(kit::Rect::make(0, 0, 10, 10), 2, frozen)); }),
              "The screen is no longer available.");
    EXPECT_EQ(errorOf([&] { await(s.capturer->captureWindow(77, frozen)); }), "The window is no longer available.");
    s.backend->monitorList.clear();
    EXPECT_EQ(errorOf([&] { await(s.capturer->captureDisplay({10, 10})); }), "The screen is no longer available.");
}

TEST(ScreenCaptureServiceTest, GlimposWindowsLeaveTheScreenForALiveGrabAndComeBack) {
    Service s;
    s.own->onScreen = {{40, QRect(100, 900, 200, 120)}, {41, QRect(2000, 900, 200, 120)}};
    // The first window takes two looks to leave; the screen beneath redraws on the second look.
    s.backend->lingering = {40};
    s.backend->damage = {{}, {QRect(0, 800, 400, 400)}};
    auto task = s.capturer->captureDisplay({10, 10});
    // Waiting for the window manager: hidden, and nothing grabbed yet.
    EXPECT_TRUE(s.own->hidden.count(40));
    EXPECT_FALSE(s.own->hidden.count(41));
    EXPECT_TRUE(s.backend->grabs.empty());
    await(std::move(task));
    EXPECT_EQ(s.backend->grabs.size(), 1u);
    EXPECT_GE(s.backend->damageLooks, 2);
    EXPECT_EQ(s.own->restores, 1);
    EXPECT_TRUE(s.own->hidden.empty());

    // Cutting from a frozen frame touches no window.
    auto frozen = await(s.capturer->freeze(s.capturer->displays().layout()));
    EXPECT_EQ(s.own->hideRequests.back(), QRect(0, 0, 3840, 1080));
    const int restoresAfterFreeze = s.own->restores;
    await(s.capturer->captureRect(kit::Rect::make(0, 0, 100, 100), 1, frozen));
    EXPECT_EQ(s.own->restores, restoresAfterFreeze);
    EXPECT_EQ(s.own->hideRequests.size(), 2u);
}

TEST(ScreenCaptureServiceTest, DrawingElsewhereDoesNotHoldTheGrabBack) {
    Service s;
    s.own->onScreen = {{40, QRect(100, 900, 200, 120)}};
    // A video plays far from the hidden window, at every look; the uncovered part redraws at once.
    std::vector<std::vector<QRect>> looks(100, {QRect(1000, 100, 640, 360)});
    looks[0].push_back(QRect(100, 900, 200, 120));
    s.backend->damage = looks;
    await(s.capturer->captureDisplay({10, 10}));
    EXPECT_EQ(s.backend->grabs.size(), 1u);
    // Settled after a few looks, well before the limit of a couple of frames (20 looks).
    EXPECT_LT(s.backend->damageLooks, 10);
}
