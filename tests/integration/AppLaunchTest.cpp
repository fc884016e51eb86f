#include <gtest/gtest.h>

#include "ProcessHarness.h"
#include "XServer.h"

TEST(AppLaunch, OnABareXServerWithoutTrayItStillLaunches) {
    XServer x({{"A", 0, 0, 1280, 800}}, false);
    GlimpoProcessHome home;
    GlimpoProcess glimpo(home);
    QProcessEnvironment env = home.environment();
    env.insert("DISPLAY", x.display());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("WAYLAND_DISPLAY");
    glimpo.process().setProcessEnvironment(env);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("launched")) << glimpo.log().toStdString();
    EXPECT_TRUE(glimpo.log().contains("tray unavailable")) << glimpo.log().toStdString();
}
