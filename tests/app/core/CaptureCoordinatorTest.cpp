#include "app/core/CaptureCoordinator.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "app/base/AppSettings.h"
#include "app/base/SettingsStore.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "capture/FakeCaptureBackend.h"
#include "fakes/FakeServices.h"
#include "kit/Error.h"

namespace {

using kit::CaptureAction;
using fakes::kept;
using testsupport::waitUntil;

class CaptureCoordinatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        CaptureCoordinator::Services services;
        // Two 2x displays side by side; the pointer rests on the second.
        backend->monitorList = {{1, QRect(0, 0, 1920, 1080), true}, {7, QRect(1920, 0, 1920, 1080), false}};
        backend->clients = {capturefakes::client(77, QRect(100, 100, 300, 200))};
        services.capturer = capturefakes::service(backend, 2.0);
        services.makeOverlay = [this](ScreenCaptureService&) { ++overlaysMade; return kept(overlay); };
        services.recorder = kept(recorder);
        services.recognizer = kept(recognizer);
        services.sounds = kept(sounds);
        auto displays = std::make_shared<fakes::Displays>();
        displays->screens = {{1, kit::Rect::make(0, 0, 960, 540), kit::Rect::make(0, 0, 960, 540)},
                             {7, kit::Rect::make(960, 0, 960, 540), kit::Rect::make(960, 0, 960, 540)}};
        displays->pointer = {1000, 100};
        services.displays = displays;
        services.microphoneStatus = [this] { return micStatus; };
        services.copyText = [this](const std::string& text) { copied.push_back(text); };
        coordinator = std::make_unique<CaptureCoordinator>(settings, library, std::move(services));
        auto* c = coordinator.get();
        QObject::connect(c, &CaptureCoordinator::captured,
                         [this](const Capture& capture, const std::optional<std::string>& f) { captured.emplace_back(capture, f); });
        QObject::connect(c, &CaptureCoordinator::permissionNeeded, [this] { ++permissionNeeded; });
        QObject::connect(c, &CaptureCoordinator::error, [this](const std::string& e) { errors.push_back(e); });
        QObject::connect(c, &CaptureCoordinator::message, [this](const std::string& m, const std::string&) { messages.push_back(m); });
        QObject::connect(c, &CaptureCoordinator::progress, [this](const std::string& m, const std::string&) { progress.push_back(m); });
    }

    testsupport::TempDir home;
    AppSettings settings{std::make_unique<SettingsStore>(home / "settings.json")};
    CaptureLibrary library{settings, std::make_unique<DiskFileSystem>(), home / "cache"};
    MemoryLogSink log;
    MicrophoneAuthorization micStatus = MicrophoneAuthorization::authorized;
    int overlaysMade = 0;

    std::vector<std::pair<Capture, std::optional<std::string>>> captured;
    int permissionNeeded = 0;
    std::vector<std::string> errors, messages, progress, copied;

    std::shared_ptr<capturefakes::Backend> backend = std::make_shared<capturefakes::Backend>();
    fakes::Overlay* overlay = nullptr;
    fakes::Recorder* recorder = nullptr;
    fakes::Recognizer* recognizer = nullptr;
    fakes::Sounds* sounds = nullptr;
    std::unique_ptr<CaptureCoordinator> coordinator;
};

TEST_F(CaptureCoordinatorTest, FullscreenTakesTheDisplayUnderThePointerAndTheOverlayTheRest) {
    coordinator->run(CaptureAction::fullscreen);
    ASSERT_TRUE(waitUntil([&] { return captured.size() == 1; }));
    EXPECT_EQ(overlaysMade, 0);
    EXPECT_EQ(backend->grabs, std::vector{QRect(1920, 0, 1920, 1080)});

    coordinator->run(CaptureAction::area);
    ASSERT_EQ(overlay->begins.size(), 1u);
    EXPECT_EQ(overlay->begins[0].mode, SelectionMode::area);
    EXPECT_TRUE(overlay->begins[0].allowsWindowMode);
    emit overlay->finished(SelectionResult::area(kit::Rect::make(10, 20, 40, 30), 7));
    ASSERT_TRUE(waitUntil([&] { return captured.size() == 2; }));
    EXPECT_EQ(backend->grabs.at(1), QRect(1940, 40, 80, 60));
    EXPECT_EQ(sounds->played, std::vector<kit::CaptureSound>(2, kit::CaptureSound::screenshot));

    // The overlay is made once and reused.
    coordinator->run(CaptureAction::window);
    EXPECT_EQ(overlaysMade, 1);
    EXPECT_EQ(overlay->begins.back().mode, SelectionMode::window);
    emit overlay->finished(SelectionResult::window(77));
    ASSERT_TRUE(waitUntil([&] { return captured.size() == 3; }));
    EXPECT_EQ(backend->grabs.back(), QRect(100, 100, 300, 200));
    EXPECT_FALSE(captured[2].first.isSaved);

    // Saved as it is taken, where the user asked for it; a save that fails keeps it in the cache.
    settings.setSavesAutomatically(true);
    settings.setSaveFolder(home / "saved");
    std::filesystem::create_directories(home / "saved");
    coordinator->run(CaptureAction::fullscreen);
    ASSERT_TRUE(waitUntil([&] { return captured.size() == 4; }));
    EXPECT_TRUE(captured[3].first.isSaved);
    EXPECT_EQ(captured[3].first.fileURL.parent_path(), home / "saved");
    settings.setSaveFolder(home / "gone");
    coordinator->run(CaptureAction::fullscreen);
    ASSERT_TRUE(waitUntil([&] { return captured.size() == 5; }));
    EXPECT_FALSE(captured[4].first.isSaved);
    EXPECT_TRUE(std::filesystem::exists(captured[4].first.fileURL));
    EXPECT_EQ(captured[4].second, std::optional<std::string>("Couldn't save: The save folder doesn't exist."));
}

TEST_F(CaptureCoordinatorTest, CaptureFailuresBecomeErrorTextOrThePermissionFlow) {
    backend->grabFailure = std::make_exception_ptr(kit::Error("The window is no longer available."));
    coordinator->run(CaptureAction::fullscreen);
    ASSERT_TRUE(waitUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors[0], "Couldn't capture: The window is no longer available.");
    EXPECT_TRUE(captured.empty());

    backend->grabFailure = std::make_exception_ptr(
        kit::Error("The user declined.", std::string(kit::ErrorDomain::screenCaptureStream), -3801));
    coordinator->run(CaptureAction::fullscreen);
    ASSERT_TRUE(waitUntil([&] { return permissionNeeded == 1; }));
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(CaptureCoordinatorTest, RecordingStartsFromTheOverlayOrOutsideItStopsAndReportsItsFailures) {
    // A cancelled recording overlay ends silently.
    coordinator->run(CaptureAction::recording);
    EXPECT_FALSE(overlay->begins.at(0).allowsWindowMode);
    EXPECT_EQ(overlay->begins.at(0).purpose, SelectionPurpose::recording);
    emit overlay->finished(SelectionResult::cancelled());
    testsupport::processEvents();
    EXPECT_TRUE(recorder->starts.empty());

    coordinator->run(CaptureAction::recording);
    settings.setRecordSystemAudio(true);
    const auto rect = kit::Rect::make(0, 0, 300, 200);
    emit overlay->finished(SelectionResult::area(rect, 3));
    ASSERT_TRUE(waitUntil([&] { return !recorder->starts.empty(); }));
    EXPECT_EQ(recorder->starts[0].area, rect);
    EXPECT_EQ(recorder->starts[0].displayID, 3u);
    EXPECT_TRUE(recorder->starts[0].systemAudio);
    // The same action now stops instead of opening the overlay.
    Capture movie{QUuid::createUuid(), home / "movie.mp4", kit::CaptureKind::video, {600, 400}, {}, true};
    recorder->finished = FinishedRecordingCapture{movie, kit::SaveError::fromErrno(ENOSPC)};
    coordinator->run(CaptureAction::recording);
    ASSERT_TRUE(waitUntil([&] { return !captured.empty(); }));
    EXPECT_EQ(overlay->begins.size(), 2u);
    EXPECT_EQ(recorder->stops, 1);
    EXPECT_EQ(captured[0].first.fileURL, movie.fileURL);
    EXPECT_EQ(captured[0].second, std::optional<std::string>("Couldn't save: The disk is full."));

    // A microphone that is not allowed: recorded without it, and the user is told.
    settings.setRecordMicrophone(true);
    micStatus = MicrophoneAuthorization::restricted;
    recorder->startFailure = std::make_exception_ptr(kit::Error("The display is no longer available."));
    coordinator->startRecording(std::nullopt, std::nullopt);
    ASSERT_TRUE(waitUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(recorder->starts.back().displayID, 7u);  // the display under the pointer
    EXPECT_FALSE(recorder->starts.back().area);
    EXPECT_FALSE(recorder->starts.back().microphone);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(errors[0], "Couldn't start recording: The display is no longer available.");

    emit recorder->stoppedBySystem(std::make_exception_ptr(kit::Error("The stream stopped.")));
    EXPECT_EQ(errors.back(), "Recording problem: The stream stopped.");
}

TEST_F(CaptureCoordinatorTest, TextCaptureCopiesRecognisedTextOrSaysWhyNot) {
    const auto recognise = [&](const std::string& text) {
        recognizer->text = text;
        coordinator->run(CaptureAction::text);
        emit overlay->finished(SelectionResult::area(kit::Rect::make(0, 0, 40, 20), 1));
    };
    recognise("Hello world");
    EXPECT_FALSE(overlay->begins[0].allowsWindowMode);
    ASSERT_TRUE(waitUntil([&] { return messages.size() == 1; }));
    EXPECT_EQ(progress.size(), 1u);
    EXPECT_EQ(copied, std::vector<std::string>{"Hello world"});
    EXPECT_TRUE(log.contains("coordinator", "text copied characters=11"));
    EXPECT_EQ(sounds->played, std::vector<kit::CaptureSound>{kit::CaptureSound::textCopied});
    EXPECT_TRUE(captured.empty());

    // Characters, not bytes: a precomposed and a combined accent count once. The recogniser
    // learns the display's pixels per point.
    recognise("caffè perche\u0301");
    ASSERT_TRUE(waitUntil([&] { return messages.size() == 2; }));
    EXPECT_TRUE(log.contains("coordinator", "text copied characters=12"));
    EXPECT_EQ(recognizer->pixelsPerPoint, 2.0);

    recognise("");
    ASSERT_TRUE(waitUntil([&] { return messages.size() == 3; }));
    EXPECT_EQ(messages[2], "No text found");
    EXPECT_EQ(copied.size(), 2u);
    recognizer->failure = std::make_exception_ptr(kit::Error("The recogniser failed."));
    recognise("");
    ASSERT_TRUE(waitUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors[0], "Couldn't read the text: The recogniser failed.");
    // A screen the overlay couldn't read is reported under the title of the flow it began.
    coordinator->run(CaptureAction::text);
    emit overlay->failed(std::make_exception_ptr(kit::Error("No portal.")));
    EXPECT_EQ(errors.back(), "Couldn't read the text: No portal.");
}

} // namespace
