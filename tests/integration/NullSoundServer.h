#pragma once
// A private PulseAudio daemon with one null sink ("glimpo_test", the default sink; its monitor is
// the default source), reached through PULSE_SERVER and stopped by process id when the object goes.

#include <QProcess>
#include <QTemporaryDir>

#include <stdexcept>

#include "XServer.h"

class NullSoundServer {
public:
    NullSoundServer() {
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
        const auto answers = [] {
            QProcess info;
            info.start("pactl", {"info"});
            return info.waitForFinished(3000) && info.exitCode() == 0;
        };
        if (!XServer::poll(answers, 10000, 50)) throw std::runtime_error("pulseaudio did not answer");
    }

    ~NullSoundServer() { XServer::stop(daemon_); }

    NullSoundServer(const NullSoundServer&) = delete;
    NullSoundServer& operator=(const NullSoundServer&) = delete;

private:
    QTemporaryDir folder_;
    QProcess daemon_;
};
