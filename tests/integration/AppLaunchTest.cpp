// Glimpo on a bare X server of its own: no tray, no window manager, and no desktop binding Print
// (the shared server's openbox binds it to scrot, as desktops do).

#include <gtest/gtest.h>

#include "ProcessHarness.h"
#include "XServer.h"
#include "app/base/SettingsStore.h"
#include "kit/HotKeyBindings.h"

TEST(AppLaunch, OnABareXServerWithoutTrayItLaunchesAndAStoredPrintShortcutFires) {
    XServer::require("xdotool");
    XServer x({{"A", 0, 0, 1280, 800}}, false);
    GlimpoProcessHome home;
    QDir(home.path("config")).mkpath("org.glimpo.Glimpo");
    SettingsStore((home.path("config") + "/org.glimpo.Glimpo/settings.json").toStdString())
        .setString("hotKeyOverrides", kit::HotKeyBindings::encode({{kit::CaptureAction::window,
                                                                    kit::HotKeyCombination{108, 0, "Print"}}}));
    GlimpoProcess glimpo(home);
    QProcessEnvironment env = home.environment();
    env.insert("DISPLAY", x.display());
    glimpo.process().setProcessEnvironment(env);
    glimpo.start();
    // The three default shortcuts and Print, alone: a key that stands on its own.
    ASSERT_TRUE(glimpo.waitForLog("shortcuts registered count=4 failed=0")) << glimpo.log().toStdString();
    ASSERT_TRUE(glimpo.waitForLog("launched")) << glimpo.log().toStdString();
    EXPECT_TRUE(glimpo.log().contains("tray unavailable")) << glimpo.log().toStdString();
    x.run("xdotool", {"key", "Print"});
    EXPECT_TRUE(glimpo.waitForLog("action=window")) << glimpo.log().toStdString();
}
