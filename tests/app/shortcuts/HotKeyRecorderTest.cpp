#include "app/shortcuts/HotKeyRecorder.h"

#include "app/base/AppSettings.h"
#include "app/base/GlimpoUIState.h"
#include "app/shortcuts/HotKeyCapture.h"
#include "tests/app/TestSupport.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>

using kit::CaptureAction;
using kit::HotKeyCombination;

namespace {

// X key codes of a US keyboard, and what its keys type.
class FakeKeyboard : public platform::x11::KeyboardLayout {
public:
    std::map<std::uint32_t, std::uint32_t> keys{{38, 0}, {56, 11}, {9, 53}, {13, 21}, {36, 36}};
    std::map<std::uint32_t, std::string> texts{{0, "A"}, {11, "B"}, {21, "4"}};

    std::optional<std::uint32_t> keyCode(std::uint32_t scanCode) const override {
        const auto found = keys.find(scanCode);
        return found != keys.end() ? std::optional(found->second) : std::nullopt;
    }
    std::string layoutText(std::uint32_t keyCode) const override {
        const auto found = texts.find(keyCode);
        return found != texts.end() ? found->second : std::string();
    }
};

constexpr std::uint32_t scanA = 38, scanB = 56, scanEscape = 9, scan4 = 13;

bool recorderOpen() { return GlimpoUIState::shared().openSurfaces().count("shortcutRecorder") > 0; }

class HotKeyRecorderTest : public testing::Test {
protected:
    void SetUp() override {
        settings = std::make_unique<AppSettings>(std::make_unique<SettingsStore>(dir / "settings.json"));
        recorder = makeRecorder(CaptureAction::area);
        recorder->show();
    }

    std::unique_ptr<HotKeyRecorder> makeRecorder(CaptureAction action) {
        auto made = std::make_unique<HotKeyRecorder>(*settings, action, keyboard);
        QObject::connect(made.get(), &HotKeyRecorder::changed, [this] { ++changes; });
        return made;
    }

    // A key press as X delivers it: the key's scan code, with Qt's key and modifiers.
    static void pressOn(QObject* target, std::uint32_t scanCode, int key, Qt::KeyboardModifiers modifiers = {}) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, scanCode, 0, 0);
        QCoreApplication::sendEvent(target, &event);
    }
    void press(std::uint32_t scanCode, int key, Qt::KeyboardModifiers modifiers = {}) {
        pressOn(recorder->recordButton(), scanCode, key, modifiers);
    }
    std::optional<HotKeyCombination> overrideFor(CaptureAction action) {
        const auto& overrides = settings->hotKeyOverrides();
        const auto found = overrides.find(action);
        if (found == overrides.end()) return std::nullopt;
        return found->second;
    }

    testsupport::TempDir dir;
    std::shared_ptr<FakeKeyboard> keyboard = std::make_shared<FakeKeyboard>();
    std::unique_ptr<AppSettings> settings;
    int changes = 0;
    std::unique_ptr<HotKeyRecorder> recorder;
};

TEST_F(HotKeyRecorderTest, RecordsAShortcutIntoTheSettings) {
    recorder->recordButton()->click();
    EXPECT_TRUE(recorderOpen());
    // Modifiers on their way to the shortcut are no refusal.
    press(0, Qt::Key_Super_L, Qt::ShiftModifier | Qt::MetaModifier);
    EXPECT_FALSE(recorder->capture().hint());
    press(scanA, Qt::Key_A, Qt::ShiftModifier | Qt::MetaModifier);
    EXPECT_EQ(recorder->recordButton()->text().toStdString(), "Shift+Super+A");
    EXPECT_FALSE(recorder->capture().isRecording());
    EXPECT_FALSE(recorderOpen());
    EXPECT_EQ(overrideFor(CaptureAction::area), (HotKeyCombination{0, 768, "A"}));
    EXPECT_EQ(changes, 1);
}

TEST_F(HotKeyRecorderTest, ARefusedPressShowsTheHintAndKeepsListening) {
    QLineEdit field;
    field.show();
    recorder->recordButton()->click();

    pressOn(&field, scanA, Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(recorder->capture().hint(), "Include Super or Ctrl in the shortcut.");
    EXPECT_TRUE(recorder->capture().isRecording());
    ASSERT_TRUE(testsupport::waitUntil([&] { return recorder->hintLabel()->isVisible(); }));
    // Nothing reached the field.
    EXPECT_TRUE(field.text().isEmpty());

    press(scanB, Qt::Key_B, Qt::MetaModifier);
    EXPECT_FALSE(recorder->capture().isRecording());
    ASSERT_TRUE(testsupport::waitUntil([&] { return !recorder->hintLabel()->isVisible(); }));
}

TEST_F(HotKeyRecorderTest, EscapeOrASecondClickStopsWithoutAChangeAndRemovingUnbinds) {
    recorder->recordButton()->click();
    press(scanA, Qt::Key_A);
    ASSERT_TRUE(recorder->capture().hint());
    press(scanEscape, Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_FALSE(recorder->capture().isRecording());
    EXPECT_FALSE(recorder->capture().hint());
    EXPECT_FALSE(recorderOpen());

    recorder->recordButton()->click();
    press(scanA, Qt::Key_A);
    recorder->recordButton()->click();
    EXPECT_FALSE(recorder->capture().isRecording());
    // The button leaves the hint to the next press.
    EXPECT_TRUE(recorder->capture().hint());
    EXPECT_TRUE(settings->hotKeyOverrides().empty());
    EXPECT_EQ(changes, 0);

    // Removed is explicitly unbound, not back to the default.
    recorder->removeButton()->click();
    EXPECT_FALSE(recorder->removeButton()->isVisible());
    ASSERT_TRUE(settings->hotKeyOverrides().contains(CaptureAction::area));
    EXPECT_FALSE(overrideFor(CaptureAction::area));
    EXPECT_EQ(changes, 1);
}

TEST_F(HotKeyRecorderTest, AShortcutAnotherActionHasIsOfferedToMoveOrToKeepListening) {
    auto recording = makeRecorder(CaptureAction::recording);
    recording->show();
    const auto pressShiftSuper4 = [&] {
        recording->recordButton()->click();
        pressOn(recording->recordButton(), scan4, Qt::Key_4, Qt::ShiftModifier | Qt::MetaModifier);
    };
    const auto offered = [&] { return recording->moveButton()->isVisible() && recording->keepListeningButton()->isVisible(); };
    pressShiftSuper4();
    EXPECT_EQ(recording->hintLabel()->text().toStdString(), "Already used by Capture Area.");
    ASSERT_TRUE(testsupport::waitUntil(offered));
    EXPECT_FALSE(recording->capture().isRecording());
    EXPECT_TRUE(settings->hotKeyOverrides().empty());

    recording->keepListeningButton()->click();
    EXPECT_TRUE(recording->capture().isRecording());
    EXPECT_FALSE(offered());
    recording->recordButton()->click();

    pressShiftSuper4();
    recording->moveButton()->click();
    EXPECT_EQ(overrideFor(CaptureAction::recording), (HotKeyCombination{21, 768, "4"}));
    ASSERT_TRUE(settings->hotKeyOverrides().contains(CaptureAction::area));
    EXPECT_FALSE(overrideFor(CaptureAction::area));
    EXPECT_EQ(recording->recordButton()->text().toStdString(), "Shift+Super+4");
    EXPECT_FALSE(recording->hintLabel()->isVisible());
    EXPECT_EQ(changes, 1);
}

TEST_F(HotKeyRecorderTest, OneRecorderListensAtATimeAndHidingStopsIt) {
    auto text = makeRecorder(CaptureAction::text);
    text->show();
    recorder->recordButton()->click();
    text->recordButton()->click();
    EXPECT_FALSE(recorder->capture().isRecording());
    EXPECT_TRUE(text->capture().isRecording());
    EXPECT_TRUE(recorderOpen());

    press(scanB, Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(overrideFor(CaptureAction::text), (HotKeyCombination{11, HotKeyCombination::control, "B"}));
    EXPECT_FALSE(settings->hotKeyOverrides().contains(CaptureAction::area));

    text->recordButton()->click();
    text->hide();
    EXPECT_FALSE(text->capture().isRecording());

    // A recorder destroyed while listening leaves no surface behind.
    recorder->recordButton()->click();
    recorder.reset();
    EXPECT_FALSE(recorderOpen());
}

} // namespace
