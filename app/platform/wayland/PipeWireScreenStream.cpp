#include "app/platform/wayland/PipeWireScreenStream.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/param/video/type-info.h>

#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>

#include "app/base/Log.h"
#include "kit/Error.h"

namespace platform::wayland {

namespace {

std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

AVPixelFormat pixelFormat(spa_video_format format) {
    switch (format) {
    case SPA_VIDEO_FORMAT_BGRx:
    case SPA_VIDEO_FORMAT_BGRA: return AV_PIX_FMT_BGR0;
    case SPA_VIDEO_FORMAT_RGBx:
    case SPA_VIDEO_FORMAT_RGBA: return AV_PIX_FMT_RGB0;
    case SPA_VIDEO_FORMAT_xBGR:
    case SPA_VIDEO_FORMAT_ABGR: return AV_PIX_FMT_0BGR;
    case SPA_VIDEO_FORMAT_xRGB:
    case SPA_VIDEO_FORMAT_ARGB: return AV_PIX_FMT_0RGB;
    default: return AV_PIX_FMT_NONE;
    }
}

// How long the compositor may take to agree on a format and send the stream going.
constexpr auto startLimit = std::chrono::seconds(5);
std::string text(const char* source) {
    return QCoreApplication::translate("PipeWireScreenStream", source).toStdString();
}

std::string text(const char* source, const std::string& detail) {
    return QCoreApplication::translate("PipeWireScreenStream", source).arg(QString::fromStdString(detail)).toStdString();
}

const char* const streamEnded = QT_TRANSLATE_NOOP("PipeWireScreenStream", "The shared screen is no longer available.");

// The compositor sends nothing while the screen is still; the last picture is handed over again
// twice a second, as on X11: players and seeking need one now and then, and a movie cut short by
// a crash then lacks at most the last second.
constexpr std::int64_t keepAlive = 500'000'000;

} // namespace

struct PipeWireScreenStream::Reader {
    Configuration configuration;
    Source source;
    pw_thread_loop* loop = nullptr;
    pw_context* context = nullptr;
    pw_core* core = nullptr;
    pw_stream* stream = nullptr;
    spa_hook streamListener{};
    spa_video_info_raw format{};
    AVPixelFormat inputFormat = AV_PIX_FMT_NONE;
    SwsContext* scaler = nullptr;
    pw_stream_state state = PW_STREAM_STATE_UNCONNECTED;
    std::string error;
    bool stopping = false;
    bool stopReported = false;
    std::atomic<std::shared_ptr<const std::vector<QRect>>> excluded{std::make_shared<const std::vector<QRect>>()};
    spa_source* repeater = nullptr;
    AVFrame* last = nullptr;
    FrameHandler onFrame;
    PictureHandler onPicture;
    StopHandler onStopped;
    Logger log{"recording"};

    ~Reader() {
        if (loop) pw_thread_loop_stop(loop);
        if (loop && repeater) pw_loop_destroy_source(pw_thread_loop_get_loop(loop), repeater);
        av_frame_free(&last);
        if (stream) pw_stream_destroy(stream);
        if (core) pw_core_disconnect(core);
        if (context) pw_context_destroy(context);
        if (loop) pw_thread_loop_destroy(loop);
        if (source.fd >= 0) close(source.fd);
        if (scaler) sws_freeContext(scaler);
    }

    // On PipeWire's thread from here on.
    static void stateChanged(void* data, pw_stream_state, pw_stream_state state, const char* message) {
        auto& r = *static_cast<Reader*>(data);
        r.state = state;
        if (state == PW_STREAM_STATE_ERROR && message) r.error = message;
        if ((state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED) && !r.stopping && r.delivering())
            r.reportStop(r.error.empty() ? text(streamEnded)
                                         : text(QT_TRANSLATE_NOOP("PipeWireScreenStream", "The shared screen stopped: %1."), r.error));
        pw_thread_loop_signal(r.loop, false);
    }

    static void paramChanged(void* data, std::uint32_t id, const spa_pod* param) {
        auto& r = *static_cast<Reader*>(data);
        if (!param || id != SPA_PARAM_Format) return;
        spa_video_info_raw format{};
        if (spa_format_video_raw_parse(param, &format) < 0) return;
        r.format = format;
        r.inputFormat = pixelFormat(format.format);
        std::uint8_t buffer[256];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
        const spa_pod* params[1];
        params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
            SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
        pw_stream_update_params(r.stream, params, 1);
    }

    static void process(void* data) {
        auto& r = *static_cast<Reader*>(data);
        pw_buffer* buffer = pw_stream_dequeue_buffer(r.stream);
        if (!buffer) return;
        // Only the newest picture matters.
        while (pw_buffer* newer = pw_stream_dequeue_buffer(r.stream)) {
            pw_stream_queue_buffer(r.stream, buffer);
            buffer = newer;
        }
        const spa_data& d = buffer->buffer->datas[0];
        if (d.data && d.chunk && d.chunk->size > 0 && !(d.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED))
            r.deliver(static_cast<const std::uint8_t*>(d.data) + d.chunk->offset, d.chunk->stride);
        pw_stream_queue_buffer(r.stream, buffer);
    }

    bool delivering() const { return onFrame || onPicture; }

    // Frames that would show Glimpo's own windows are held back: the movie keeps its last clean
    // picture.
    bool covered() const {
        for (const QRect& own : *excluded.load())
            if (own.intersects(configuration.sourceRect)) return true;
        return false;
    }

    static void repeat(void* data, std::uint64_t) {
        auto& r = *static_cast<Reader*>(data);
        if (r.stopping || !r.last || !r.onFrame || r.covered()) return;
        if (AVFrame* again = av_frame_clone(r.last)) r.handOver(again, monotonicNanoseconds());
    }

    void handOver(AVFrame* picture, std::int64_t now) {
        // The next repeat comes a keep-alive after this picture, and after each repeat.
        timespec after{0, keepAlive};
        if (repeater) pw_loop_update_timer(pw_thread_loop_get_loop(loop), repeater, &after, &after, false);
        onFrame(StreamFrame{kit::MediaTime::fromNanoseconds(now), StreamFrame::Status::complete, picture});
    }

    void deliver(const std::uint8_t* pixels, int stride) {
        if (stopping || inputFormat == AV_PIX_FMT_NONE || !delivering()) return;
        const std::int64_t now = monotonicNanoseconds();
        const QRect wanted = configuration.sourceRect;
        if (onPicture) {
            deliverPicture(pixels, stride);
            return;
        }
        if (covered())
            return onFrame(StreamFrame{kit::MediaTime::fromNanoseconds(now), StreamFrame::Status::held, nullptr});
        const double sx = double(format.size.width) / source.area.width();
        const double sy = double(format.size.height) / source.area.height();
        const QRect crop = QRect(int((wanted.x() - source.area.x()) * sx), int((wanted.y() - source.area.y()) * sy),
                                 int(wanted.width() * sx), int(wanted.height() * sy))
                               .intersected(QRect(0, 0, int(format.size.width), int(format.size.height)));
        if (crop.isEmpty()) return;
        const int width = int(configuration.size.width), height = int(configuration.size.height);
        scaler = sws_getCachedContext(scaler, crop.width(), crop.height(), inputFormat, width, height,
                                      AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (!scaler) return;
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(scaler, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
        AVFrame* picture = av_frame_alloc();
        if (!picture) return;
        picture->format = AV_PIX_FMT_YUV420P;
        picture->width = width;
        picture->height = height;
        if (av_frame_get_buffer(picture, 32) < 0) {
            av_frame_free(&picture);
            return;
        }
        const std::uint8_t* planes[1] = {pixels + std::size_t(crop.y()) * stride + std::size_t(crop.x()) * 4};
        const int strides[1] = {stride};
        sws_scale(scaler, planes, strides, 0, crop.height(), picture->data, picture->linesize);
        av_frame_free(&last);
        last = av_frame_clone(picture);
        handOver(picture, now);
    }

    // The source rectangle in the stream's own pixels, copied as 0xffRRGGBB words.
    void deliverPicture(const std::uint8_t* pixels, int stride) {
        const QRect wanted = configuration.sourceRect;
        const double sx = double(format.size.width) / source.area.width();
        const double sy = double(format.size.height) / source.area.height();
        const QRect crop = QRect(int(std::lround((wanted.x() - source.area.x()) * sx)),
                                 int(std::lround((wanted.y() - source.area.y()) * sy)), int(std::lround(wanted.width() * sx)),
                                 int(std::lround(wanted.height() * sy)))
                               .intersected(QRect(0, 0, int(format.size.width), int(format.size.height)));
        if (crop.isEmpty()) return;
        QImage picture(crop.size(), QImage::Format_RGB32);
        if (picture.isNull()) return;
        for (int y = 0; y < crop.height(); ++y) {
            const auto* from = pixels + std::size_t(crop.y() + y) * stride + std::size_t(crop.x()) * 4;
            auto* to = reinterpret_cast<std::uint32_t*>(picture.scanLine(y));
            for (int x = 0; x < crop.width(); ++x) {
                std::uint32_t v = 0;
                std::memcpy(&v, from + std::size_t(x) * 4, 4);
                // Byte order in memory: B G R x, R G B x, x R G B or x B G R.
                switch (inputFormat) {
                case AV_PIX_FMT_BGR0: break;
                case AV_PIX_FMT_RGB0: v = (v & 0xff00) | ((v & 0xff) << 16) | ((v >> 16) & 0xff); break;
                case AV_PIX_FMT_0RGB: v = ((v >> 8) & 0xff) << 16 | ((v >> 16) & 0xff) << 8 | (v >> 24); break;
                default: v = (v >> 24) << 16 | ((v >> 16) & 0xff) << 8 | ((v >> 8) & 0xff); break;
                }
                to[x] = v | 0xff000000u;
            }
        }
        onPicture(std::move(picture));
    }

    void reportStop(const std::string& reason) {
        if (stopReported) return;
        stopReported = true;
        log.error("stream stopped error={}", reason);
        if (onStopped) onStopped(reason);
    }
};

PipeWireScreenStream::PipeWireScreenStream(Configuration configuration, Source source)
    : reader_(std::make_unique<Reader>()) {
    reader_->configuration = configuration;
    reader_->source = source;
}

PipeWireScreenStream::~PipeWireScreenStream() { stop(); }

void PipeWireScreenStream::start(FrameHandler onFrame, StopHandler onStopped) {
    reader_->onFrame = std::move(onFrame);
    connect(std::move(onStopped));
}

void PipeWireScreenStream::startPictures(PictureHandler onPicture, StopHandler onStopped) {
    reader_->onPicture = std::move(onPicture);
    connect(std::move(onStopped));
}

void PipeWireScreenStream::connect(StopHandler onStopped) {
    Reader& r = *reader_;
    pw_init(nullptr, nullptr);
    r.loop = pw_thread_loop_new("glimpo-screen", nullptr);
    if (!r.loop) throw kit::Error(text(QT_TRANSLATE_NOOP("PipeWireScreenStream", "The screen can't be recorded: PipeWire could not start.")));
    r.context = pw_context_new(pw_thread_loop_get_loop(r.loop), nullptr, 0);
    if (!r.context) throw kit::Error(text(QT_TRANSLATE_NOOP("PipeWireScreenStream", "The screen can't be recorded: PipeWire could not start.")));
    if (pw_thread_loop_start(r.loop) < 0) throw kit::Error(text(QT_TRANSLATE_NOOP("PipeWireScreenStream", "The screen can't be recorded: PipeWire could not start.")));

    pw_thread_loop_lock(r.loop);
    r.onStopped = std::move(onStopped);
    // The core owns the portal's descriptor from here on.
    r.core = pw_context_connect_fd(r.context, r.source.fd, nullptr, 0);
    r.source.fd = -1;
    if (!r.core) {
        pw_thread_loop_unlock(r.loop);
        throw kit::Error(text(QT_TRANSLATE_NOOP("PipeWireScreenStream", "The screen can't be recorded: the shared screen could not be reached.")));
    }
    r.stream = pw_stream_new(r.core, "Glimpo",
                             pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                                               PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.state_changed = &Reader::stateChanged;
        e.param_changed = &Reader::paramChanged;
        e.process = &Reader::process;
        return e;
    }();
    pw_stream_add_listener(r.stream, &r.streamListener, &events, &r);
    r.repeater = pw_loop_add_timer(pw_thread_loop_get_loop(r.loop), &Reader::repeat, &r);

    std::uint8_t buffer[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
    const spa_rectangle minSize = SPA_RECTANGLE(1, 1), maxSize = SPA_RECTANGLE(16384, 16384),
                        defaultSize = SPA_RECTANGLE(1920, 1080);
    const spa_fraction minRate = SPA_FRACTION(0, 1), maxRate = SPA_FRACTION(1000, 1),
                       defaultRate = SPA_FRACTION(std::uint32_t(r.configuration.framesPerSecond), 1);
    const spa_pod* params[1];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
        SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
        SPA_POD_CHOICE_ENUM_Id(9, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                               SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA, SPA_VIDEO_FORMAT_xRGB,
                               SPA_VIDEO_FORMAT_ARGB, SPA_VIDEO_FORMAT_xBGR, SPA_VIDEO_FORMAT_ABGR),
        SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),
        SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&defaultRate, &minRate, &maxRate)));
    const int connected = pw_stream_connect(
        r.stream, PW_DIRECTION_INPUT, r.source.node,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS), params, 1);
    if (connected < 0) {
        pw_thread_loop_unlock(r.loop);
        throw kit::Error(text(QT_TRANSLATE_NOOP("PipeWireScreenStream", "The screen can't be recorded: the shared screen could not be reached.")));
    }
    const auto deadline = std::chrono::steady_clock::now() + startLimit;
    while (r.state != PW_STREAM_STATE_STREAMING && r.state != PW_STREAM_STATE_ERROR &&
           std::chrono::steady_clock::now() < deadline)
        pw_thread_loop_timed_wait(r.loop, 1);
    const bool streaming = r.state == PW_STREAM_STATE_STREAMING;
    const std::string error = r.error;
    if (!streaming) r.stopping = true;
    if (streaming && r.onFrame)
        r.onFrame(StreamFrame{kit::MediaTime::fromNanoseconds(monotonicNanoseconds()), StreamFrame::Status::started, nullptr});
    pw_thread_loop_unlock(r.loop);
    if (!streaming)
        throw kit::Error(error.empty() ? text(QT_TRANSLATE_NOOP("PipeWireScreenStream",
                                                                "The screen can't be recorded: the shared screen sent nothing."))
                                       : text(QT_TRANSLATE_NOOP("PipeWireScreenStream", "The screen can't be recorded: %1."), error));
}

void PipeWireScreenStream::stop() {
    Reader& r = *reader_;
    if (!r.loop) return;
    pw_thread_loop_lock(r.loop);
    r.stopping = true;
    if (r.stream) pw_stream_disconnect(r.stream);
    pw_thread_loop_unlock(r.loop);
    pw_thread_loop_stop(r.loop);
}

void PipeWireScreenStream::setExcludedAreas(std::vector<QRect> rootRects) {
    reader_->excluded.store(std::make_shared<const std::vector<QRect>>(std::move(rootRects)));
}

} // namespace platform::wayland
