// Recording tests share one X server (monitor A 1920x1080, monitor B 4400x1200 for the size
// clamp) and one sound server: a private PulseAudio daemon with one null sink ("glimpo_test", the
// default sink; its monitor is the default source), reached through PULSE_SERVER, stopped by
// process id. A child run (GLIMPO_RECORDING_CHILD set) uses its parent's.

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "XServerTestMain.h"

namespace {

class SoundServer {
public:
    SoundServer() {
        XServer::require("pulseaudio");
        XServer::require("pactl");
        if (!folder_.isValid()) throw std::runtime_error("no temporary folder for the sound server");
        const QString socket = folder_.filePath("native");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PULSE_RUNTIME_PATH", folder_.path());
        env.insert("PULSE_STATE_PATH", folder_.path());
        env.insert("HOME", folder_.path());
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        daemon_.setProcessEnvironment(env);
        daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        daemon_.start("pulseaudio", {"--daemonize=no", "-n", "--exit-idle-time=-1", "--use-pid-file=no",
                                     "--log-level=error", "--disable-shm=yes", "-L", "module-null-sink sink_name=glimpo_test rate=48000",
                                     "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket});
        if (!daemon_.waitForStarted(5000)) throw std::runtime_error("pulseaudio did not start");
        qputenv("PULSE_SERVER", ("unix:" + socket).toLocal8Bit());
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 10000) {
            QProcess info;
            info.start("pactl", {"info"});
            if (info.waitForFinished(3000) && info.exitCode() == 0) return;
            QThread::msleep(50);
        }
        throw std::runtime_error("pulseaudio did not answer");
    }

    ~SoundServer() {
        daemon_.terminate();
        if (!daemon_.waitForFinished(3000)) {
            daemon_.kill();
            daemon_.waitForFinished(3000);
        }
    }

private:
    QTemporaryDir folder_;
    QProcess daemon_;
};

} // namespace

int main(int argc, char** argv) {
    const bool child = std::getenv("GLIMPO_RECORDING_CHILD") != nullptr;
    std::unique_ptr<SoundServer> sound;
    return runTestsOnXServer(argc, argv, {{"A", 0, 0, 1920, 1080}, {"B", 1920, 0, 4400, 1200}}, false, !child,
                             [&](XServer*) {
                                 if (!child) sound = std::make_unique<SoundServer>();
                             });
}
