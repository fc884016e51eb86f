#pragma once
// A real PipeWire daemon (with WirePlumber to link the nodes) on a private session bus that starts
// no services, and a test stream standing in for the compositor's screencast: a white top-left
// quarter that never changes and a rest that changes between black and grey every frame.

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <thread>

#include "tests/app/TestSupport.h"

namespace pipewiretest {

using namespace std::chrono_literals;

using testsupport::waitUntil;

// dbus-daemon, pipewire and wireplumber (which wants a session bus) in a runtime folder of their
// own, stopped by process id.
class PipeWireDaemon {
public:
    PipeWireDaemon() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir_.path());
        env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress());
        qputenv("XDG_RUNTIME_DIR", dir_.path().toLocal8Bit());
        // A bus that starts no services: the system's own portal must not take the test's place.
        QFile config(dir_.filePath("bus.conf"));
        if (!config.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write the bus configuration");
        config.write("<busconfig><type>session</type><listen>" + busAddress().toUtf8() +
                     "</listen><policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
        config.close();
        bus_.setProcessEnvironment(env);
        bus_.setStandardOutputFile(QProcess::nullDevice());
        bus_.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork"});
        if (!bus_.waitForStarted(5000)) throw std::runtime_error("dbus-daemon did not start");
        if (!waitUntil([&] { return QFile::exists(dir_.filePath("bus")); }, 10000)) throw std::runtime_error("no session bus");
        for (QProcess* p : {&pipewire_, &wireplumber_}) {
            p->setProcessEnvironment(env);
            p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            p->setStandardOutputFile(QProcess::nullDevice());
        }
        pipewire_.start("pipewire", {});
        if (!pipewire_.waitForStarted(5000)) throw std::runtime_error("pipewire did not start (install pipewire)");
        if (!waitUntil([&] { return QFile::exists(socket()); }, 10000)) throw std::runtime_error("pipewire made no socket");
        wireplumber_.start("wireplumber", {});
        if (!wireplumber_.waitForStarted(5000)) throw std::runtime_error("wireplumber did not start");
    }
    ~PipeWireDaemon() {
        for (QProcess* p : {&wireplumber_, &pipewire_, &bus_}) {
            p->terminate();
            if (!p->waitForFinished(3000)) p->kill();
            p->waitForFinished(3000);
        }
    }
    QString socket() const { return dir_.filePath("pipewire-0"); }
    QString busAddress() const { return "unix:path=" + dir_.filePath("bus"); }
    // A connection to the daemon, as the portal hands one over.
    int connect() const {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socket().toLocal8Bit().constData(), sizeof(address.sun_path) - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) < 0) {
            ::close(fd);
            throw std::runtime_error("cannot connect to pipewire");
        }
        return fd;
    }

private:
    QTemporaryDir dir_;
    QProcess bus_;
    QProcess pipewire_;
    QProcess wireplumber_;
};

// A 320x240 BGRx video source.
class TestScreen {
public:
    static constexpr int width = 320, height = 240;

    TestScreen() {
        pw_init(nullptr, nullptr);
        loop_ = pw_thread_loop_new("test-screen", nullptr);
        pw_thread_loop_start(loop_);
        pw_thread_loop_lock(loop_);
        events_.version = PW_VERSION_STREAM_EVENTS;
        events_.process = [](void* data) { static_cast<TestScreen*>(data)->fill(); };
        events_.param_changed = [](void* data, std::uint32_t id, const spa_pod* param) {
            if (id != SPA_PARAM_Format || !param) return;
            std::uint8_t buffer[256];
            spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
            const spa_pod* params[1] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
                &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
                SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1), SPA_PARAM_BUFFERS_size,
                SPA_POD_Int(width * height * 4), SPA_PARAM_BUFFERS_stride, SPA_POD_Int(width * 4),
                SPA_PARAM_BUFFERS_dataType, SPA_POD_CHOICE_FLAGS_Int(1 << SPA_DATA_MemFd)))};
            pw_stream_update_params(static_cast<TestScreen*>(data)->stream_, params, 1);
        };
        stream_ = pw_stream_new_simple(pw_thread_loop_get_loop(loop_), "glimpo-test-screen",
                                       pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", nullptr), &events_, this);
        std::uint8_t buffer[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_rectangle size = SPA_RECTANGLE(width, height);
        const spa_fraction rate = SPA_FRACTION(30, 1);
        const spa_pod* params[1] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
            SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
            SPA_FORMAT_VIDEO_format, SPA_POD_Id(SPA_VIDEO_FORMAT_BGRx), SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&size),
            SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&rate)))};
        pw_stream_connect(stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY,
                          static_cast<pw_stream_flags>(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS),
                          params, 1);
        pw_thread_loop_unlock(loop_);
        if (!waitUntil([&] { return node() != SPA_ID_INVALID; }, 10000)) throw std::runtime_error("the test screen has no node");
        // A driver runs when it is told to: thirty times a second.
        ticker_ = std::thread([this] {
            while (!stopping_) {
                pw_thread_loop_lock(loop_);
                pw_stream_trigger_process(stream_);
                pw_thread_loop_unlock(loop_);
                std::this_thread::sleep_for(33ms);
            }
        });
    }
    ~TestScreen() {
        stopping_ = true;
        ticker_.join();
        pw_thread_loop_stop(loop_);
        pw_stream_destroy(stream_);
        pw_thread_loop_destroy(loop_);
    }
    std::uint32_t node() {
        pw_thread_loop_lock(loop_);
        const std::uint32_t id = pw_stream_get_node_id(stream_);
        pw_thread_loop_unlock(loop_);
        return id;
    }

private:
    void fill() {
        pw_buffer* b = pw_stream_dequeue_buffer(stream_);
        if (!b) return;
        spa_data& d = b->buffer->datas[0];
        if (d.data && d.maxsize >= std::uint32_t(width * height * 4)) {
            const std::uint8_t rest = (frame_++ % 2) ? 128 : 0;
            auto* pixels = static_cast<std::uint8_t*>(d.data);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t v = (x < width / 2 && y < height / 2) ? 255 : rest;
                    std::memset(pixels + (y * width + x) * 4, v, 4);
                }
            d.chunk->offset = 0;
            d.chunk->stride = width * 4;
            d.chunk->size = width * height * 4;
        }
        pw_stream_queue_buffer(stream_, b);
    }

    pw_thread_loop* loop_ = nullptr;
    pw_stream* stream_ = nullptr;
    pw_stream_events events_{};
    std::thread ticker_;
    std::atomic<bool> stopping_{false};
    int frame_ = 0;
};

} // namespace pipewiretest
