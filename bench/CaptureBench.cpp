// Capture speed on a private Xvfb: from begin to the overlay on screen on every display, from the
// release to the CapturedImage in hand, a full-screen capture, and scrot (full screen to a PNG
// file) as the peer, in the same run. Then the same with one of Glimpo's thumbnails on screen and
// another client animating a large area at 60 Hz, as when a video plays beside the thumbnail.
// Last, the longest stall of the GUI thread's event loop while the program's own wiring takes a
// full-screen capture (stored, shutter sound, thumbnail shown) and while it starts a recording with
// the microphone on (a private PulseAudio daemon with a null sink and a null source; the first
// start loads the module).
//
//   capture_bench                 both sizes, each in a child process with its own server
//   capture_bench --size WxH [--displays N] [--runs N]
//   capture_bench --animate X,Y,W,H   (internal) repaints that area of $DISPLAY at 60 Hz

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
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
#include "app/widgets/FloatingPanel.h"
#include "ForeignWindows.h"
#include "NullSoundServer.h"
#include "XServer.h"
#include "app/base/AppSettings.h"
#include "app/capture/PanelSelectionOverlayController.h"
#include "app/capture/ScreenCaptureService.h"
#include "app/core/CaptureCoordinator.h"
#include "app/platform/audio/SystemSoundPlayer.h"
#include "app/platform/x11/XcbCaptureBackend.h"
#include "app/quickaccess/QuickAccessController.h"
#include "app/recording/MicrophoneProbe.h"
#include "app/recording/StreamScreenRecorder.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "app/text/ScreenTextRecognitionService.h"

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

// The GUI thread's time on a processor and waiting for one, in ms (the kernel's schedstat).
struct ThreadTimes {
    double worked = 0;
    double queued = 0;
};

ThreadTimes threadTimes() {
    ThreadTimes times;
    if (std::FILE* file = std::fopen("/proc/thread-self/schedstat", "r")) {
        unsigned long long worked = 0, queued = 0;
        if (std::fscanf(file, "%llu %llu", &worked, &queued) == 2) times = {worked / 1e6, queued / 1e6};
        std::fclose(file);
    }
    return times;
}

// The longest time between two turns of the event loop, and how much of it the GUI thread worked
// and waited for a processor (the rest it waited for something else: the X server, a lock).
struct Stall {
    double ms = 0;
    ThreadTimes within;
};

// Starts `action` from the event loop and runs the loop until `done` holds and `settle` ms more
// have passed (or 20 s). A 1 ms timer marks the turns.
Stall longestStall(const std::function<void()>& action, const std::function<bool()>& done, int settle = 300) {
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, doneAt = -1;
    ThreadTimes lastTimes = threadTimes();
    Stall longest;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        const qint64 now = clock.nsecsElapsed();
        const ThreadTimes times = threadTimes();
        if (static_cast<double>(now - last) / 1e6 > longest.ms)
            longest = {static_cast<double>(now - last) / 1e6, {times.worked - lastTimes.worked, times.queued - lastTimes.queued}};
        last = now;
        lastTimes = times;
        if (doneAt < 0 && done()) doneAt = now;
        if ((doneAt >= 0 && now - doneAt > settle * 1'000'000LL) || now > 20'000'000'000LL) loop.quit();
    });
    tick.start();
    QTimer::singleShot(5, &loop, action);
    loop.exec();
    if (doneAt < 0) throw std::runtime_error("the action never finished");
    return longest;
}

void reportStalls(const char* first, const char* later, const std::vector<Stall>& runs) {
    const Stall& one = runs.front();
    std::printf("  %-44s %7.1f ms   worked %5.1f, waited for a processor %5.1f\n", first, one.ms, one.within.worked,
                one.within.queued);
    Figures stalls, worked, queued;
    for (std::size_t i = 1; i < runs.size(); ++i) {
        stalls.add(runs[i].ms);
        worked.add(runs[i].within.worked);
        queued.add(runs[i].within.queued);
    }
    report(later, stalls);
    report("  of which the GUI thread worked", worked);
    report("  of which it waited for a processor", queued);
}

// The program's own wiring of capture, storage, sound, thumbnails and recording on this server.
int guiStalls(int runs) {
    NullSoundServer sound;
    // A microphone: a source of its own, the default one (a sink's monitor is no microphone).
    for (const QStringList& args : {QStringList{"load-module", "module-null-source", "source_name=glimpo_mic"},
                                    QStringList{"set-default-source", "glimpo_mic"}}) {
        QProcess pactl;
        pactl.setStandardOutputFile(QProcess::nullDevice());
        pactl.start("pactl", args);
        if (!pactl.waitForFinished(10000) || pactl.exitCode() != 0)
            throw std::runtime_error("pactl could not add a microphone");
    }
    QTemporaryDir home;
    const std::filesystem::path root = home.path().toStdString();
    AppSettings settings(std::make_unique<SettingsStore>(root / "settings.json"));
    settings.setSaveFolder(root / "Saved");
    std::filesystem::create_directories(root / "Saved");
    settings.setThumbnailSeconds(1);
    settings.setRecordMicrophone(true);
    CaptureLibrary library(settings, std::make_unique<DiskFileSystem>(), root / "org.glimpo.Glimpo" / "Captures");
    auto displays = std::make_shared<DisplayService>(capturetest::X11Capturer::backend());

    CaptureCoordinator::Services services;
    services.capturer = std::make_unique<capturetest::X11Capturer>();
    services.makeOverlay = [](ScreenCaptureService& capturer) -> std::unique_ptr<SelectionOverlayController> {
        return std::make_unique<PanelSelectionOverlayController>(capturer);
    };
    services.recorder = std::make_unique<StreamScreenRecorder>(library, displays);
    services.recognizer = std::make_unique<ScreenTextRecognitionService>();
    services.sounds = std::make_unique<SystemSoundPlayer>(settings);
    services.displays = displays;
    services.microphoneStatus = &MicrophoneProbe::authorization;
    CaptureCoordinator coordinator(settings, library, std::move(services));
    QuickAccessController quickAccess(library, settings, QuickAccessController::Platform::standard(displays));
    int captured = 0;
    QObject::connect(&coordinator, &CaptureCoordinator::captured,
                     [&](const Capture& capture, const std::optional<std::string>& failure) {
                         ++captured;
                         quickAccess.show(capture, failure);
                     });
    QObject::connect(&coordinator, &CaptureCoordinator::error,
                     [](const std::string& message) { std::fprintf(stderr, "capture_bench: %s\n", message.c_str()); });
    QObject::connect(&coordinator, &CaptureCoordinator::message, [](const std::string& text, const std::string&) {
        std::fprintf(stderr, "capture_bench: notice: %s\n", text.c_str());
    });
    const auto noThumbnails = [&] { return quickAccess.thumbnailIDs().empty(); };

    std::vector<Stall> capture, recording;
    for (int run = 0; run < runs + 1; ++run) {
        capturetest::waitUntil(noThumbnails, 5000);
        const int before = captured;
        capture.push_back(longestStall([&] { coordinator.run(kit::CaptureAction::fullscreen); },
                                       [&] { return captured > before && !noThumbnails(); }));
    }
    for (int run = 0; run < runs + 1; ++run) {
        capturetest::waitUntil(noThumbnails, 5000);
        recording.push_back(longestStall([&] { coordinator.startRecording(std::nullopt, std::nullopt); },
                                         [&] { return coordinator.recordingElapsed().has_value(); }));
        const int before = captured;
        coordinator.stopRecordingNow();
        if (!capturetest::waitUntil([&] { return captured > before; }, 20000)) {
            std::fprintf(stderr, "the recording never finished\n");
            return 1;
        }
    }
    std::printf("  longest stall of the GUI thread's event loop\n");
    reportStalls("first full-screen capture (sound loads)", "later full-screen captures", capture);
    reportStalls("first recording start, mic on (module loads)", "later recording starts, mic on", recording);
    return 0;
}

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
        overlay.begin(SelectionMode::area, true, SelectionPurpose::capture);
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
        overlay.begin(SelectionMode::area, true, SelectionPurpose::capture);
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
    FloatingPanel thumbnail({});
    thumbnail.setAutoFillBackground(true);
    thumbnail.setPalette(QPalette(Qt::green));
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
        overlay.begin(SelectionMode::area, true, SelectionPurpose::capture);
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
    thumbnail.hide();
    const int status = guiStalls(runs);
    std::fflush(stdout);
    sharedXServer = nullptr;
    return status;
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
            for (const char* tool : {"Xvfb", "xrandr", "openbox", "scrot", "pulseaudio", "pactl"}) XServer::require(tool);
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
