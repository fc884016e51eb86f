// The settings window of the running program, driven with real input on the shared X server:
// its shortcut recorder receives combinations that Glimpo itself holds globally.

#include <gtest/gtest.h>

#include "CaptureTestSupport.h"
#include "ProcessHarness.h"
#include "app/base/SettingsStore.h"
#include "kit/HotKeyBindings.h"

namespace {

std::filesystem::path settingsFile(const GlimpoProcessHome& home) {
    return (home.path("config") + "/org.glimpo.Glimpo/settings.json").toStdString();
}

} // namespace

TEST(SetupWindows, TheRecorderGetsACombinationGlimpoHoldsAndTheKeyWorksAgainAfterwards) {
    XServer::require("xdotool");
    GlimpoProcessHome home;
    {
        SettingsStore store(settingsFile(home));
        store.setBool("welcomeShown", true);
    }
    GlimpoProcess glimpo(home);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("shortcuts registered count=3 failed=0")) << glimpo.log().toStdString();
    // Launched again, Glimpo opens its settings (the handover itself is the command-line test's).
    GlimpoProcess again(home);
    again.start();
    ASSERT_TRUE(again.process().waitForFinished(10000));
    QString settings;
    ASSERT_TRUE(capturetest::waitUntil(
        [&] { return !(settings = capturetest::windowNamed("^Glimpo Settings$")).isEmpty(); }, 10000))
        << glimpo.log().toStdString();
    capturetest::xdotool({"windowactivate", "--sync", settings});

    // Choose…, seconds, sounds, login, the area shortcut and its remove button: then full screen's.
    capturetest::xdotool({"key", "Tab", "Tab", "Tab", "Tab", "Tab", "Tab", "space"});
    ASSERT_TRUE(glimpo.waitForLog("shortcuts registered count=0 failed=0")) << glimpo.log().toStdString();
    capturetest::xdotool({"key", "shift+super+3"});
    // Listening ends with the press, and the keys come back.
    ASSERT_TRUE(capturetest::waitUntil(
        [&] { return glimpo.log().count("shortcuts registered count=3 failed=0") == 2; }, 5000))
        << glimpo.log().toStdString();
    const auto overrides =
        kit::HotKeyBindings::decode(SettingsStore(settingsFile(home)).stringValue("hotKeyOverrides").value_or("{}"));
    ASSERT_TRUE(overrides.contains(kit::CaptureAction::fullscreen)) << glimpo.log().toStdString();
    EXPECT_EQ(overrides.at(kit::CaptureAction::fullscreen)->displayString(), "⇧⌘3");
    EXPECT_FALSE(glimpo.log().contains("action=fullscreen")) << glimpo.log().toStdString();

    capturetest::xdotool({"key", "shift+super+3"});
    ASSERT_TRUE(glimpo.waitForLog("stored capture file=")) << glimpo.log().toStdString();
    // With sounds on and perhaps no sound device: never the sound library's complaints.
    EXPECT_FALSE(glimpo.log().contains("ALSA lib")) << glimpo.log().toStdString();
}
