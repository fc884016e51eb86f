// Capture speed on a private Xvfb: from begin to the overlay on screen on every display, from the
// release to the CapturedImage in hand, a full-screen capture, and scrot (full screen to a PNG
// file) as the peer, in the same run. Then the same with one of Glimpo's thumbnails on screen and
// another client animating a large area at 60 Hz, as when a video plays beside the thumbnail.
//
//   capture_bench                 both sizes, each in a child process with its own server
//   capture_bench --size WxH [--displays N] [--runs N]
//   capture_bench --animate X,Y,W,H   (internal) repaints that area of $DISPLAY at 60 Hz

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>

#include <xcb/xcb.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <exception>
#include <optional>
#include <vector>

#include "CaptureTestSupport.h"
#include "ForeignWindows.h"
#include "XServer.h"
#include "app/capture/PanelSelectionOverlayController.h"
#include "app/capture/ScreenCaptureService.h"
#include "app/platform/x11/XcbCaptureBackend.h"

XServer* sharedXServer = nullptr;

namespace {

struct Figures {
    std::vector<double> ms;

    void add(double value) { ms.push_back(value); }
    double percentile(double p) const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const auto index = static_cast<std::size_t>(p * (sorted.size() - 1) + 0.5);
        return sorted.at(index);
    }
};

void report(const char* what, const Figures& f) {
    std::printf("  %-44s median %7.1f ms   p90 %7.1f ms   min %7.1f ms\n", what, f.percentile(0.5), f.percentile(0.9),
                f.percentile(0.0));
}

double since(const QElapsedTimer& clock) { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

// Full motion in a window of its own: a bar sweeping over a changing background, every frame.
int animate(int x, int y, int width, int height) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t window = xcb_generate_id(c);
    const std::uint32_t overrideRedirect = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, x, y, width, height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
    xcb_map_window(c, window);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, window, 0, nullptr);
    for (std::uint32_t frame = 0;; ++frame) {
        const std::uint32_t background = 0x202020 + (frame % 64) * 0x010203;
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &background);
        const xcb_rectangle_t all{0, 0, static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height)};
        xcb_poly_fill_rectangle(c, window, gc, 1, &all);
        const std::uint32_t bar = 0x40c0ff;
        xcb_change_gc(c, gc, XCB_GC_FOREGROUND, &bar);
        const xcb_rectangle_t sweep{static_cast<std::int16_t>((frame * 12) % width), 0, 40,
                                    static_cast<std::uint16_t>(height)};
        xcb_poly_fill_rectangle(c, window, gc, 1, &sweep);
        xcb_flush(c);
        if (xcb_connection_has_error(c)) return 0;
        std::this_thread::sleep_for(std::chrono::microseconds(16667));
    }
}

int runOne(const char* selfPath, int width, int height, int displays, int runs) {
    std::vector<XServer::Monitor> monitors;
    for (int i = 0; i < displays; ++i) monitors.push_back({QString(QChar('A' + i)), i * width, 0, width, height});
    XServer server(monitors);
    sharedXServer = &server;
    qputenv("DISPLAY", server.display().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "capture_bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    // Something to look at on every display, with a red square whose dimmed colour tells that
    // the overlay is up.
    ForeignWindows foreign;
    for (int i = 0; i < displays; ++i) {
        foreign.open({i * width + 50, 50, width / 2, height / 2}, QColor(40, 90, 160), "Document", "Editor");
        foreign.open({i * width + width / 2, height / 2, 300, 300}, Qt::red, "Red", "Red");
    }
    platform::x11::XcbCaptureBackend& probe = *capturetest::X11Capturer::backend();
    const auto layout = DisplayService(capturetest::X11Capturer::backend()).layout();
    std::vector<QPoint> marks;
    for (int i = 0; i < displays; ++i) marks.emplace_back(i * width + width / 2 + 150, height / 2 + 150);
    const auto allDimmed = [&] {
        for (const QPoint& p : marks)
            if (qRed(probe.grab(QRect(p, QSize(1, 1))).pixel(0, 0)) == 255) return false;
        return true;
    };
    const auto allClear = [&] {
        for (const QPoint& p : marks)
            if (qRed(probe.grab(QRect(p, QSize(1, 1))).pixel(0, 0)) != 255) return false;
        return true;
    };

    capturetest::X11Capturer capturer;
    PanelSelectionOverlayController overlay(capturer);
    Figures shown, painted, released, releasedFull, fullScreen, fullScreenPng, scrot;
    QTemporaryDir dir;
    // An area chosen is captured, as the coordinator does.
    std::optional<CapturedImage> image;
    const auto capture = [&](SelectionResult r) -> QCoro::Task<void> {
        image = co_await capturer.captureRect(r.rect(), r.displayID(), r.frozen());
    };
    QObject::connect(&overlay, &SelectionOverlayController::finished, [&](const SelectionResult& r) {
        if (r.kind() == SelectionResult::Kind::area) capture(r);
    });

    for (int run = 0; run < runs + 1; ++run) {
        image.reset();
        QElapsedTimer clock;
        capturetest::waitUntil(allClear, 2000);
        clock.start();
        overlay.begin(SelectionMode::area, true);
        const double beginReturned = since(clock);
        if (!capturetest::waitUntil(allDimmed, 5000)) {
            std::fprintf(stderr, "the overlay never showed\n");
            return 1;
        }
        const double onScreen = since(clock);

        // A selection of half the display, then the whole display.
        const kit::Rect frame = layout.displays().front().frame;
        overlay.pressed({frame.minX() + frame.width() / 4, frame.maxY() - frame.height() / 4});
        overlay.dragged({frame.minX() + frame.width() * 3 / 4, frame.maxY() - frame.height() * 3 / 4});
        clock.restart();
        overlay.released({});
        capturetest::waitUntil([&] { return image.has_value(); });
        const double releaseToImage = since(clock);

        image.reset();
        overlay.begin(SelectionMode::area, true);
        capturetest::waitUntil(allDimmed, 5000);
        overlay.pressed({frame.minX(), frame.maxY()});
        overlay.dragged({frame.maxX(), frame.minY()});
        clock.restart();
        overlay.released({});
        capturetest::waitUntil([&] { return image.has_value(); });
        const double releaseToFullImage = since(clock);

        capturetest::waitUntil(allClear, 2000);
        clock.restart();
        const CapturedImage full = capturetest::await(capturer.captureDisplay({frame.midX(), frame.midY()}));
        const double fullMs = since(clock);
        QImageWriter writer(dir.filePath("glimpo.png"), "png");
        writer.write(full.image);
        const double fullPngMs = since(clock);

        clock.restart();
        QProcess peer;
        peer.setProcessEnvironment(server.environment());
        peer.start("scrot", {"-o", dir.filePath("scrot.png")});
        peer.waitForFinished(10000);
        const double scrotMs = since(clock);

        if (run == 0) continue;  // warm-up
        shown.add(beginReturned);
        painted.add(onScreen);
        released.add(releaseToImage);
        releasedFull.add(releaseToFullImage);
        fullScreen.add(fullMs);
        fullScreenPng.add(fullPngMs);
        scrot.add(scrotMs);
    }

    std::printf("%dx%d, %d display%s, %d runs\n", width, height, displays, displays > 1 ? "s" : "", runs);
    report("begin returned (overlay_ms)", shown);
    report("begin -> overlay on screen, every display", painted);
    report("release -> CapturedImage (half display)", released);
    report("release -> CapturedImage (whole display)", releasedFull);
    report("full-screen capture -> CapturedImage", fullScreen);
    report("full-screen capture + PNG file", fullScreenPng);
    report("scrot, full screen to a PNG file", scrot);

    // A thumbnail of Glimpo's on screen, and full motion elsewhere.
    QWidget thumbnail;
    capturetest::styleAsThumbnail(thumbnail, Qt::green);
    thumbnail.setGeometry(20, height - 200, 240, 160);
    thumbnail.show();
    QProcess motion;
    motion.setProcessEnvironment(server.environment());
    motion.start(QString::fromLocal8Bit(selfPath), {"--animate", QStringLiteral("%1,%2,%3,%4").arg(width / 2 + 500).arg(40).arg(
                                                                       width / 2 - 540).arg(height / 2 - 80)});
    capturetest::waitUntil([&] { return thumbnail.windowHandle() && thumbnail.windowHandle()->isExposed(); }, 5000);
    capturetest::waitUntil([] { return false; }, 300);
    Figures busyShown, busyFull, busyFullPng;
    for (int run = 0; run < runs + 1; ++run) {
        QElapsedTimer clock;
        capturetest::waitUntil([&] { return thumbnail.isVisible(); }, 2000);
        capturetest::waitUntil(allClear, 2000);
        capturetest::waitUntil([] { return false; }, 50);
        clock.start();
        overlay.begin(SelectionMode::area, true);
        capturetest::waitUntil(allDimmed, 5000);
        const double onScreen = since(clock);
        overlay.cancel();

        capturetest::waitUntil(allClear, 2000);
        capturetest::waitUntil([&] { return thumbnail.isVisible(); }, 2000);
        capturetest::waitUntil([] { return false; }, 50);
        clock.restart();
        const CapturedImage full = capturetest::await(capturer.captureDisplay({1, 1}));
        const double fullMs = since(clock);
        QImageWriter writer(dir.filePath("glimpo-busy.png"), "png");
        writer.write(full.image);
        const double fullPngMs = since(clock);
        if (run == 0) continue;
        busyShown.add(onScreen);
        busyFull.add(fullMs);
        busyFullPng.add(fullPngMs);
    }
    motion.kill();
    motion.waitForFinished(2000);
    std::printf("  with a thumbnail on screen and full motion elsewhere\n");
    report("begin -> overlay on screen, every display", busyShown);
    report("full-screen capture -> CapturedImage", busyFull);
    report("full-screen capture + PNG file", busyFullPng);
    std::fflush(stdout);
    sharedXServer = nullptr;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--animate") {
        int x = 0, y = 0, w = 0, h = 0;
        if (std::sscanf(args[1].c_str(), "%d,%d,%d,%d", &x, &y, &w, &h) != 4) return 2;
        return animate(x, y, w, h);
    }
    int width = 0, height = 0, displays = 1, runs = 20;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--size") std::sscanf(args[i + 1].c_str(), "%dx%d", &width, &height);
        if (args[i] == "--displays") displays = std::stoi(args[i + 1]);
        if (args[i] == "--runs") runs = std::stoi(args[i + 1]);
    }
    if (width > 0) {
        // Caught here so that the server and window manager are stopped on the way out.
        try {
            for (const char* tool : {"Xvfb", "xrandr", "openbox", "scrot"}) XServer::require(tool);
            return runOne(argv[0], width, height, displays, runs);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "capture_bench: %s\n", e.what());
            return 1;
        }
    }
    // Qt binds to one display for the life of the process: one child per size.
    int status = 0;
    for (const char* size : {"1920x1080", "3840x2160"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QString::fromLocal8Bit(argv[0]), {"--size", size, "--runs", QString::number(runs)});
        child.waitForFinished(-1);
        status |= child.exitCode();
    }
    return status;
}
