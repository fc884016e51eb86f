#include "app/ui/AllInOneController.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QPushButton>

#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "app/base/AppSettings.h"
#include "app/base/GlimpoUIState.h"
#include "app/base/SettingsStore.h"
#include "app/core/CaptureCoordinator.h"
#include "app/storage/CaptureLibrary.h"
#include "app/storage/DiskFileSystem.h"
#include "app/ui/AllInOneBarView.h"
#include "app/ui/AllInOnePanel.h"
#include "app/ui/ModeButton.h"
#include "fakes/FakeServices.h"

namespace {

// Records the keys that reach it.
class KeyTarget : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
};

bool press(QWidget& target, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    return QCoreApplication::sendEvent(&target, &event);
}

class AllInOneControllerTest : public ::testing::Test {
protected:
    AllInOneControllerTest() {
        CaptureCoordinator::Services services;
        auto capturerOwned = std::make_unique<fakes::Capturer>();
        capturer = capturerOwned.get();
        services.capturer = std::move(capturerOwned);
        services.makeOverlay = [this](ScreenCaptureService&) {
            auto made = std::make_unique<fakes::Overlay>();
            overlay = made.get();
            return made;
        };
        auto recorderOwned = std::make_unique<fakes::Recorder>();
        recorder = recorderOwned.get();
        services.recorder = std::move(recorderOwned);
        services.recognizer = std::make_unique<fakes::Recognizer>();
        services.displays = std::make_unique<fakes::Displays>();
        services.microphoneStatus = [] { return MicrophoneAuthorization::authorized; };
        coordinator = std::make_unique<CaptureCoordinator>(settings, library, std::move(services));
        controller = std::make_unique<AllInOneController>(settings, *coordinator, nullptr);
    }

    AllInOneBarView& openBar() {
        if (!controller->isOpen()) controller->toggle();
        return *controller->view();
    }

    ModeButton& mode(const QString& title) {
        for (ModeButton* button : controller->view()->modeButtons())
            if (button->text() == title) return *button;
        throw std::runtime_error("no such mode");
    }

    std::string settingsFile() const {
        std::ifstream file(home / "settings.json");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    testsupport::TempDir home;
    AppSettings settings{std::make_unique<SettingsStore>(home / "settings.json")};
    CaptureLibrary library{settings, std::make_unique<DiskFileSystem>(), home / "cache"};
    fakes::Capturer* capturer = nullptr;
    fakes::Overlay* overlay = nullptr;
    fakes::Recorder* recorder = nullptr;
    std::unique_ptr<CaptureCoordinator> coordinator;
    std::unique_ptr<AllInOneController> controller;
};

TEST_F(AllInOneControllerTest, TheToggleOpensAndClosesTheBarAsAnOpenSurface) {
    AllInOneBarView& bar = openBar();
    EXPECT_TRUE(controller->panel()->isVisible());
    EXPECT_TRUE(GlimpoUIState::shared().openSurfaces().contains("allInOne"));
    std::vector<QString> titles;
    for (ModeButton* button : bar.modeButtons()) titles.push_back(button->text());
    EXPECT_EQ(titles, (std::vector<QString>{"Area", "Window", "Fullscreen", "Record", "Text"}));
    EXPECT_EQ(bar.closeButton()->toolTip(), "Close (Esc)");
    EXPECT_FALSE(bar.recordingOptions()->isVisible());

    controller->toggle();
    EXPECT_FALSE(controller->panel()->isVisible());
    EXPECT_FALSE(GlimpoUIState::shared().openSurfaces().contains("allInOne"));

    openBar().closeButton()->click();
    EXPECT_FALSE(controller->isOpen());
    EXPECT_FALSE(GlimpoUIState::shared().openSurfaces().contains("allInOne"));
}

TEST_F(AllInOneControllerTest, EscapeClosesTheBarAndIsSwallowedWhileOtherKeysPass) {
    KeyTarget other;
    openBar();
    EXPECT_TRUE(press(other, Qt::Key_A));
    EXPECT_TRUE(controller->isOpen());
    press(other, Qt::Key_Escape);
    EXPECT_FALSE(controller->isOpen());
    EXPECT_EQ(other.keys, (std::vector<int>{Qt::Key_A}));
    // Closed, the bar keeps its hands off Escape.
    press(other, Qt::Key_Escape);
    EXPECT_EQ(other.keys, (std::vector<int>{Qt::Key_A, Qt::Key_Escape}));
}

TEST_F(AllInOneControllerTest, EachModeClosesTheBarAndStartsItsFlow) {
    openBar();
    mode("Area").click();
    EXPECT_FALSE(controller->isOpen());
    ASSERT_TRUE(testsupport::waitUntil([&] { return overlay && overlay->begins.size() == 1; }));
    EXPECT_EQ(overlay->begins[0].mode, SelectionMode::area);
    EXPECT_TRUE(overlay->begins[0].allowsWindowMode);

    openBar();
    mode("Window").click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return overlay->begins.size() == 2; }));
    EXPECT_EQ(overlay->begins[1].mode, SelectionMode::window);

    openBar();
    mode("Text").click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return overlay->begins.size() == 3; }));
    EXPECT_EQ(overlay->begins[2].mode, SelectionMode::area);
    EXPECT_FALSE(overlay->begins[2].allowsWindowMode);

    openBar();
    mode("Fullscreen").click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !capturer->calls.empty(); }));
    EXPECT_EQ(capturer->calls[0].what, "display");
}

TEST_F(AllInOneControllerTest, RecordShowsTheOptionsAndStartRecordingRecordsAnAreaOrTheWholeDisplay) {
    AllInOneBarView& bar = openBar();
    ModeButton& record = mode("Record");
    record.click();
    EXPECT_TRUE(controller->isOpen());
    EXPECT_TRUE(record.isSelected());
    EXPECT_TRUE(bar.recordingOptions()->isVisible());
    EXPECT_TRUE(bar.areaSegment()->isChecked());
    EXPECT_TRUE(bar.startRecordingButton()->isDefault());

    // Return is the default button's key, from wherever the bar's focus is.
    press(*bar.microphoneToggle(), Qt::Key_Return);
    EXPECT_FALSE(controller->isOpen());
    ASSERT_TRUE(testsupport::waitUntil([&] { return overlay && overlay->begins.size() == 1; }));
    EXPECT_FALSE(overlay->begins[0].allowsWindowMode);
    overlay->finish(SelectionResult::area(kit::Rect::make(10, 20, 300, 200), 4));
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder->starts.size() == 1; }));
    EXPECT_EQ(recorder->starts[0].area, kit::Rect::make(10, 20, 300, 200));
    EXPECT_EQ(recorder->starts[0].displayID, 4u);
    coordinator->stopRecordingNow();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !recorder->elapsed(); }));

    // The choices survive closing: reopened, the options still show.
    AllInOneBarView& again = openBar();
    EXPECT_TRUE(again.recordingOptions()->isVisible());
    again.fullscreenSegment()->click();
    again.startRecordingButton()->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder->starts.size() == 2; }));
    EXPECT_FALSE(recorder->starts[1].area);
    EXPECT_EQ(recorder->starts[1].displayID, 7u);
    EXPECT_EQ(overlay->begins.size(), 1u);

    openBar();
    record.click();
    EXPECT_FALSE(record.isSelected());
    EXPECT_FALSE(again.recordingOptions()->isVisible());
}

TEST_F(AllInOneControllerTest, TheAudioTogglesAreTheSettingsStoredAtOnce) {
    AllInOneBarView& bar = openBar();
    mode("Record").click();
    EXPECT_FALSE(bar.microphoneToggle()->isChecked());
    bar.microphoneToggle()->click();
    EXPECT_TRUE(settings.recordMicrophone());
    EXPECT_NE(settingsFile().find("\"recordMicrophone\": true"), std::string::npos) << settingsFile();
    bar.systemAudioToggle()->click();
    EXPECT_TRUE(settings.recordSystemAudio());
    EXPECT_NE(settingsFile().find("\"recordSystemAudio\": true"), std::string::npos) << settingsFile();

    // A change made elsewhere shows in the bar.
    settings.setRecordSystemAudio(false);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !bar.systemAudioToggle()->isChecked(); }));
}

} // namespace
