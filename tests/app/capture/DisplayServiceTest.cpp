#include <gtest/gtest.h>

#include "app/capture/DisplayService.h"
#include "capture/FakeCaptureBackend.h"

using capturefakes::Monitor;

namespace {

// Primary B on the right, lower than A; A above and to the left of it.
std::vector<Monitor> leftAndAbove() {
    return {{11, QRect(0, 0, 1440, 900), false}, {22, QRect(1440, 300, 1920, 1080), true}};
}

} // namespace

TEST(DisplayLayoutTest, FramesAreGlobalPointsWithThePrimaryAtTheOriginAndYUp) {
    const DisplayLayout layout(leftAndAbove(), 1.0);
    ASSERT_EQ(layout.displays().size(), 2u);
    // The primary comes first whatever the server's order.
    EXPECT_EQ(layout.displays()[0].id, 22u);
    EXPECT_EQ(layout.displays()[0].frame, kit::Rect::make(0, 0, 1920, 1080));
    // A's bottom edge is 1380 - 900 = 480 points above the primary's bottom edge.
    EXPECT_EQ(layout.screen(11)->frame, kit::Rect::make(-1440, 480, 1440, 900));
    EXPECT_EQ(layout.mainDisplay()->id, 22u);
}

TEST(DisplayLayoutTest, RootAndGlobalConvertBothWaysAtAnyScale) {
    const DisplayLayout layout(leftAndAbove(), 2.0);
    EXPECT_EQ(layout.screen(22)->frame, kit::Rect::make(0, 0, 960, 540));
    EXPECT_EQ(layout.screen(11)->frame, kit::Rect::make(-720, 240, 720, 450));
    const kit::Point global = layout.globalFromRoot(QPointF(1441, 301));
    EXPECT_EQ(global, (kit::Point{0.5, 539.5}));
    EXPECT_EQ(layout.rootFromGlobal(global), QPointF(1441, 301));
    const kit::Rect window = layout.globalFromRoot(QRectF(1540, 350, 200, 100));
    EXPECT_EQ(window, kit::Rect::make(50, 465, 100, 50));
    EXPECT_EQ(layout.rootFromGlobal(window), QRectF(1540, 350, 200, 100));
}

TEST(DisplayLayoutTest, LocalPointsRunDownFromTheDisplaysTopLeft) {
    const DisplayLayout layout(leftAndAbove(), 1.0);
    const DisplayInfo& a = *layout.screen(11);
    EXPECT_EQ(DisplayLayout::localFromGlobal(a, kit::Point{-1430, 1370}), (kit::Point{10, 10}));
    EXPECT_EQ(DisplayLayout::globalFromLocal(a, kit::Point{10, 10}), (kit::Point{-1430, 1370}));
    EXPECT_EQ(DisplayLayout::localFromGlobal(a, kit::Rect::make(-1430, 1300, 100, 60)), kit::Rect::make(10, 20, 100, 60));
}

TEST(DisplayLayoutTest, LookupsFollowTheListOrderAndMissNothingElse) {
    const DisplayLayout layout({{1, QRect(0, 0, 1920, 1080), false}, {2, QRect(1920, 0, 1920, 1080), false}}, 1.0);
    // No primary: the first listed is the main display.
    EXPECT_EQ(layout.mainDisplay()->id, 1u);
    EXPECT_EQ(layout.screenContaining({1920, 500})->id, 1u);
    EXPECT_EQ(layout.screenContaining({1921, 500})->id, 2u);
    EXPECT_EQ(layout.screenContaining({5000, 500}), nullptr);
    EXPECT_EQ(layout.screen(3), nullptr);
    EXPECT_EQ(DisplayLayout({}, 1.0).mainDisplay(), nullptr);
}

TEST(DisplayServiceTest, AnswersFromTheMonitorsAndPointerItReadsNow) {
    auto backend = std::make_shared<capturefakes::Backend>();
    backend->monitorList = leftAndAbove();
    backend->pointerAt = QPoint(100, 100);
    DisplayService service(backend, 1.0);
    EXPECT_EQ(service.pointerLocation(), (kit::Point{-1340, 1280}));
    EXPECT_EQ(screenUnderPointer(service)->id, 11u);
    EXPECT_EQ(service.mainScreen()->id, 22u);

    // A monitor removed is gone from the next answer.
    backend->monitorList.pop_back();
    EXPECT_EQ(service.mainScreen()->id, 11u);
    backend->monitorList.clear();
    backend->pointerAt.reset();
    EXPECT_EQ(service.mainScreen(), std::nullopt);
    EXPECT_EQ(service.pointerLocation(), (kit::Point{0, 0}));
}
