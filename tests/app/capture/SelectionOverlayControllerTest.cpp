#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "TestSupport.h"
#include "app/capture/PanelSelectionOverlayController.h"
#include "app/base/GlimpoUIState.h"
#include "kit/Error.h"
#include "capture/FakeCaptureBackend.h"

using capturefakes::client;

namespace {

bool overlayOpen() { return GlimpoUIState::shared().openSurfaces().count("overlay") > 0; }

// Primary A (1440 x 900) and B (1920 x 1080) to its right, their bottom edges level: B's frame is
// (1440, 0, 1920, 1080) in global points.
class OverlayFixture : public ::testing::Test {
protected:
    void SetUp() override {
        backend->monitorList = {{1, QRect(0, 180, 1440, 900), true}, {2, QRect(1440, 0, 1920, 1080), false}};
        backend->pointerAt = QPoint(100, 400);
        capturer = capturefakes::service(backend);
        overlay = std::make_unique<PanelSelectionOverlayController>(*capturer);
        QObject::connect(overlay.get(), &SelectionOverlayController::finished,
                         [this](const SelectionResult& r) { results.push_back(r); });
    }
    void TearDown() override {
        overlay.reset();
        testsupport::processEvents();
    }

    // Returns once the window list has arrived.
    void begin(SelectionMode mode = SelectionMode::area) {
        QSignalSpy loaded(overlay.get(), &PanelSelectionOverlayController::windowsLoaded);
        overlay->begin(mode, true, SelectionPurpose::capture);
        testsupport::waitUntil([&loaded] { return !loaded.isEmpty(); });
    }

    std::shared_ptr<capturefakes::Backend> backend = std::make_shared<capturefakes::Backend>();
    std::unique_ptr<ScreenCaptureService> capturer;
    std::unique_ptr<PanelSelectionOverlayController> overlay;
    std::vector<SelectionResult> results;
};

} // namespace

TEST_F(OverlayFixture, ANewBeginCoversEveryDisplayReplacingTheRunningSelectionAndFinishingUncoversIt) {
    overlay->begin(SelectionMode::area, true, SelectionPurpose::capture);
    begin();
    EXPECT_TRUE(overlayOpen());
    const auto panels = overlay->panels();
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_TRUE(panels[0]->isVisible() && panels[1]->isVisible());
    // The pointer rests on A, which takes the keyboard.
    EXPECT_EQ(overlay->keyPanel(), panels[0]);
    EXPECT_EQ(overlay->pointer(), (kit::Point{100, 680}));

    overlay->cancel();
    EXPECT_FALSE(overlayOpen());
    EXPECT_FALSE(panels[0]->isVisible());
    // The replaced selection never finishes.
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].kind(), SelectionResult::Kind::cancelled);

    begin();
    EXPECT_EQ(overlay->panels(), panels);
    overlay->cancel();
    backend->monitorList.pop_back();
    begin();
    EXPECT_EQ(overlay->panels(), std::vector{panels[0]}) << "a removed display loses its panel";
}

TEST_F(OverlayFixture, AreasNeedFourPointsStayOnTheirDisplayAndAreCutFromTheFrameTheUserSaw) {
    const std::vector<std::pair<kit::Point, kit::Point>> drags{
        {{100, 100}, {103, 300}}, {{100, 300}, {104, 100}}, {{1540, 1030}, {1740, 980}}, {{1300, 500}, {2000, 200}}};
    for (const auto& [from, to] : drags) {
        begin();
        overlay->pressed(from);
        overlay->dragged(to);
        overlay->released(to);
    }
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(results[0].kind(), SelectionResult::Kind::cancelled);
    const std::vector<std::pair<kit::Rect, std::uint32_t>> areas{
        {kit::Rect::make(100, 600, 4, 200), 1}, {kit::Rect::make(100, 50, 200, 50), 2}, {kit::Rect::make(1300, 400, 140, 300), 1}};
    for (std::size_t i = 0; i < areas.size(); ++i) {
        ASSERT_EQ(results[i + 1].kind(), SelectionResult::Kind::area) << i;
        EXPECT_EQ(results[i + 1].rect(), areas[i].first) << i;
        EXPECT_EQ(results[i + 1].displayID(), areas[i].second) << i;
    }

    // The screen changes under the overlay; the capture that follows shows what the user saw.
    backend->root.fill(Qt::red);
    backend->grabs.clear();
    const auto& onB = results[2];
    const CapturedImage captured = testsupport::await(capturer->captureRect(onB.rect(), onB.displayID(), onB.frozen()));
    EXPECT_TRUE(backend->grabs.empty());
    EXPECT_EQ(captured.image.pixel(0, 0), capturefakes::pixelAt(1540, 50));
}

TEST_F(OverlayFixture, SpaceSwitchesToWindowsAndTheFrontmostUnderThePointerIsPicked) {
    backend->clients = {client(7, QRect(50, 250, 400, 300)), client(8, QRect(0, 200, 800, 600))};
    backend->stacking = {8, 7};
    begin();
    overlay->pressed({100, 100});
    overlay->dragged({300, 300});
    overlay->toggleMode();
    EXPECT_EQ(overlay->mode(), SelectionMode::window);
    EXPECT_FALSE(overlay->selection());
    // Where both windows lie, 7 is in front.
    overlay->pointerMoved({200, 600});
    ASSERT_TRUE(overlay->hoveredWindow());
    EXPECT_EQ(overlay->hoveredWindow()->id, 7u);
    overlay->pointerMoved({700, 600});
    EXPECT_EQ(overlay->hoveredWindow()->id, 8u);
    overlay->released({700, 600});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].kind(), SelectionResult::Kind::window);
    EXPECT_EQ(results[0].windowNumber(), 8u);
}

TEST_F(OverlayFixture, WhereTheSessionShowsNoWindowsSpaceSaysSoAndTheAreaStays) {
    std::vector<std::string> notices;
    QObject::connect(overlay.get(), &SelectionOverlayController::notice,
                     [&notices](const std::string& text) { notices.push_back(text); });
    backend->partialList = true;
    begin();
    overlay->toggleMode();
    EXPECT_EQ(overlay->mode(), SelectionMode::area);
    EXPECT_EQ(notices, std::vector<std::string>{PanelSelectionOverlayController::noWindowsSentence});
    overlay->cancel();
    // Asked for a window straight away, twice before the list is in: said once, by the newer.
    overlay->begin(SelectionMode::window, true, SelectionPurpose::capture);
    begin(SelectionMode::window);
    testsupport::processEvents();
    EXPECT_EQ(notices.size(), 2u);
    overlay->cancel();

    // The windows it does show are picked as usual.
    backend->clients = {client(7, QRect(50, 250, 400, 300))};
    begin();
    overlay->toggleMode();
    EXPECT_EQ(overlay->mode(), SelectionMode::window);
    EXPECT_EQ(notices.size(), 2u);
}

TEST_F(OverlayFixture, AScreenThatCantBeReadEndsTheSelectionWithTheReason) {
    backend->grabFailure = std::make_exception_ptr(kit::Error("No portal."));
    std::vector<std::string> failures;
    QObject::connect(overlay.get(), &SelectionOverlayController::failed,
                     [&failures](const std::exception_ptr& failure) { failures.push_back(kit::describe(failure)); });
    overlay->begin(SelectionMode::area, true, SelectionPurpose::capture);
    ASSERT_TRUE(testsupport::waitUntil([this] { return !results.empty(); }));
    EXPECT_EQ(results[0].kind(), SelectionResult::Kind::cancelled);
    EXPECT_EQ(failures, std::vector<std::string>{"No portal."});
    EXPECT_FALSE(overlayOpen());
}

TEST_F(OverlayFixture, PanelsTurnEventsIntoGlobalPointsAndEscapeThenReleaseReportsOnce) {
    begin();
    auto* b = overlay->panels()[1];
    QTest::mousePress(b, Qt::LeftButton, {}, QPoint(10, 20));
    EXPECT_EQ(overlay->dragStart(), (kit::Point{1450, 1060}));
    QTest::mouseMove(b, QPoint(60, 120));
    EXPECT_EQ(overlay->selection(), kit::Rect::make(1450, 960, 50, 100));

    QTest::keyPress(b, Qt::Key_Space);
    EXPECT_EQ(overlay->mode(), SelectionMode::window);
    QTest::mousePress(b, Qt::RightButton, {}, QPoint(5, 5));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].kind(), SelectionResult::Kind::cancelled);

    begin();
    QTest::keyPress(overlay->keyPanel(), Qt::Key_Escape);
    overlay->released({0, 0});
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1].kind(), SelectionResult::Kind::cancelled);
}
