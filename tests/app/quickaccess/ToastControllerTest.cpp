#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>

#include "app/widgets/FloatingPanel.h"
#include "app/quickaccess/ToastController.h"
#include "app/quickaccess/ToastView.h"
#include "tests/app/TestSupport.h"
#include "tests/app/fakes/FakeServices.h"

TEST(ToastController, ANoticeIsCentredOnTheDisplayUnderThePointerOffARecordingAndNoReplacedNoticesTimerHidesItsSuccessor) {
    auto owned = std::make_unique<fakes::Displays>();
    fakes::Displays& screens = *owned;
    ToastController toast(std::move(owned));
    // Whether the notice goes within `ms`; false also proves it stayed that long.
    const auto hidesWithin = [&](int ms) { return testsupport::waitUntil([&] { return !toast.isShowing(); }, ms); };

    // The second display has a tall panel at its bottom, which must not shift the notice.
    screens.screens.push_back({2, kit::Rect::make(1920, 0, 1280, 1080), kit::Rect::make(1920, 200, 1280, 880)});
    screens.pointer = {2000, 100};
    toast.show("Copied text", "doc.on.clipboard", 0.3);
    ASSERT_TRUE(toast.isShowing());
    FloatingPanel* panel = toast.panel();
    const QRect frame = panel->geometry();
    EXPECT_NEAR(frame.center().x() + 0.5, 1920 + 640, 1);
    EXPECT_NEAR(frame.center().y() + 0.5, 540, 1);

    // Without any display the next notice stays where the last one was; a progress notice stays
    // until the next one.
    screens.screens.clear();
    toast.show("Recognizing text…", "text.viewfinder", std::nullopt);
    EXPECT_EQ(toast.panel()->geometry().topLeft(), frame.topLeft());
    EXPECT_FALSE(hidesWithin(500)) << "hidden by the last notice's timer";

    QElapsedTimer sinceLast;
    sinceLast.start();
    toast.show("Copied text", "doc.on.clipboard", 0.3);
    EXPECT_EQ(toast.panel(), panel) << "one panel, reused";
    EXPECT_EQ(toast.currentView()->message(), "Copied text");
    ASSERT_TRUE(hidesWithin(1000));
    EXPECT_GE(sinceLast.elapsed(), 290);

    // Shown while Glimpo is busy: the time counts once it is drawn.
    toast.show("A recording that was cut short was saved.", "record.circle", 0.3);
    QThread::msleep(500);
    EXPECT_FALSE(hidesWithin(200));
    EXPECT_TRUE(hidesWithin(1000));

    // A recording of the display's middle moves a notice showing off it, and its end back.
    screens.screens = fakes::Displays().screens;
    screens.pointer = {100, 100};
    toast.show("Recording without microphone", "mic.slash", std::nullopt);
    const QRect centred = toast.panel()->targetFrame();
    screens.setRecordedArea(kit::Rect::make(560, 290, 800, 500));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !toast.panel()->targetFrame().intersects({560, 290, 800, 500}); }));
    screens.setRecordedArea(std::nullopt);
    EXPECT_TRUE(testsupport::waitUntil([&] { return toast.panel()->targetFrame() == centred; }));
}
