#pragma once
// The recorder with the real stream, sound server and writer on the test's Xvfb and null sink:
// a fixture that records and the helpers that put picture and sound in front of it.

#include <gtest/gtest.h>

#include <QProcess>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "TestSupport.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/capture/DisplayService.h"
#include "app/platform/x11/XcbCaptureBackend.h"
#include "app/recording/StreamScreenRecorder.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"

using namespace std::chrono_literals;

inline const RecordingModule& linkedModule() { return *glimpo_recording_module(); }

// The linked module, with a writer that takes its time to be made: a start stays "starting".
inline const RecordingModule& slowModule() {
    static const RecordingModule slow = [] {
        RecordingModule module = linkedModule();
        module.makeSession = [](const RecordingSession::Settings& settings) {
            std::this_thread::sleep_for(300ms);
            return linkedModule().makeSession(settings);
        };
        return module;
    }();
    return slow;
}

// Runs a start to its end; rethrows its error.
inline void awaitStart(QCoro::Task<void> start) {
    auto done = [](QCoro::Task<void> task) -> QCoro::Task<bool> {
        co_await std::move(task);
        co_return true;
    };
    testsupport::await(done(std::move(start)), 10000);
}

// Moving content from another program (Glimpo's own windows never reach a movie).
inline std::unique_ptr<QProcess> showMotion(QRect root, bool noise) {
    auto content = std::make_unique<QProcess>();
    QStringList args{QString::number(root.x()), QString::number(root.y()), QString::number(root.width()),
                     QString::number(root.height())};
    if (noise) args << "--noise";
    content->start(GLIMPO_MOTION_CONTENT, args);
    content->waitForStarted(5000);
    testsupport::waitUntil([] { return false; }, 1000);
    return content;
}

// Plays a 1 kHz tone into the null sink for `seconds`.
inline std::unique_ptr<QProcess> playTone(const std::filesystem::path& folder, double seconds) {
    const QString file = QString::fromStdString((folder / "tone.wav").string());
    QProcess make;
    make.start("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i", QString("sine=frequency=1000:duration=%1").arg(seconds),
                          "-ac", "2", "-ar", "48000", file});
    make.waitForFinished(30000);
    auto player = std::make_unique<QProcess>();
    player->start("paplay", {"-d", "glimpo_test", file});
    player->waitForStarted(5000);
    testsupport::waitUntil([] {
        QProcess sinks;
        sinks.start("pactl", {"list", "short", "sinks"});
        sinks.waitForFinished(5000);
        return sinks.readAllStandardOutput().contains("RUNNING");
    }, 15000);
    return player;
}

class Recording : public ::testing::Test {
protected:
    void SetUp() override { make(1.0); }

    void make(double scale) {
        recorder.reset();
        library.reset();
        settings.reset();
        settings = std::make_unique<AppSettings>(std::make_unique<SettingsStore>(dir / "settings.json"));
        std::filesystem::create_directories(dir / "saved");
        settings->setSaveFolder(dir / "saved");
        library = std::make_unique<CaptureLibrary>(*settings, std::make_unique<DiskFileSystem>(), dir / "cache");
        displays = std::make_shared<DisplayService>(std::make_shared<platform::x11::XcbCaptureBackend>(), scale);
        recorder = std::make_unique<StreamScreenRecorder>(*library, displays, &linkedModule);
    }

    std::uint32_t display(int index) { return displays->layout().displays().at(index).id; }

    // Records for `length`; returns the finished recording and the stop time minus the start's
    // return and call times.
    FinishedRecordingCapture record(std::optional<kit::Rect> area, int displayIndex, bool microphone, bool system,
                                    std::chrono::milliseconds length, double* longest = nullptr,
                                    double* shortest = nullptr) {
        const auto called = std::chrono::steady_clock::now();
        awaitStart(recorder->start(area, display(displayIndex), microphone, system));
        const auto started = std::chrono::steady_clock::now();
        testsupport::waitUntil([] { return false; }, int(length.count()));
        const auto stopped = std::chrono::steady_clock::now();
        auto finished = testsupport::await(recorder->stop(), 60000);
        if (longest) *longest = std::chrono::duration<double>(stopped - called).count();
        if (shortest) *shortest = std::chrono::duration<double>(stopped - started).count();
        if (!finished) throw std::runtime_error("the recorder returned no recording");
        return *finished;
    }

    testsupport::TempDir dir;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<CaptureLibrary> library;
    std::shared_ptr<DisplayService> displays;
    std::unique_ptr<StreamScreenRecorder> recorder;
};
