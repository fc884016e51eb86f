// Recording tests share one X server (monitor A 1920x1080, monitor B 4400x1200 for the size
// clamp) and one sound server. A child run (GLIMPO_RECORDING_CHILD set) uses its parent's.

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "SoundServer.h"
#include "XServer.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    std::unique_ptr<XServer> x;
    std::unique_ptr<SoundServer> sound;
    if (!std::getenv("GLIMPO_RECORDING_CHILD")) {
        try {
            x = std::make_unique<XServer>(
                std::vector<XServer::Monitor>{{"A", 0, 0, 1920, 1080}, {"B", 1920, 0, 4400, 1200}}, false);
            qputenv("DISPLAY", x->display().toLocal8Bit());
            sound = std::make_unique<SoundServer>();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "recording tests need Xvfb and pulseaudio: %s\n", e.what());
            return 1;
        }
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("XDG_SESSION_TYPE", "x11");
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        result = RUN_ALL_TESTS();
    }
    return result;
}
