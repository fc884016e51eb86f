// Integration tests share one X server with two monitors side by side and openbox, started
// before the QApplication so the tests' own windows live on it too.

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "XServer.h"

XServer* sharedXServer = nullptr;

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef GTEST_FLAG_GET
    const bool listing = GTEST_FLAG_GET(list_tests);
#else
    const bool listing = ::testing::GTEST_FLAG(list_tests);
#endif
    if (listing) return RUN_ALL_TESTS();
    std::unique_ptr<XServer> server;
    try {
        server = std::make_unique<XServer>(std::vector<XServer::Monitor>{{"A", 0, 0, 1920, 1080}, {"B", 1920, 0, 1920, 1080}});
    } catch (const std::exception& e) {
        std::fprintf(stderr, "integration tests need an X server: %s\n", e.what());
        return 1;
    }
    sharedXServer = server.get();
    qputenv("DISPLAY", server->display().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("XDG_SESSION_TYPE", "x11");
    int result = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        result = RUN_ALL_TESTS();
    }
    sharedXServer = nullptr;
    return result;
}
