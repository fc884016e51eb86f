// Integration tests share one X server with two monitors side by side and openbox, started
// before the QApplication so the tests' own windows live on it too.

#include "XServerTestMain.h"

XServer* sharedXServer = nullptr;

int main(int argc, char** argv) {
    const int result = runTestsOnXServer(argc, argv, {{"A", 0, 0, 1920, 1080}, {"B", 1920, 0, 1920, 1080}}, true,
                                         true, [](XServer* server) { sharedXServer = server; });
    sharedXServer = nullptr;
    return result;
}
