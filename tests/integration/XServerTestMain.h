#pragma once
// The main of a test executable whose tests live on a private X server: listing the tests needs
// no server; a run starts one, points Qt and every child at it and runs the tests inside a
// QApplication.

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>

#include "XServer.h"

// `startServer` false keeps the DISPLAY the process was given (a child run of its parent's
// server). `prepare` starts what else the tests need once the server is up.
inline int runTestsOnXServer(int argc, char** argv, std::vector<XServer::Monitor> monitors, bool windowManager,
                             bool startServer = true, const std::function<void(XServer*)>& prepare = {}) {
    ::testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    std::unique_ptr<XServer> server;
    try {
        if (startServer) {
            server = std::make_unique<XServer>(std::move(monitors), windowManager);
            qputenv("DISPLAY", server->display().toLocal8Bit());
        }
        if (prepare) prepare(server.get());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "these tests need an X server and the tools they start: %s\n", e.what());
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("WAYLAND_DISPLAY");
    qputenv("XDG_SESSION_TYPE", "x11");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
