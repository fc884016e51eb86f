// Recording tests share one X server (monitor A 1920x1080, monitor B 4400x1200 for the size
// clamp) and one sound server with a null sink. A child run (GLIMPO_RECORDING_CHILD set) uses its
// parent's.

#include <cstdlib>
#include <memory>

#include "NullSoundServer.h"
#include "XServerTestMain.h"

int main(int argc, char** argv) {
    const bool child = std::getenv("GLIMPO_RECORDING_CHILD") != nullptr;
    std::unique_ptr<NullSoundServer> sound;
    return runTestsOnXServer(argc, argv, {{"A", 0, 0, 1920, 1080}, {"B", 1920, 0, 4400, 1200}}, false, !child,
                             [&](XServer*) {
                                 if (!child) sound = std::make_unique<NullSoundServer>();
                             });
}
