#pragma once
// A private X server for integration tests: Xvfb (kept from resetting when its last client
// leaves, so monitors set with xrandr stay), optional monitors and the openbox window manager.
// Everything started here is stopped by process id when the object goes.

#include <xcb/xcb.h>

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

class XServer {
public:
    struct Monitor {
        QString name;
        int x, y, width, height;
    };

    // The screen is the bounding box of the monitors (or width x height when none are given).
    explicit XServer(std::vector<Monitor> monitors = {{"A", 0, 0, 1920, 1080}}, bool windowManager = true) {
        require("Xvfb");
        require("xrandr");
        int width = 0, height = 0;
        for (const auto& m : monitors) {
            width = std::max(width, m.x + m.width);
            height = std::max(height, m.y + m.height);
        }
        xvfb_.setProcessChannelMode(QProcess::SeparateChannels);
        xvfb_.start("Xvfb", {"-displayfd", "1", "-screen", "0", QString("%1x%2x24").arg(width).arg(height),
                              "-noreset", "-nolisten", "tcp", "+extension", "RANDR"});
        if (!xvfb_.waitForStarted(5000)) throw std::runtime_error("Xvfb did not start");
        QByteArray number;
        const auto said = [&] {
            xvfb_.waitForReadyRead(100);
            number += xvfb_.readAllStandardOutput();
            return number.contains('\n');
        };
        if (!poll(said, 10000, 0)) throw std::runtime_error("Xvfb gave no display number");
        display_ = ":" + QString::fromLatin1(number.trimmed());

        for (std::size_t i = 0; monitors.size() > 1 && i < monitors.size(); ++i) {
            const Monitor& m = monitors[i];
            // Millimetres chosen for 96 dpi.
            const QString geometry = QString("%1/%2x%3/%4+%5+%6").arg(m.width).arg(m.width * 254 / 960).arg(m.height)
                                         .arg(m.height * 254 / 960).arg(m.x).arg(m.y);
            run("xrandr", {"--setmonitor", m.name, geometry, i == 0 ? "screen" : "none"});
        }
        if (windowManager) {
            require("openbox");
            openbox_.setProcessEnvironment(environment());
            openbox_.start("openbox", {"--sm-disable"});
            if (!openbox_.waitForStarted(5000)) throw std::runtime_error("openbox did not start");
            // openbox owns the WM selection once it answers _NET_SUPPORTING_WM_CHECK.
            poll([&] { return output("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id"); }, 5000, 50);
            // openbox announces itself before it has finished starting; windows mapped in that
            // moment are sometimes left unmanaged. Ready once a window mapped now gets its frame.
            if (!windowManagerFrames()) throw std::runtime_error("openbox did not manage a window");
        }
    }

    ~XServer() {
        stop(openbox_);
        stop(xvfb_);
    }

    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const QString& display() const { return display_; }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display_);
        env.remove("WAYLAND_DISPLAY");
        env.insert("XDG_SESSION_TYPE", "x11");
        env.insert("QT_QPA_PLATFORM", "xcb");
        return env;
    }

    // Runs a client of this server to its end; throws when it fails.
    void run(const QString& program, const QStringList& args) const {
        QString failure;
        output(program, args, &failure);
        if (!failure.isEmpty()) throw std::runtime_error(failure.toStdString());
    }

    // What a client of this server printed; `failure`, when given, says how it failed.
    QString output(const QString& program, const QStringList& args, QString* failure = nullptr) const {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(program, args);
        const bool ok = process.waitForFinished(15000) && process.exitStatus() == QProcess::NormalExit &&
                        process.exitCode() == 0;
        if (!ok && failure)
            *failure = program + " " + args.join(' ') + " failed: " + QString::fromUtf8(process.readAllStandardError());
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    // A tool the test needs and the machine lacks fails the test loudly.
    static void require(const QString& program) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            throw std::runtime_error(("required tool missing: " + program + " (run scripts/install-deps)").toStdString());
    }

    // Whether `done` holds within `ms`, looked at every `step` ms; it needs no event loop.
    static bool poll(const std::function<bool()>& done, int ms, int step = 5) {
        const QDeadlineTimer deadline(ms);
        while (!done() && !deadline.hasExpired()) QThread::msleep(step);
        return done();
    }

    // Ends a process a test started: asked first, killed when it does not go.
    static void stop(QProcess& process) {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }

private:
    // Maps throwaway windows until the window manager frames one.
    bool windowManagerFrames() const {
        xcb_connection_t* c = xcb_connect(display_.toLocal8Bit().constData(), nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        const char name[] = "_NET_FRAME_EXTENTS";
        auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr);
        bool framed = false;
        for (int attempt = 0; attempt < 10 && atom && !framed; ++attempt) {
            const xcb_window_t probe = xcb_generate_id(c);
            xcb_create_window(c, XCB_COPY_FROM_PARENT, probe, screen->root, 0, 0, 10, 10, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
            xcb_map_window(c, probe);
            framed = poll([&] {
                auto* reply = xcb_get_property_reply(
                    c, xcb_get_property(c, 0, probe, atom->atom, XCB_ATOM_ANY, 0, 4), nullptr);
                const bool has = reply && reply->type != XCB_ATOM_NONE;
                std::free(reply);
                return has;
            }, 500, 10);
            xcb_destroy_window(c, probe);
        }
        std::free(atom);
        xcb_disconnect(c);
        return framed;
    }

    QProcess xvfb_;
    QProcess openbox_;
    QString display_;
};
