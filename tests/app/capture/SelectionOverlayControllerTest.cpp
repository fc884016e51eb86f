#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "TestSupport.h"
#include "app/capture/PanelSelectionOverlayController.h"
#include "app/base/GlimpoUIState.h"
#include "app/base/Log.h"
#include "kit/Error.h"
#include "capture/FakeCaptureBackend.h"

using capturefakes::client;
using capturefakes::pixelAt;

namespace {

bool overlayOpen() { return GlimpoUIState::shared().openSurfaces().count("overlay") > 0; }

// Primary A (1440 x 900) and B (1920 x 1080) to its right, their bottom edges level: B's frame is
// (1440, 0, 1920, 1080) in global points.
class OverlayFixture : public ::testing::Test {
protected:
    void SetUp() override {
        backend->monitorList = {{1, QRect(0, 180, 1440, 900), true}, {2, QRect(1440, 0, 1920, 1080), false}};
        backend->pointerAt = QPoint(100, 400);
        auto owned = std::make_unique<capturefakes::Own>();
        own = owned.get();
        capturer = std::make_unique<ScreenCaptureService>(backend, std::make_shared<DisplayService>(backend, 1.0),
                                                          std::move(owned));
        overlay = std::make_unique<PanelSelectionOverlayController>(*capturer);
    }
    void TearDown() override {
        overlay.reset();
        testsupport::processEvents();
    }

    // Returns once the window list has arrived.
    void begin(SelectionMode mode = SelectionMode::area, bool allowsWindowMode = true) {
        bool loaded = false;
        const auto connection = QObject::connect(overlay.get(), &PanelSelectionOverlayController::windowsLoaded,
                                                 [&loaded] { loaded = true; });
        overlay->begin(mode, allowsWindowMode, [this](SelectionResult r) { results.push_back(r); });
        testsupport::waitUntil([&loaded] { return loaded; });
        QObject::disconnect(connection);
    }

    std::shared_ptr<capturefakes::Backend> backend = std::make_shared<capturefakes::Backend>();
    capturefakes::Own* own = nullptr;
    std::unique_ptr<ScreenCaptureService> capturer;
    std::unique_ptr<PanelSelectionOverlayController> overlay;
    std::vector<SelectionResult> results;
};

} // namespace

TEST_F(OverlayFixture, BeginCoversEveryDisplayAndFinishingUncoversIt) {
    begin();
    EXPECT_TRUE(overlay->isSelecting());
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
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].kind(), SelectionResult::Kind::cancelled);
}

TEST_F(OverlayFixture, AreasNeedFourPointsEachWayAndComeBackDisplayLocal) {
    begin();
    overlay->pressed({100, 100});
    overlay->dragged({103, 300});
    overlay->released({103, 300});
    begin();
    overlay->pressed({100, 300});
    overlay->dragged({104, 100});
    overlay->released({104, 100});
    begin();
    overlay->pressed({1540, 1030});
    overlay->dragged({1740, 980});
    overlay->released({1740, 980});

    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0].kind(), SelectionResult::Kind::cancelled);
    ASSERT_EQ(results[1].kind(), SelectionResult::Kind::area);
    EXPECT_EQ(results[1].rect(), kit::Rect::make(100, 600, 4, 200));
    EXPECT_EQ(results[1].displayID(), 1u);
    ASSERT_EQ(results[2].kind(), SelectionResult::Kind::area);
    EXPECT_EQ(results[2].rect(), kit::Rect::make(100, 50, 200, 50));
    EXPECT_EQ(results[2].displayID(), 2u);
}

TEST_F(OverlayFixture, ADragStaysOnTheDisplayWhereItBegan) {
    begin();
    overlay->pressed({1300, 500});
    overlay->dragged({2000, 200});
    EXPECT_EQ(overlay->selection(), kit::Rect::make(1300, 200, 140, 300));
    overlay->released({2000, 200});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].displayID(), 1u);
    EXPECT_EQ(results[0].rect(), kit::Rect::make(1300, 400, 140, 300));
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
    overlay->onNotice = [&notices](const std::string& text) { notices.push_back(text); };
    backend->partialList = true;
    begin();
    overlay->toggleMode();
    EXPECT_EQ(overlay->mode(), SelectionMode::area);
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0], PanelSelectionOverlayController::noWindowsSentence);
    overlay->cancel();

    // Asked for a window straight away: said once the list is in.
    begin(SelectionMode::window);
    EXPECT_EQ(notices.size(), 2u);
    overlay->cancel();

    // The windows it does show are picked as usual; an empty X11 desktop needs no sentence.
    backend->clients = {client(7, QRect(50, 250, 400, 300))};
    begin();
    overlay->toggleMode();
    EXPECT_EQ(overlay->mode(), SelectionMode::window);
    overlay->cancel();
    backend->clients.clear();
    backend->partialList = false;
    begin();
    overlay->toggleMode();
    EXPECT_EQ(overlay->mode(), SelectionMode::window);
    EXPECT_EQ(notices.size(), 2u);
}

TEST_F(OverlayFixture, AScreenThatCantBeReadEndsTheSelectionWithTheReason) {
    backend->grabFailure = std::make_exception_ptr(kit::Error("No portal."));
    std::vector<std::string> failures;
    overlay->onFailure = [&failures](std::exception_ptr failure) { failures.push_back(kit::describe(failure)); };
    overlay->begin(SelectionMode::area, true, [this](SelectionResult r) { results.push_back(r); });
    ASSERT_TRUE(testsupport::waitUntil([this] { return !results.empty(); }));
    EXPECT_EQ(results[0].kind(), SelectionResult::Kind::cancelled);
    EXPECT_EQ(failures, std::vector<std::string>{"No portal."});
    EXPECT_FALSE(overlayOpen());
}

TEST_F(OverlayFixture, EscapeThenReleaseReportsOnce) {
    begin();
    auto* panel = overlay->keyPanel();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(panel, &escape);
    overlay->released({0, 0});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].kind(), SelectionResult::Kind::cancelled);
}

TEST_F(OverlayFixture, PanelsTurnEventsIntoGlobalPoints) {
    begin();
    auto* b = overlay->panels()[1];
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(b, &other);
    EXPECT_TRUE(overlay->isSelecting());

    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 20), QPointF(10, 20), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(b, &press);
    EXPECT_EQ(overlay->dragStart(), (kit::Point{1450, 1060}));
    QMouseEvent drag(QEvent::MouseMove, QPointF(60, 120), QPointF(60, 120), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(b, &drag);
    EXPECT_EQ(overlay->selection(), kit::Rect::make(1450, 960, 50, 100));

    QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
    QCoreApplication::sendEvent(b, &space);
    EXPECT_EQ(overlay->mode(), SelectionMode::window);
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(b, &right);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].kind(), SelectionResult::Kind::cancelled);
}

TEST_F(OverlayFixture, TheCaptureThatFollowsIsCutFromTheFrameTheUserSaw) {
    std::optional<CapturedImage> captured;
    overlay->begin(SelectionMode::area, true, [this, &captured](SelectionResult r) {
        // As the coordinator does: the capture starts inside the completion.
        auto task = [](ScreenCaptureService& c, SelectionResult r, std::optional<CapturedImage>& out) -> QCoro::Task<void> {
            out = co_await c.captureRect(r.rect(), r.displayID(), r.frozen());
        };
        task(*capturer, r, captured);
    });
    // The screen changes under the overlay.
    backend->root.fill(Qt::red);
    backend->grabs.clear();
    overlay->pressed({1540, 1030});
    overlay->dragged({1740, 980});
    overlay->released({1740, 980});
    ASSERT_TRUE(testsupport::waitUntil([&] { return captured.has_value(); }));
    EXPECT_TRUE(backend->grabs.empty());
    EXPECT_EQ(captured->image.size(), QSize(200, 50));
    EXPECT_EQ(captured->image.pixel(0, 0), pixelAt(1540, 50));

}

TEST_F(OverlayFixture, PanelsAreReusedAndARemovedDisplayLosesItsPanel) {
    begin();
    const auto first = overlay->panels();
    overlay->cancel();
    begin();
    EXPECT_EQ(overlay->panels(), first);
    overlay->cancel();
    backend->monitorList.pop_back();
    begin();
    ASSERT_EQ(overlay->panels().size(), 1u);
    EXPECT_EQ(overlay->panels()[0], first[0]);
}

TEST_F(OverlayFixture, ANewBeginDropsTheOldCompletion) {
    int oldCalls = 0;
    overlay->begin(SelectionMode::area, true, [&](SelectionResult) { ++oldCalls; });
    begin();
    overlay->cancel();
    EXPECT_EQ(oldCalls, 0);
    EXPECT_EQ(results.size(), 1u);
    EXPECT_FALSE(overlayOpen());
}
