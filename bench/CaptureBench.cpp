// Capture speed on a private Xvfb: from begin to the overlay on screen on every display, from the
// release to the CapturedImage in hand, a full-screen capture, and scrot (full screen to a PNG
// file) as the peer, in the same run.
//
//   capture_bench                 both sizes, each in a child process with its own server
//   capture_bench --size WxH [--displays N] [--runs N]

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
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

int runOne(int width, int height, int displays, int runs) {
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
    platform::x11::XcbCaptureBackend probe;
    const auto layout = DisplayService(std::make_shared<platform::x11::XcbCaptureBackend>()).layout();
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

    ScreenCaptureService capturer;
    PanelSelectionOverlayController overlay(capturer);
    Figures shown, painted, released, releasedFull, fullScreen, fullScreenPng, scrot;
    QTemporaryDir dir;

    for (int run = 0; run < runs + 1; ++run) {
        std::optional<CapturedImage> image;
        QElapsedTimer clock;
        auto capture = [&](SelectionResult r) -> QCoro::Task<void> {
            image = co_await capturer.captureRect(r.rect(), r.displayID());
        };
        capturetest::waitUntil(allClear, 2000);
        clock.start();
        overlay.begin(SelectionMode::area, true, [&](SelectionResult r) { capture(r); });
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
        overlay.begin(SelectionMode::area, true, [&](SelectionResult r) { capture(r); });
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
    std::fflush(stdout);
    sharedXServer = nullptr;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
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
            return runOne(width, height, displays, runs);
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
