#pragma once
// Runs build/glimpo as a real process in a private home, and reads its log from stderr.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "XServer.h"
#include "tests/app/TestSupport.h"

class GlimpoProcessHome {
public:
    GlimpoProcessHome() {
        for (const char* sub : {"home", "config", "cache", "runtime"}) QDir(dir_.path()).mkpath(sub);
        QFile::setPermissions(path("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QString path(const QString& sub) const { return dir_.path() + "/" + sub; }

    // A settings file as the user would have after the welcome window, silent.
    void writeQuietSettings() const {
        testsupport::writeFile(path("config").toStdString() + "/org.glimpo.Glimpo/settings.json",
                               R"({"welcomeShown": true, "playsShutterSound": false})");
    }

    // The captures stored so far, each in a folder of its own in the cache.
    QStringList captures() const {
        QStringList found;
        QDirIterator it(path("cache") + "/org.glimpo.Glimpo/Captures", {"Glimpo *.png"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) found << it.next();
        return found;
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", path("home"));
        env.insert("XDG_CONFIG_HOME", path("config"));
        env.insert("XDG_CACHE_HOME", path("cache"));
        env.insert("XDG_RUNTIME_DIR", path("runtime"));
        env.insert("GLIMPO_LOG_STDERR", "1");
        if (!env.contains("DISPLAY")) env.insert("QT_QPA_PLATFORM", "offscreen");
        return env;
    }

private:
    QTemporaryDir dir_;
};

class GlimpoProcess {
public:
    explicit GlimpoProcess(const GlimpoProcessHome& home) {
        process_.setProcessEnvironment(home.environment());
        process_.setProcessChannelMode(QProcess::SeparateChannels);
    }
    ~GlimpoProcess() { XServer::stop(process_); }

    void start() { process_.start(GLIMPO_BINARY, {}); }

    // Reads stderr until a line contains `text` or the time runs out; this process's own windows
    // keep painting meanwhile.
    bool waitForLog(const QString& text, int ms = 10000) {
        return testsupport::waitUntil([&] { return log().contains(text); }, ms);
    }

    QString log() {
        log_ += process_.readAllStandardError();
        return QString::fromUtf8(log_);
    }
    QProcess& process() { return process_; }

private:
    QProcess process_;
    QByteArray log_;
};

// Runs `glimpo OPTION` beside the running one, as a desktop shortcut would; it must hand the
// request over and leave.
inline void ask(const GlimpoProcessHome& home, const QString& option) {
    GlimpoProcess launch(home);
    launch.process().start(GLIMPO_BINARY, {option});
    ASSERT_TRUE(launch.process().waitForFinished(10000)) << option.toStdString();
    EXPECT_EQ(launch.process().exitCode(), 0) << option.toStdString() << launch.log().toStdString();
    EXPECT_FALSE(launch.log().contains("launched")) << option.toStdString() << " started a second Glimpo";
}
