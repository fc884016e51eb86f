// Records the whole display of $DISPLAY for a number of seconds with Glimpo's recorder and
// prints the movie's path; bench/run-recording-bench.sh measures it.
// Usage: recording_bench SECONDS OUTPUT-FOLDER

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>
#include <filesystem>

#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/capture/DisplayService.h"
#include "app/platform/x11/XcbCaptureBackend.h"
#include "app/recording/StreamRecordingModule.h"
#include "app/recording/StreamScreenRecorder.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"

namespace {

const RecordingModule& linkedModule() {
    static const StreamRecordingModule module;
    return module;
}

// Waits in the event loop: a loop that polls would cost a core and be charged to the recorder.
void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) return 2;
    const int seconds = std::atoi(argv[1]);
    const std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder / "saved");
    AppSettings settings(std::make_unique<SettingsStore>(folder / "settings.json"));
    settings.setSaveFolder(folder / "saved");
    CaptureLibrary library(settings, std::make_unique<DiskFileSystem>(), folder / "cache");
    auto displays = std::make_shared<DisplayService>(std::make_shared<platform::x11::XcbCaptureBackend>(), 1.0);
    StreamScreenRecorder recorder(library, displays, &linkedModule);

    bool started = false;
    std::optional<FinishedRecordingCapture> finished;
    // Named, so the coroutines' captures outlive their suspensions.
    auto start = [&]() -> QCoro::Task<void> {
        co_await recorder.start(std::nullopt, displays->layout().displays().at(0).id, false, false);
        started = true;
    };
    auto stop = [&]() -> QCoro::Task<void> { finished = co_await recorder.stop(); };
    start();
    while (!started) spin(10);
    spin(seconds * 1000);
    stop();
    while (!finished) spin(10);

    std::printf("%s\n", finished->capture.fileURL.c_str());
    return 0;
}
