#include <gtest/gtest.h>

#include <memory>

#include <QElapsedTimer>

#include "app/quickaccess/FloatingPanel.h"
#include "app/quickaccess/ToastController.h"
#include "app/quickaccess/ToastView.h"
#include "tests/app/TestSupport.h"
#include "tests/app/fakes/FakeServices.h"

using testsupport::waitUntil;

namespace {

class ToastControllerTest : public ::testing::Test {
protected:
    fakes::Displays* screens = nullptr;
    std::unique_ptr<ToastController> toast;

    void SetUp() override {
        auto fixed = std::make_unique<fakes::Displays>();
        screens = fixed.get();
        toast = std::make_unique<ToastController>(std::move(fixed));
    }

    // Whether the notice goes within `ms`; false also proves it stayed that long.
    bool hidesWithin(int ms) {
        return waitUntil([&] { return !toast->isShowing(); }, ms);
    }

    std::string showing() const {
        const ToastView* view = toast->currentView();
        return view ? view->message() : "";
    }
};

TEST_F(ToastControllerTest, ANoticeIsCentredOnTheWholeFrameOfTheDisplayUnderThePointerOrStaysPut) {
    // The second display has a tall panel at its bottom, which must not shift the notice.
    screens->screens.push_back({2, kit::Rect::make(1920, 0, 1280, 1080), kit::Rect::make(1920, 200, 1280, 880)});
    screens->pointer = {2000, 100};
    toast->show("Copied text", "doc.on.clipboard", 1.5);

    ASSERT_TRUE(toast->isShowing());
    const QRect frame = toast->panel()->geometry();
    EXPECT_NEAR(frame.center().x() + 0.5, 1920 + 640, 1);
    EXPECT_NEAR(frame.center().y() + 0.5, 540, 1);

    // Without any display the next notice stays where the last one was.
    screens->screens.clear();
    toast->show("A longer second notice", "checkmark", std::nullopt);
    EXPECT_EQ(toast->panel()->geometry().topLeft(), frame.topLeft());
    EXPECT_EQ(showing(), "A longer second notice");
}

TEST_F(ToastControllerTest, AProgressNoticeStaysAndAReplacedNoticesTimerNeverHidesItsSuccessor) {
    toast->show("Recognizing text…", "text.viewfinder", std::nullopt);
    FloatingPanel* panel = toast->panel();
    EXPECT_FALSE(hidesWithin(300));
    toast->show("First", "checkmark", 0.3);
    ASSERT_FALSE(hidesWithin(200));
    QElapsedTimer sinceSecond;
    sinceSecond.start();
    toast->show("Second", "checkmark", 0.3);
    EXPECT_EQ(toast->panel(), panel) << "one panel, reused";
    EXPECT_EQ(showing(), "Second");
    // Not when the first one's time is up, 100 ms from now.
    ASSERT_TRUE(hidesWithin(1000));
    EXPECT_GE(sinceSecond.elapsed(), 290);
}

} // namespace
