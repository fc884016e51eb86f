// The markup editor with a 3840x2160 capture on a private Xvfb with openbox: from the request to
// open (with the pixels in memory, as a thumbnail's double-click does, and from the file, as
// glimpo --edit does) to the picture on screen; the time from a pointer
// move to its frame painted while a mark is drawn, a mark dragged and a pixelation drawn over 200
// marks already placed; the export (the picture rendered with its marks and stored as a PNG); and
// the resident memory before, while and after the editor is open.
//
//   markup_bench                 a 1920x1080 and a 3840x2160 screen, each in a child process
//   markup_bench --screen WxH [--runs N]

#include <QApplication>
#include <QElapsedTimer>
#include <QImageWriter>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "CaptureTestSupport.h"
#include "XServer.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/markup/MarkupCanvas.h"
#include "app/markup/MarkupEditors.h"
#include "app/markup/MarkupScene.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "tests/app/fakes/FakeServices.h"

XServer* sharedXServer = nullptr;

namespace {

namespace fs = std::filesystem;

// Wall time, and the processor time of the whole process (the machine may be shared).
class Clock {
public:
    Clock() { restart(); }
    void restart() {
        wall_.start();
        cpu_ = cpuNow();
    }
    double wallMs() const { return static_cast<double>(wall_.nsecsElapsed()) / 1e6; }
    double cpuMs() const { return cpuNow() - cpu_; }

private:
    static double cpuNow() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
    }
    QElapsedTimer wall_;
    double cpu_ = 0;
};

struct Series {
    std::vector<double> values;

    void add(double value) { values.push_back(value); }
    double percentile(double p) const {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const auto index = static_cast<std::size_t>(p * (sorted.size() - 1) + 0.5);
        return sorted.at(index);
    }
};

struct Figures {
    Series wall, cpu;
    void add(const Clock& clock) {
        wall.add(clock.wallMs());
        cpu.add(clock.cpuMs());
    }
};

void report(const char* what, const Figures& f) {
    std::printf("  %-44s wall median %7.1f  p90 %7.1f  max %7.1f ms | processor median %7.1f  p90 %7.1f ms\n", what,
                f.wall.percentile(0.5), f.wall.percentile(0.9), f.wall.percentile(1.0), f.cpu.percentile(0.5),
                f.cpu.percentile(0.9));
}

// Resident and peak resident memory of this process, in MB.
double memory(const char* field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(line.find(':') + 1)) / 1024;
    return 0;
}

// A desktop as a capture shows it: windows with lines of text, a photograph-like gradient with
// grain, and a magenta square in the middle that tells when the picture is on screen.
QImage desktop(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, width, height);
    sky.setColorAt(0, QColor(30, 60, 110));
    sky.setColorAt(1, QColor(200, 120, 60));
    painter.fillRect(image.rect(), sky);
    QFont font = painter.font();
    font.setPixelSize(26);
    painter.setFont(font);
    for (int w = 0; w < 6; ++w) {
        const QRect window(80 + w * 560, 120 + (w % 3) * 520, 1300, 900);
        painter.fillRect(window, QColor(250, 250, 248));
        painter.fillRect(window.x(), window.y(), window.width(), 50, QColor(60, 60, 64));
        painter.setPen(QColor(30, 30, 30));
        for (int line = 0; line < 24; ++line)
            painter.drawText(window.x() + 30, window.y() + 100 + line * 32,
                             QStringLiteral("Line %1 of the document, with words and numbers 0x%2 to read.").arg(line).arg(w * 977 + line, 0, 16));
    }
    painter.end();
    for (int y = 1400; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 2400; x < width; ++x) {
            const int grain = static_cast<int>((x * 2654435761u ^ y * 40503u) >> 28);
            row[x] = qRgb(90 + (x % 97) + grain, 120 + (y % 53) + grain, 60 + grain * 4);
        }
    }
    QPainter(&image).fillRect(width / 2 - 150, height / 2 - 150, 300, 300, Qt::magenta);
    return image;
}

class Pointer {
public:
    explicit Pointer(MarkupCanvas& canvas) : canvas_(canvas) {}

    void send(QEvent::Type type, QPointF scene, Qt::MouseButtons buttons) {
        QWidget* viewport = canvas_.viewport();
        const QPointF local = canvas_.mapFromScene(scene);
        QMouseEvent event(type, local, viewport->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport, &event);
    }
    void press(QPointF at) { send(QEvent::MouseButtonPress, at, Qt::LeftButton); }
    void move(QPointF to) { send(QEvent::MouseMove, to, Qt::LeftButton); }
    void release(QPointF at) { send(QEvent::MouseButtonRelease, at, Qt::NoButton); }
    void drag(QPointF from, QPointF to) {
        press(from);
        move((from + to) / 2);
        move(to);
        release(to);
    }

private:
    MarkupCanvas& canvas_;
};

// Counts the canvas's paints, so that a move can be timed until its frame is drawn.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& viewport) { viewport.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// Each move of a drag timed from the event to the end of the paint it caused (the window's
// contents are flushed to the server in the same pass).
Figures timedDrag(MarkupCanvas& canvas, QPointF from, QPointF to, int moves) {
    Pointer pointer(canvas);
    PaintCounter counter(*canvas.viewport());
    Figures frames;
    pointer.press(from);
    for (int i = 1; i <= moves; ++i) {
        capturetest::waitUntil([] { return false; }, 5);
        const QPointF at = from + (to - from) * (static_cast<double>(i) / moves);
        const int before = counter.paints;
        Clock clock;
        pointer.move(at);
        // The paint is counted on entry: the frame is done once the loop returns after it.
        while (counter.paints == before && clock.wallMs() < 1000) QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        frames.add(clock);
    }
    pointer.release(to);
    return frames;
}

int runOne(int width, int height, int runs) {
    // As the program itself does before Qt starts.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    XServer server({{"A", 0, 0, width, height}});
    sharedXServer = &server;
    qputenv("DISPLAY", server.display().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "markup_bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    QTemporaryDir temp;
    const fs::path root = temp.path().toStdString();
    AppSettings settings{std::make_unique<SettingsStore>(root / "settings.json")};
    CaptureLibrary library{settings, std::make_unique<DiskFileSystem>(), root / "cache" / "Captures"};
    fakes::Recognizer recognizer;
    MarkupEditors editors(library, settings.defaults(), recognizer);
    // As a thumbnail holds it: the capture's pixels beside its file.
    const CapturedImage captured{desktop(3840, 2160), {3840, 2160}};
    const fs::path file = library.storeNow(captured).fileURL;

    platform::x11::XcbCaptureBackend& probe = *capturetest::X11Capturer::backend();
    const QPoint centre(width / 2, height / 2);
    const auto shown = [&] { return probe.grab(QRect(centre, QSize(1, 1))).pixel(0, 0) == qRgb(255, 0, 255); };
    const auto settle = [] { capturetest::waitUntil([] { return false; }, 300); };

    std::printf("3840x2160 capture on a %dx%d screen, %d runs\n", width, height, runs);
    const double before = memory("VmRSS:");
    Figures opened, openedFile, decoded;
    double openRss = 0;
    // Opened as a thumbnail's double-click does (the pixels in memory), then as glimpo --edit does.
    const auto openShown = [&](const CapturedImage& picture, Figures* figures, bool weigh) {
        Clock clock;
        MarkupWindow* window = editors.open(file, picture);
        if (!window || !capturetest::waitUntil(shown, 10000)) return false;
        if (figures) figures->add(clock);
        settle();
        if (weigh) openRss = memory("VmRSS:");
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        capturetest::waitUntil([&] { return !shown(); }, 5000);
        return true;
    };
    for (int run = 0; run < runs + 1; ++run) {
        Clock decoding;
        MarkupEditors::load(file);
        if (run > 0) decoded.add(decoding);
        if (!openShown(captured, run > 0 ? &opened : nullptr, run == 0) ||
            !openShown({}, run > 0 ? &openedFile : nullptr, false)) {
            std::fprintf(stderr, "the editor never showed the picture\n");
            return 1;
        }
    }
    settle();
    const double afterOpenClose = memory("VmRSS:");
    report("open from the thumbnail -> picture on screen", opened);
    report("the PNG file decoded (part of the next line)", decoded);
    report("open from the file -> picture on screen", openedFile);

    // 200 marks of every kind drawn by the tools, then frames timed over them.
    MarkupWindow* window = editors.open(file, captured);
    capturetest::waitUntil(shown, 10000);
    settle();
    MarkupCanvas& canvas = window->canvas();
    std::printf("  zoom %.0f%%, canvas %dx%d\n", canvas.zoom() * 100, canvas.viewport()->width(), canvas.viewport()->height());
    Pointer pointer(canvas);
    const MarkupTool kinds[] = {MarkupTool::arrow, MarkupTool::rectangle, MarkupTool::ellipse, MarkupTool::line,
                                MarkupTool::pen,   MarkupTool::highlighter, MarkupTool::step, MarkupTool::pixelate,
                                MarkupTool::redact, MarkupTool::rectangle};
    for (int i = 0; i < 200; ++i) {
        window->chooseTool(kinds[i % std::size(kinds)]);
        const QPointF at(100 + (i * 373) % 3400, 100 + (i * 211) % 1800);
        pointer.drag(at, at + QPointF(220 + i % 5 * 40, 140 + i % 3 * 50));
    }
    QCoreApplication::processEvents();
    settle();
    std::printf("  %zu marks placed\n", window->scene().marks().size());

    const int moves = std::max(60, runs * 6);
    window->chooseTool(MarkupTool::rectangle);
    report("pointer move -> frame, drawing a rectangle", timedDrag(canvas, {300, 300}, {3300, 1900}, moves));
    window->chooseTool(MarkupTool::pen);
    report("pointer move -> frame, drawing with the pen", timedDrag(canvas, {3300, 300}, {400, 1900}, moves));
    window->chooseTool(MarkupTool::pixelate);
    report("pointer move -> frame, drawing a pixelation", timedDrag(canvas, {500, 500}, {2500, 1700}, moves));
    window->chooseTool(MarkupTool::select);
    window->scene().clearSelection();
    const QPointF onMark = window->scene().marks().back()->sceneBoundingRect().center();
    report("pointer move -> frame, dragging a mark", timedDrag(canvas, onMark, onMark + QPointF(1500, 600), moves));
    QCoreApplication::processEvents();
    const double drawnRss = memory("VmRSS:");

    Figures rendered, exported;
    for (int run = 0; run < runs; ++run) {
        // A change, so that each export is made anew.
        window->chooseTool(MarkupTool::rectangle);
        const QPointF at(200 + run * 90, 1900);
        pointer.drag(at, at + QPointF(80, 60));
        Clock clock;
        // Let go before the export, whose peak memory is measured.
        window->scene().render();
        rendered.add(clock);
        window->scene().undoStack().undo();
        window->scene().undoStack().redo();
        pointer.drag(at + QPointF(0, 80), at + QPointF(80, 120));
        clock.restart();
        if (!window->exportCapture()) return 1;
        exported.add(clock);
    }
    report("render with 200+ marks", rendered);
    report("export (render + PNG in the cache)", exported);
    const double peak = memory("VmHWM:");
    const double openWithMarks = memory("VmRSS:");

    window->scene().undoStack().setClean();
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    capturetest::waitUntil([&] { return !shown(); }, 5000);
    settle();
    const double closed = memory("VmRSS:");
    // What the program's idle trim gives back after that.
    malloc_trim(0);
    const double trimmed = memory("VmRSS:");

    std::printf("  resident memory before the first editor    %7.1f MB\n", before);
    std::printf("  first editor open, picture shown           %7.1f MB (+%.1f)\n", openRss, openRss - before);
    std::printf("  after %d opens and closes                 %7.1f MB (+%.1f)\n", 2 * (runs + 1), afterOpenClose, afterOpenClose - before);
    std::printf("  open with 200 marks, after drawing         %7.1f MB (+%.1f)\n", drawnRss, drawnRss - before);
    std::printf("  open with 200 marks, after %d exports       %7.1f MB (+%.1f), peak %.1f MB (+%.1f)\n", runs,
                openWithMarks, openWithMarks - before, peak, peak - before);
    std::printf("  closed again                               %7.1f MB (+%.1f)\n", closed, closed - before);
    std::printf("  closed, heap trimmed                       %7.1f MB (+%.1f)\n", trimmed, trimmed - before);
    std::fflush(stdout);
    sharedXServer = nullptr;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    int width = 0, height = 0, runs = 10;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--screen") std::sscanf(args[i + 1].c_str(), "%dx%d", &width, &height);
        if (args[i] == "--runs") runs = std::stoi(args[i + 1]);
    }
    if (width > 0) {
        // Caught here so that the server and window manager are stopped on the way out.
        try {
            for (const char* tool : {"Xvfb", "xrandr", "openbox"}) XServer::require(tool);
            return runOne(width, height, runs);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "markup_bench: %s\n", e.what());
            return 1;
        }
    }
    // Qt binds to one display for the life of the process: one child per screen size.
    int status = 0;
    for (const char* size : {"1920x1080", "3840x2160"}) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QString::fromLocal8Bit(argv[0]), {"--screen", size, "--runs", QString::number(runs)});
        child.waitForFinished(-1);
        status |= child.exitCode();
    }
    return status;
}
