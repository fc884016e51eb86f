// The recorder with the real stream, sound server and writer, on the test's Xvfb and null sink.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include "app/quickaccess/FloatingPanel.h"

#include <csignal>
#include <cstdlib>

#include "MovieProbe.h"
#include "RecordingFixture.h"
#include "app/base/Log.h"

namespace {

TEST_F(Recording, AreaMovieIsH264HighOfThePartsSizeSavedAndLastsUntilTheStop) {
    double longest = 0, shortest = 0;
    const auto finished = record(kit::Rect::make(100, 100, 301, 201), 0, false, false, 1500ms, &longest, &shortest);
    EXPECT_FALSE(finished.saveError);
    EXPECT_TRUE(finished.capture.isSaved);
    EXPECT_EQ(finished.capture.fileURL.parent_path(), dir / "saved");
    EXPECT_EQ(finished.capture.fileURL.extension(), ".mp4");
    EXPECT_EQ(finished.capture.pixelSize, (kit::Size{302, 202}));
    const ProbedMovie movie = probe(finished.capture.fileURL);
    ASSERT_TRUE(movie.ok);
    ASSERT_EQ(movie.streams.size(), 1u);
    EXPECT_EQ(movie.streams[0].codec, "h264");
    EXPECT_EQ(movie.streams[0].profile, "High");
    EXPECT_EQ(movie.streams[0].width, 302);
    EXPECT_EQ(movie.streams[0].height, 202);
    const double frame = 1.0 / 60;
    EXPECT_GE(movie.duration, shortest - frame);
    EXPECT_LE(movie.duration, longest + frame);
    EXPECT_FALSE(recorder->elapsed());
    // Nothing is left in the cache once saved.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "cache"))
        EXPECT_FALSE(entry.is_regular_file()) << entry.path();
}

TEST_F(Recording, WholeDisplaySizesFollowTheScaleAndTheClamp) {
    make(2.0);
    // 1920 x 1080 pixels are 960 x 540 points at scale 2: the movie keeps every pixel.
    EXPECT_EQ(record(std::nullopt, 0, false, false, 400ms).capture.pixelSize, (kit::Size{1920, 1080}));
    EXPECT_EQ(record(kit::Rect::make(10, 10, 100.5, 50), 0, false, false, 400ms).capture.pixelSize,
              (kit::Size{202, 100}));
    make(1.0);
    const auto clamped = record(std::nullopt, 1, false, false, 400ms);
    const ProbedMovie movie = probe(clamped.capture.fileURL);
    ASSERT_EQ(movie.streams.size(), 1u);
    EXPECT_EQ(movie.streams[0].width, 4096);
    EXPECT_EQ(movie.streams[0].height, 1118);
}

TEST_F(Recording, TracksFollowTheOptionsInOrderAndCarryTheTone) {
    auto tone = playTone(dir.path(), 30);
    struct Case {
        bool microphone, system;
    };
    for (const Case c : {Case{true, true}, Case{true, false}, Case{false, true}}) {
        SCOPED_TRACE(testing::Message() << "mic=" << c.microphone << " system=" << c.system);
        const auto finished = record(kit::Rect::make(0, 0, 200, 200), 0, c.microphone, c.system, 1500ms);
        const ProbedMovie movie = probe(finished.capture.fileURL);
        ASSERT_EQ(movie.streams.size(), 1u + c.microphone + c.system);
        EXPECT_EQ(movie.streams[0].type, "video");
        for (std::size_t i = 1; i < movie.streams.size(); ++i) {
            EXPECT_EQ(movie.streams[i].type, "audio");
            EXPECT_EQ(movie.streams[i].codec, "aac");
            EXPECT_EQ(movie.streams[i].sampleRate, 48000);
            EXPECT_EQ(movie.streams[i].channels, 2);
            // The null sink's monitor is the default source too: both tracks hear the tone.
            EXPECT_GT(peakVolume(finished.capture.fileURL, int(i - 1)), -30.0);
        }
    }
    tone->kill();
    tone->waitForFinished();
}

TEST_F(Recording, BusyAreaKeepsTheBitRateOfTheRule) {
    auto content = showMotion(QRect(0, 0, 960, 540), true);
    const auto finished = record(kit::Rect::make(0, 0, 960, 540), 0, false, false, 10s);
    const ProbedMovie movie = probe(finished.capture.fileURL);
    ASSERT_EQ(movie.streams.size(), 1u);
    const double rule = double(kit::RecordingFormat::bitrate({960, 540}));
    const double actual = std::filesystem::file_size(finished.capture.fileURL) * 8.0 / movie.duration;
    EXPECT_NEAR(actual, rule, rule * 0.25);
    content->kill();
    content->waitForFinished();
}

TEST_F(Recording, ASecondStartWhileStartingIsIgnoredAndLogged) {
    MemoryLogSink log;
    recorder = std::make_unique<StreamScreenRecorder>(*library, displays, &slowModule);
    auto first = recorder->start(kit::Rect::make(0, 0, 100, 100), display(0), false, false);
    awaitStart(recorder->start(kit::Rect::make(0, 0, 100, 100), display(0), false, false));
    EXPECT_TRUE(log.contains("recording", "start ignored state=starting"));
    awaitStart(std::move(first));
    ASSERT_TRUE(recorder->elapsed());
    EXPECT_EQ(*recorder->elapsed(), ScreenRecorder::Elapsed::zero());
    EXPECT_TRUE(testsupport::waitUntil([&] { return recorder->elapsed() && *recorder->elapsed() >= 500ms; }, 3000));
    EXPECT_TRUE(testsupport::await(recorder->stop(), 60000));
    EXPECT_TRUE(log.contains("recording", "recording started width=100 height=100 mic=false system=false"));
}

TEST_F(Recording, GlimposOwnWindowsNeverAppearInTheMovie) {
    FloatingPanel notice(FloatingPanel::Options{.ignoresMouse = true, .title = QStringLiteral("Notice")});
    notice.setStyleSheet("background: #ff0000");
    notice.setAutoFillBackground(true);
    QPalette red;
    red.setColor(QPalette::Window, Qt::red);
    notice.setPalette(red);
    notice.setGeometry(50, 50, 100, 100);
    notice.show();
    ASSERT_TRUE(testsupport::waitUntil([&] { return notice.isVisible(); }));
    testsupport::waitUntil([] { return false; }, 300);
    QTimer::singleShot(600, &notice, [&] { notice.hide(); });
    const auto finished = record(kit::Rect::make(0, 0, 200, 200), 0, false, false, 1500ms);
    QProcess decode;
    decode.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(finished.capture.fileURL.string()), "-f",
                            "rawvideo", "-pix_fmt", "rgb24", "-"});
    decode.waitForFinished(30000);
    const QByteArray frames = decode.readAllStandardOutput();
    ASSERT_GE(frames.size(), 200 * 200 * 3);
    for (qsizetype at = (100 * 200 + 100) * 3; at < frames.size(); at += 200 * 200 * 3) {
        const auto r = quint8(frames[at]), g = quint8(frames[at + 1]);
        EXPECT_FALSE(r > 200 && g < 60) << "a frame shows Glimpo's window";
    }
}

// The child half of the crash test: records until its parent kills it.
TEST(RecordingCrash, DISABLED_ChildRecordsUntilKilled) {
    const char* folder = std::getenv("GLIMPO_RECORDING_CHILD");
    ASSERT_TRUE(folder);
    AppSettings settings(std::make_unique<SettingsStore>(std::filesystem::path(folder) / "child-settings.json"));
    CaptureLibrary library(settings, std::make_unique<DiskFileSystem>(), std::filesystem::path(folder) / "cache");
    auto displays = std::make_shared<DisplayService>(std::make_shared<platform::x11::XcbCaptureBackend>(), 1.0);
    StreamScreenRecorder recorder(library, displays, &linkedModule);
    const std::uint32_t first = displays->layout().displays().at(0).id;
    // Picture only, of a still screen: frames are then sparse, the case where a kill costs most.
    awaitStart(recorder.start(kit::Rect::make(0, 0, 320, 240), first, false, false));
    testsupport::waitUntil([] { return false; }, 3500);
    std::printf("recording\n");
    std::fflush(stdout);
    testsupport::waitUntil([] { return false; }, 120000);
}

TEST_F(Recording, KillNineLeavesAPlayableMovieThatTheNextLaunchSaves) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("GLIMPO_RECORDING_CHILD", QString::fromStdString(dir.path().string()));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=RecordingCrash.DISABLED_ChildRecordsUntilKilled"});
    ASSERT_TRUE(child.waitForStarted(5000));
    QElapsedTimer wait;
    wait.start();
    QByteArray out;
    while (!out.contains("recording") && wait.elapsed() < 30000) {
        child.waitForReadyRead(100);
        out += child.readAllStandardOutput();
    }
    ASSERT_TRUE(out.contains("recording")) << out.toStdString();
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished(5000);

    std::vector<std::filesystem::path> written;
    for (const auto& folder : std::filesystem::directory_iterator(dir / "cache"))
        for (const auto& file : std::filesystem::directory_iterator(folder.path())) written.push_back(file.path());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].extension(), StreamScreenRecorder::writingSuffix);
    const ProbedMovie cut = probe(written[0]);
    ASSERT_TRUE(cut.ok);
    ASSERT_GE(cut.streams.size(), 1u);
    EXPECT_EQ(cut.streams[0].codec, "h264");
    EXPECT_GE(frameCount(written[0]), 1);

    // The next launch: a new recorder over the same cache saves it and says so.
    std::optional<FinishedRecordingCapture> recovered;
    std::string notice;
    recorder = std::make_unique<StreamScreenRecorder>(*library, displays, &linkedModule);
    recorder->onNotice = [&](const std::string& text) { notice = text; };
    recorder->onStoppedBySystem = [&](RecordingOutcome outcome) {
        recovered = std::get<FinishedRecordingCapture>(outcome);
    };
    ASSERT_TRUE(testsupport::waitUntil([&] { return recovered.has_value(); }, 30000));
    EXPECT_EQ(notice, "A recording that was cut short was saved.");
    EXPECT_TRUE(recovered->capture.isSaved);
    EXPECT_EQ(recovered->capture.fileURL.parent_path(), dir / "saved");
    const ProbedMovie saved = probe(recovered->capture.fileURL);
    ASSERT_TRUE(saved.ok);
    EXPECT_GE(saved.duration, 2.5) << "a kill may cost the last second, no more";
    EXPECT_FALSE(std::filesystem::exists(written[0]));
}

} // namespace
