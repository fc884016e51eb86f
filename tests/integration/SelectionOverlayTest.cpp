// The selection overlay on the shared server (monitor A at root (0, 0), B at (1920, 0), 1920 x 1080
// each), driven by real pointer and key events from xdotool.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QWidget>

#include "CaptureTestSupport.h"
#include "ForeignWindows.h"
#include "app/capture/PanelSelectionOverlayController.h"
#include "app/capture/ScreenCaptureService.h"
#include "app/base/GlimpoUIState.h"
#include "app/platform/x11/XcbCaptureBackend.h"

using capturetest::await;
using capturetest::pixelsOtherThan;
using capturetest::xdotool;

namespace {

// The overlay and what its result captured, as the coordinator would capture it.
class Selection {
public:
    Selection() { QObject::connect(&overlay, &PanelSelectionOverlayController::overlayPainted, [this] { painted = true; }); }

    // Returns once every panel has painted.
    void begin() {
        painted = false;
        result.reset();
        image.reset();
        overlay.begin(SelectionMode::area, true, [this](SelectionResult r) {
            result = r;
            if (r.kind() == SelectionResult::Kind::area) keep(capturer.captureRect(r.rect(), r.displayID()));
        });
        if (!capturetest::waitUntil([this] { return painted; })) throw std::runtime_error("the overlay did not paint");
    }

    bool waitForResult() { return capturetest::waitUntil([this] { return result.has_value(); }); }
    bool waitForImage() { return capturetest::waitUntil([this] { return image.has_value(); }); }

    capturetest::X11Capturer capturer;
    PanelSelectionOverlayController overlay{capturer};
    std::optional<SelectionResult> result;
    std::optional<CapturedImage> image;
    bool painted = false;

private:
    QCoro::Task<void> keep(QCoro::Task<CapturedImage> task) { image = co_await std::move(task); }
};

void drag(int x1, int y1, int x2, int y2) {
    xdotool({"mousemove", QString::number(x1), QString::number(y1), "mousedown", "1", "mousemove",
             QString::number((x1 + x2) / 2), QString::number((y1 + y2) / 2), "mousemove", QString::number(x2),
             QString::number(y2), "mouseup", "1"});
}

bool overlayOpen() { return GlimpoUIState::shared().openSurfaces().count("overlay") > 0; }

QRgb rgb(const QColor& color) { return color.rgb() & 0xffffff; }

} // namespace

// Display-local areas on the other monitor are the overlay tests' (tests/app/capture); a window
// capture on it shows its pixels (ScreenCaptureTest).
TEST(SelectionOverlayTest, AnAreaHasExactlyItsPixelsAndEscapeLetsTheInputGo) {
    ForeignWindows foreign;
    foreign.open({100, 100, 600, 400}, Qt::red, "Red", "RedApp");
    platform::x11::XcbCaptureBackend screen;
    // The window manager may still be framing it: wait until the area to capture is all red.
    ASSERT_TRUE(capturetest::waitUntil(
        [&] { return pixelsOtherThan(screen.grab(QRect(200, 200, 200, 150)), QRect(0, 0, 200, 150), Qt::red) == 0; }));
    Selection selection;

    selection.begin();
    EXPECT_TRUE(overlayOpen());
    // The overlay is on screen: the frozen picture, dimmed.
    const QRgb dimmed = screen.grab(QRect(300, 300, 1, 1)).pixel(0, 0) & 0xffffff;
    EXPECT_NE(dimmed, rgb(Qt::red));
    EXPECT_NEAR(qRed(dimmed), 191, 2);
    drag(200, 200, 400, 350);
    ASSERT_TRUE(selection.waitForResult());
    ASSERT_EQ(selection.result->kind(), SelectionResult::Kind::area);
    const auto layout = selection.capturer.displays().layout();
    EXPECT_EQ(selection.result->displayID(), layout.displays()[0].id);
    EXPECT_EQ(selection.result->rect(), kit::Rect::make(200, 200, 200, 150));
    ASSERT_TRUE(selection.waitForImage());
    ASSERT_EQ(selection.image->image.size(), QSize(200, 150));
    // No trace of the overlay: undimmed, no border, no label.
    EXPECT_EQ(pixelsOtherThan(selection.image->image, selection.image->image.rect(), Qt::red), 0);
    EXPECT_FALSE(overlayOpen());
    EXPECT_TRUE(capturetest::inputIsFree());

    // The overlay holds keyboard and pointer until Escape, then lets both go.
    selection.begin();
    EXPECT_FALSE(capturetest::inputIsFree());
    xdotool({"key", "Escape"});
    ASSERT_TRUE(selection.waitForResult());
    EXPECT_EQ(selection.result->kind(), SelectionResult::Kind::cancelled);
    EXPECT_FALSE(overlayOpen());
    EXPECT_TRUE(capturetest::inputIsFree());
}

// At QT_SCALE_FACTOR=2 every point is two pixels. Qt reads the factor once, at start-up, so the
// test runs again in a child process of its own, with its own server.
TEST(SelectionOverlayScaleTest, TwiceThePixelsTheSamePoints) {
    if (qgetenv("QT_SCALE_FACTOR") != "2") {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_SCALE_FACTOR", "2");
        env.remove("DISPLAY");
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=SelectionOverlayScaleTest.TwiceThePixelsTheSamePoints"});
        ASSERT_TRUE(child.waitForFinished(120000));
        const QString output = QString::fromUtf8(child.readAll());
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
        return;
    }

    ASSERT_EQ(qGuiApp->devicePixelRatio(), 2.0);
    ForeignWindows foreign;
    foreign.open({100, 100, 600, 400}, Qt::red, "Red", "RedApp");
    Selection selection;
    const auto layout = selection.capturer.displays().layout();
    EXPECT_EQ(layout.displays()[1].frame, kit::Rect::make(960, 0, 960, 540));

    selection.begin();
    drag(200, 200, 400, 350);
    ASSERT_TRUE(selection.waitForResult());
    ASSERT_EQ(selection.result->kind(), SelectionResult::Kind::area);
    EXPECT_EQ(selection.result->rect(), kit::Rect::make(100, 100, 100, 75));
    ASSERT_TRUE(selection.waitForImage());
    EXPECT_EQ(selection.image->image.size(), QSize(200, 150));
    EXPECT_EQ(selection.image->pointSize, (kit::Size{100, 75}));
    EXPECT_EQ(pixelsOtherThan(selection.image->image, selection.image->image.rect(), Qt::red), 0);
}
