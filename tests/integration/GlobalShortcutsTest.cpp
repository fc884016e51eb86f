// Global shortcuts of the running program: real key presses from xdotool on the shared server.

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include "OtherXClient.h"
#include "ProcessHarness.h"
#include "XServer.h"
#include "app/base/SettingsStore.h"
#include "kit/HotKeyBindings.h"

extern XServer* sharedXServer;

namespace {

constexpr std::uint16_t shiftSuper = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_4;

void xdotool(const QStringList& args) { sharedXServer->run("xdotool", args); }

void pause(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

qsizetype linesWith(const QString& log, const QString& text) {
    return log.split('\n').filter(QRegularExpression(QRegularExpression::escape(text) + "$")).size();
}

// A settings file as an earlier run leaves it.
void storeSettings(const GlimpoProcessHome& home, const kit::HotKeyOverrides& overrides) {
    const std::filesystem::path folder = (home.path("config") + "/org.glimpo.Glimpo").toStdString();
    SettingsStore store(folder / "settings.json");
    store.setBool("welcomeShown", true);
    store.setString("hotKeyOverrides", kit::HotKeyBindings::encode(overrides));
}

TEST(GlobalShortcuts, PressesRunTheirActionOnceWithOrWithoutNumLockAndStoredShortcutsHold) {
    XServer::require("xdotool");
    GlimpoProcessHome home;
    // Full screen moved to Control+Shift+F by an earlier run.
    storeSettings(home, {{kit::CaptureAction::fullscreen,
                          kit::HotKeyCombination{3, kit::HotKeyCombination::control | kit::HotKeyCombination::shift, "F"}}});
    GlimpoProcess glimpo(home);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("shortcuts registered count=3 failed=0")) << glimpo.log().toStdString();

    // The old combination is free; the stored one runs the action.
    xdotool({"key", "shift+super+3"});
    xdotool({"key", "ctrl+shift+f"});
    ASSERT_TRUE(glimpo.waitForLog("action=fullscreen")) << glimpo.log().toStdString();

    xdotool({"key", "shift+super+4"});
    ASSERT_TRUE(glimpo.waitForLog("action=area")) << glimpo.log().toStdString();
    pause(500);
    EXPECT_EQ(linesWith(glimpo.log(), "action=fullscreen"), 1) << glimpo.log().toStdString();
    EXPECT_EQ(linesWith(glimpo.log(), "action=area"), 1) << glimpo.log().toStdString();
    // The selection, if one opens, holds the keyboard until it is cancelled.
    if (glimpo.waitForLog("overlay shown", 2000)) {
        xdotool({"key", "Escape"});
        pause(500);
    }

    xdotool({"key", "Num_Lock"});
    xdotool({"key", "shift+super+4"});
    pause(500);
    xdotool({"key", "Num_Lock"});
    EXPECT_EQ(linesWith(glimpo.log(), "action=area"), 2) << glimpo.log().toStdString();
}

TEST(GlobalShortcuts, AKeyHeldByAnotherClientIsReportedAndGlimpoRunsOn) {
    XServer::require("xdotool");
    OtherXClient other;
    ASSERT_EQ(other.grab(other.key(21), shiftSuper), 0);

    GlimpoProcessHome home;
    storeSettings(home, {});
    GlimpoProcess glimpo(home);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("shortcuts registered count=2 failed=1")) << glimpo.log().toStdString();
    EXPECT_TRUE(glimpo.log().contains("shortcut registration failed action=area status=-9878"));

    pause(500);
    ASSERT_EQ(glimpo.process().state(), QProcess::Running) << glimpo.log().toStdString();
    // The keys it did get work.
    xdotool({"key", "shift+super+5"});
    EXPECT_TRUE(glimpo.waitForLog("action=allInOne")) << glimpo.log().toStdString();
}

} // namespace
