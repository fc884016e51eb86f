#include "app/core/CaptureCoordinator.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "fakes/FakeServices.h"
#include "kit/Error.h"

namespace {

using kit::CaptureAction;

struct Outcomes {
    std::vector<std::pair<Capture, std::optional<std::string>>> captured;
    int permissionNeeded = 0;
    std::vector<std::string> errors;
    std::vector<std::pair<std::string, std::string>> messages;
    std::vector<std::pair<std::string, std::string>> progress;
    std::vector<std::string> copied;

    int total() const {
        return static_cast<int>(captured.size() + errors.size() + messages.size() + progress.size()) +
               permissionNeeded;
    }
};

class CaptureCoordinatorTest : public ::testing::Test {
protected:
    void SetUp() override { build(true); }

    void build(bool withAllServices) {
        coordinator.reset();
        CaptureCoordinator::Services services;
        if (withAllServices) {
            auto capturerOwned = std::make_unique<fakes::Capturer>();
            capturer = capturerOwned.get();
            services.capturer = std::move(capturerOwned);
            services.makeOverlay = [this](ScreenCaptureService&) {
                auto made = std::make_unique<fakes::Overlay>();
                overlay = made.get();
                ++overlaysMade;
                return made;
            };
            auto recorderOwned = std::make_unique<fakes::Recorder>();
            recorder = recorderOwned.get();
            services.recorder = std::move(recorderOwned);
            auto recognizerOwned = std::make_unique<fakes::Recognizer>();
            recognizer = recognizerOwned.get();
            services.recognizer = std::move(recognizerOwned);
            auto displaysOwned = std::make_shared<fakes::Displays>();
            displays = displaysOwned.get();
            services.displays = std::move(displaysOwned);
        }
        auto soundsOwned = std::make_unique<fakes::Sounds>();
        sounds = soundsOwned.get();
        services.sounds = std::move(soundsOwned);
        services.microphoneStatus = [this] { return micStatus; };
        services.copyText = [this](const std::string& text) { outcomes.copied.push_back(text); };

        coordinator = std::make_unique<CaptureCoordinator>(settings, library, std::move(services));
        QObject::connect(coordinator.get(), &CaptureCoordinator::captured,
                         [this](const Capture& c, const std::optional<std::string>& f) { outcomes.captured.emplace_back(c, f); });
        QObject::connect(coordinator.get(), &CaptureCoordinator::permissionNeeded, [this] { ++outcomes.permissionNeeded; });
        QObject::connect(coordinator.get(), &CaptureCoordinator::error,
                         [this](const std::string& e) { outcomes.errors.push_back(e); });
        QObject::connect(coordinator.get(), &CaptureCoordinator::message,
                         [this](const std::string& m, const std::string& i) { outcomes.messages.emplace_back(m, i); });
        QObject::connect(coordinator.get(), &CaptureCoordinator::progress,
                         [this](const std::string& m, const std::string& i) { outcomes.progress.emplace_back(m, i); });
    }

    static std::exception_ptr declined() {
        return std::make_exception_ptr(kit::Error("The user declined.", std::string(kit::ErrorDomain::screenCaptureStream), -3801));
    }

    testsupport::TempDir home;
    AppSettings settings{std::make_unique<SettingsStore>(home / "settings.json")};
    CaptureLibrary library{settings, std::make_unique<DiskFileSystem>(), home / "cache"};
    MemoryLogSink log;
    Outcomes outcomes;
    MicrophoneAuthorization micStatus = MicrophoneAuthorization::authorized;
    int overlaysMade = 0;

    fakes::Capturer* capturer = nullptr;
    fakes::Overlay* overlay = nullptr;
    fakes::Recorder* recorder = nullptr;
    fakes::Recognizer* recognizer = nullptr;
    fakes::Displays* displays = nullptr;
    fakes::Sounds* sounds = nullptr;
    std::unique_ptr<CaptureCoordinator> coordinator;
};

TEST_F(CaptureCoordinatorTest, AreaSelectionIsCapturedStoredAndAnnounced) {
    coordinator->run(CaptureAction::area);
    ASSERT_EQ(overlay->begins.size(), 1u);
    EXPECT_EQ(overlay->begins[0].mode, SelectionMode::area);
    EXPECT_TRUE(overlay->begins[0].allowsWindowMode);

    const auto rect = kit::Rect::make(10, 20, 40, 30);
    overlay->finish(SelectionResult::area(rect, 42));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !outcomes.captured.empty(); }));

    EXPECT_EQ(capturer->calls.at(0).rect, rect);
    EXPECT_EQ(capturer->calls[0].id, 42u);
    EXPECT_TRUE(std::filesystem::exists(outcomes.captured[0].first.fileURL));
    EXPECT_EQ(sounds->played, std::vector<kit::CaptureSound>{kit::CaptureSound::screenshot});

    // The overlay is made once and reused.
    coordinator->run(CaptureAction::window);
    EXPECT_EQ(overlaysMade, 1);
    EXPECT_EQ(overlay->begins.back().mode, SelectionMode::window);
    overlay->finish(SelectionResult::window(77));
    ASSERT_TRUE(testsupport::waitUntil([&] { return outcomes.captured.size() == 2; }));
    EXPECT_EQ(capturer->calls.back().what, "window");
    EXPECT_EQ(capturer->calls.back().id, 77u);
}

TEST_F(CaptureCoordinatorTest, FullscreenCapturesTheDisplayUnderThePointerWithoutOverlay) {
    coordinator->run(CaptureAction::fullscreen);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !outcomes.captured.empty(); }));
    EXPECT_EQ(overlaysMade, 0);
    EXPECT_EQ(capturer->calls.at(0).what, "display");
    EXPECT_EQ(capturer->calls[0].point.x, 100);
}

TEST_F(CaptureCoordinatorTest, CaptureFailuresBecomeErrorTextOrThePermissionFlow) {
    capturer->failure = std::make_exception_ptr(kit::Error("The window is no longer available."));
    coordinator->run(CaptureAction::fullscreen);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !outcomes.errors.empty(); }));
    EXPECT_EQ(outcomes.errors[0], "Couldn't capture: The window is no longer available.");
    EXPECT_TRUE(outcomes.captured.empty());

    capturer->failure = declined();
    coordinator->run(CaptureAction::fullscreen);
    ASSERT_TRUE(testsupport::waitUntil([&] { return outcomes.permissionNeeded == 1; }));
    EXPECT_EQ(outcomes.errors.size(), 1u);
}

TEST_F(CaptureCoordinatorTest, RecordingActionStartsThenStops) {
    coordinator->run(CaptureAction::recording);
    EXPECT_FALSE(overlay->begins.at(0).allowsWindowMode);
    settings.setRecordSystemAudio(true);
    const auto rect = kit::Rect::make(0, 0, 300, 200);
    overlay->finish(SelectionResult::area(rect, 3));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !recorder->starts.empty(); }));
    EXPECT_EQ(recorder->starts[0].area, rect);
    EXPECT_EQ(recorder->starts[0].displayID, 3u);
    EXPECT_TRUE(recorder->starts[0].systemAudio);

    // The same action now stops instead of opening the overlay.
    Capture movie{QUuid::createUuid(), home / "movie.mp4", kit::CaptureKind::video, {600, 400}, {}, true};
    recorder->finished = FinishedRecordingCapture{movie, kit::SaveError::fromErrno(ENOSPC)};
    coordinator->run(CaptureAction::recording);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !outcomes.captured.empty(); }));
    EXPECT_EQ(overlay->begins.size(), 1u);
    EXPECT_EQ(recorder->stops, 1);
    EXPECT_EQ(outcomes.captured[0].first.fileURL, movie.fileURL);
    EXPECT_EQ(outcomes.captured[0].second, std::optional<std::string>("Couldn't save: The disk is full."));
}

TEST_F(CaptureCoordinatorTest, RecordingOutsideTheOverlayAndItsFailures) {
    // A window or cancellation from the recording overlay ends silently.
    coordinator->run(CaptureAction::recording);
    overlay->finish(SelectionResult::window(5));
    testsupport::processEvents();
    EXPECT_TRUE(recorder->starts.empty());

    recorder->startFailure = std::make_exception_ptr(kit::Error("The display is no longer available."));
    coordinator->startRecording(std::nullopt, std::nullopt);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !outcomes.errors.empty(); }));
    EXPECT_EQ(recorder->starts.back().displayID, 7u);  // the display under the pointer
    EXPECT_FALSE(recorder->starts.back().area);
    EXPECT_EQ(outcomes.errors[0], "Couldn't start recording: The display is no longer available.");

    // The system ending the stream with an error.
    recorder->onStoppedBySystem(std::make_exception_ptr(kit::Error("The stream stopped.")));
    EXPECT_EQ(outcomes.errors.back(), "Recording problem: The stream stopped.");
}

TEST_F(CaptureCoordinatorTest, MicrophoneThatIsNotAllowedRecordsWithoutIt) {
    settings.setRecordMicrophone(true);
    micStatus = MicrophoneAuthorization::restricted;
    coordinator->startRecording(std::nullopt, 1u);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !recorder->starts.empty(); }));
    EXPECT_FALSE(recorder->starts[0].microphone);
    EXPECT_EQ(outcomes.messages.size(), 1u) << "the user is told";
}

TEST_F(CaptureCoordinatorTest, TextCaptureCopiesRecognisedText) {
    recognizer->text = "Hello world";
    coordinator->run(CaptureAction::text);
    EXPECT_FALSE(overlay->begins[0].allowsWindowMode);
    overlay->finish(SelectionResult::area(kit::Rect::make(0, 0, 50, 20), 1));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !outcomes.messages.empty(); }));
    EXPECT_EQ(outcomes.progress.size(), 1u);
    EXPECT_EQ(outcomes.copied, std::vector<std::string>{"Hello world"});
    EXPECT_TRUE(log.contains("coordinator", "text copied characters=11"));
    EXPECT_EQ(sounds->played, std::vector<kit::CaptureSound>{kit::CaptureSound::textCopied});
    EXPECT_TRUE(outcomes.captured.empty());

    // Characters, not bytes: a precomposed and a combined accent count once. The recogniser
    // learns the capture's pixels per point.
    recognizer->text = "caffè perche\u0301";
    capturer->result = fakes::image(80, 40, 2.0);
    coordinator->run(CaptureAction::text);
    overlay->finish(SelectionResult::area(kit::Rect::make(0, 0, 40, 20), 1));
    ASSERT_TRUE(testsupport::waitUntil([&] { return outcomes.messages.size() == 2; }));
    EXPECT_TRUE(log.contains("coordinator", "text copied characters=12"));
    EXPECT_EQ(recognizer->pixelsPerPoint, 2.0);
}

TEST_F(CaptureCoordinatorTest, TextCaptureWithNothingFoundOrFailing) {
    recognizer->text = "";
    coordinator->run(CaptureAction::text);
    overlay->finish(SelectionResult::area(kit::Rect::make(0, 0, 50, 20), 1));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !outcomes.messages.empty(); }));
    EXPECT_EQ(outcomes.messages[0].first, "No text found");
    EXPECT_TRUE(outcomes.copied.empty());

    // A window result can't lead to recognition.
    coordinator->run(CaptureAction::text);
    overlay->finish(SelectionResult::window(9));
    testsupport::processEvents();
    EXPECT_EQ(recognizer->recognized, 1);

    recognizer->failure = std::make_exception_ptr(kit::Error("The recogniser failed."));
    coordinator->run(CaptureAction::text);
    overlay->finish(SelectionResult::area(kit::Rect::make(0, 0, 50, 20), 1));
    ASSERT_TRUE(testsupport::waitUntil([&] { return !outcomes.errors.empty(); }));
    EXPECT_EQ(outcomes.errors[0], "Couldn't read the text: The recogniser failed.");
}

TEST_F(CaptureCoordinatorTest, MissingServicesEndInAPlainSentence) {
    build(false);
    coordinator->run(CaptureAction::area);
    coordinator->run(CaptureAction::recording);
    coordinator->run(CaptureAction::text);
    coordinator->run(CaptureAction::fullscreen);
    ASSERT_EQ(outcomes.errors.size(), 4u);
    EXPECT_EQ(outcomes.errors[1], "Couldn't start recording: Screen recording isn't available in this version of Glimpo.");
    EXPECT_FALSE(coordinator->recordingElapsed());
}

TEST_F(CaptureCoordinatorTest, CompletionAfterTheCoordinatorIsGoneDoesNothing) {
    coordinator->run(CaptureAction::area);
    // The overlay belongs to the coordinator; keep its completion beyond it.
    auto completion = overlay->completion;
    coordinator.reset();
    completion(SelectionResult::area(kit::Rect::make(0, 0, 10, 10), 1));
    testsupport::processEvents();
    EXPECT_EQ(outcomes.total(), 0);
}

} // namespace
