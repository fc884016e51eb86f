#include "app/platform/x11/X11ScreenStream.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <pthread.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>
#include <xcb/damage.h>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/base/Log.h"
#include "kit/Error.h"

namespace platform::x11 {

namespace {

template <class T> struct Reply {
    T* value = nullptr;
    explicit Reply(T* v) : value(v) {}
    ~Reply() { std::free(value); }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    T* operator->() const { return value; }
    explicit operator bool() const { return value != nullptr; }
};

std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

bool overlaps(const QRect& a, int x, int y, int width, int height) {
    return a.intersects(QRect(x, y, width, height));
}

const std::string displayGone = "The display is no longer available.";

// BGRX to YUV 4:2:0, BT.709 limited range, when no scaling is needed: a plain loop the
// compiler vectorises runs several times faster than swscale's general path here.
void convertUnscaled(const std::uint8_t* bgrx, int width, int height, AVFrame* out) {
    for (int y = 0; y < height; y += 2) {
        const std::uint8_t* rows[2] = {bgrx + std::size_t(y) * width * 4,
                                       bgrx + std::size_t(std::min(y + 1, height - 1)) * width * 4};
        std::uint8_t* luma[2] = {out->data[0] + std::size_t(y) * out->linesize[0],
                                 out->data[0] + std::size_t(std::min(y + 1, height - 1)) * out->linesize[0]};
        std::uint8_t* u = out->data[1] + std::size_t(y / 2) * out->linesize[1];
        std::uint8_t* v = out->data[2] + std::size_t(y / 2) * out->linesize[2];
        for (int r = 0; r < 2; ++r) {
            const std::uint8_t* p = rows[r];
            std::uint8_t* l = luma[r];
            for (int x = 0; x < width; ++x) {
                const int b = p[4 * x], g = p[4 * x + 1], red = p[4 * x + 2];
                l[x] = std::uint8_t(((47 * red + 157 * g + 16 * b + 128) >> 8) + 16);
            }
        }
        for (int x = 0; x < width / 2; ++x) {
            int b = 0, g = 0, red = 0;
            for (int r = 0; r < 2; ++r)
                for (int dx = 0; dx < 2; ++dx) {
                    const std::uint8_t* p = rows[r] + 4 * (2 * x + dx);
                    b += p[0];
                    g += p[1];
                    red += p[2];
                }
            u[x] = std::uint8_t(((-26 * red - 86 * g + 112 * b + 512) >> 10) + 128);
            v[x] = std::uint8_t(((112 * red - 102 * g - 10 * b + 512) >> 10) + 128);
        }
    }
}

} // namespace

struct X11ScreenStream::Grabber {
    Configuration configuration;
    QRect source;
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_shm_seg_t segment = 0;
    int segmentId = -1;
    std::uint8_t* pixels = nullptr;
    xcb_damage_damage_t damage = 0;
    std::uint8_t damageEvent = 0;
    // Whether monitors can be listed (RandR 1.5) and the area lay on one at the start.
    bool watchMonitors = false;
    SwsContext* scaler = nullptr;
    bool unscaled = false;
    // Pictures come from a pool: a fresh 1080p buffer a frame made the C library's heap grow by
    // a frame a second on a still screen.
    AVBufferPool* pool = nullptr;
    std::thread thread;
    std::atomic<bool> stopping{false};
    std::atomic<std::shared_ptr<const std::vector<QRect>>> excluded{std::make_shared<const std::vector<QRect>>()};
    FrameHandler onFrame;
    StopHandler onStopped;
    Logger log{"recording"};

    ~Grabber() {
        // The pool goes once the writer has let go of its last picture.
        av_buffer_pool_uninit(&pool);
        if (scaler) sws_freeContext(scaler);
        if (c) {
            if (damage && !xcb_connection_has_error(c)) xcb_damage_destroy(c, damage);
            if (segment && !xcb_connection_has_error(c)) xcb_shm_detach(c, segment);
            xcb_disconnect(c);
        }
        if (pixels) shmdt(pixels);
    }

    void connect() {
        c = xcb_connect(nullptr, nullptr);
        if (!c || xcb_connection_has_error(c)) throw kit::Error("The screen can't be recorded: " + displayGone);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        root = screen->root;
        source = configuration.sourceRect.intersected(QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels));
        if (source.isEmpty()) throw kit::Error("The area to record is not on the screen.");

        const auto shmCookie = xcb_shm_query_version(c);
        const auto damageCookie = xcb_damage_query_version(c, 1, 1);
        const auto fixesCookie = xcb_xfixes_query_version(c, 4, 0);
        Reply<xcb_shm_query_version_reply_t> shm(xcb_shm_query_version_reply(c, shmCookie, nullptr));
        Reply<xcb_damage_query_version_reply_t> damageVersion(xcb_damage_query_version_reply(c, damageCookie, nullptr));
        Reply<xcb_xfixes_query_version_reply_t> fixes(xcb_xfixes_query_version_reply(c, fixesCookie, nullptr));
        if (!shm || !damageVersion || !fixes)
            throw kit::Error("The screen can't be recorded: the display lacks shared memory, damage or cursor support.");

        const std::size_t bytes = std::size_t(source.width()) * source.height() * 4;
        segmentId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (segmentId < 0) throw kit::Error("The screen can't be recorded: there is not enough memory.");
        void* address = shmat(segmentId, nullptr, 0);
        segment = xcb_generate_id(c);
        xcb_generic_error_t* error = address == reinterpret_cast<void*>(-1)
                                         ? nullptr
                                         : xcb_request_check(c, xcb_shm_attach_checked(c, segment, segmentId, 0));
        shmctl(segmentId, IPC_RMID, nullptr);
        if (address == reinterpret_cast<void*>(-1) || error) {
            std::free(error);
            if (address != reinterpret_cast<void*>(-1)) shmdt(address);
            segment = 0;
            throw kit::Error("The screen can't be recorded: the display shares no memory with Glimpo.");
        }
        pixels = static_cast<std::uint8_t*>(address);

        const auto randrCookie = xcb_randr_query_version(c, 1, 5);
        Reply<xcb_randr_query_version_reply_t> randr(xcb_randr_query_version_reply(c, randrCookie, nullptr));
        watchMonitors = randr && (randr->major_version > 1 || randr->minor_version >= 5) && onAMonitor();

        damageEvent = xcb_get_extension_data(c, &xcb_damage_id)->first_event;
        damage = xcb_generate_id(c);
        xcb_damage_create(c, damage, root, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);

        const auto& size = configuration.size;
        const bool scaled = size.width != source.width() || size.height != source.height();
        unscaled = !scaled;
        scaler = sws_getContext(source.width(), source.height(), AV_PIX_FMT_BGR0, int(size.width), int(size.height),
                                AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
        const int pictureBytes = av_image_get_buffer_size(AV_PIX_FMT_YUV420P, int(size.width), int(size.height), 32);
        pool = pictureBytes > 0 ? av_buffer_pool_init(std::size_t(pictureBytes), nullptr) : nullptr;
        if (!scaler || !pool) throw kit::Error("The recording format isn't supported on this computer.");
        const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
        sws_setColorspaceDetails(scaler, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
        warmUp();
        xcb_flush(c);
    }

    // Whether some monitor still shows part of the recorded area; true when the server can't say.
    bool onAMonitor() {
        Reply<xcb_randr_get_monitors_reply_t> monitors(
            xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, root, 1), nullptr));
        if (!monitors || monitors->nMonitors == 0) return true;
        for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.value); it.rem; xcb_randr_monitor_info_next(&it)) {
            if (overlaps(source, it.data->x, it.data->y, it.data->width, it.data->height)) return true;
        }
        return false;
    }

    // Drains the event queue: whether something was drawn in the region; false on an X error.
    bool readEvents(bool& dirty) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
            const std::uint8_t type = event->response_type & 0x7f;
            if (type == 0) {
                const int code = reinterpret_cast<xcb_generic_error_t*>(event)->error_code;
                std::free(event);
                log.error("x error code={}", code);
                return false;
            }
            if (type == damageEvent + XCB_DAMAGE_NOTIFY) {
                const auto* notify = reinterpret_cast<xcb_damage_notify_event_t*>(event);
                if (overlaps(source, notify->area.x, notify->area.y, notify->area.width, notify->area.height))
                    dirty = true;
            }
            std::free(event);
        }
        return true;
    }

    void drawCursor(const xcb_xfixes_get_cursor_image_reply_t* cursor) {
        const std::uint32_t* image = xcb_xfixes_get_cursor_image_cursor_image(cursor);
        const int left = cursor->x - cursor->xhot - source.x();
        const int top = cursor->y - cursor->yhot - source.y();
        for (int row = std::max(0, -top); row < cursor->height && top + row < source.height(); ++row) {
            auto* line = reinterpret_cast<std::uint32_t*>(pixels) + std::size_t(top + row) * source.width();
            for (int column = std::max(0, -left); column < cursor->width && left + column < source.width(); ++column) {
                const std::uint32_t s = image[row * cursor->width + column];
                const std::uint32_t alpha = s >> 24;
                if (alpha == 0) continue;
                std::uint32_t& d = line[left + column];
                std::uint32_t out = 0;
                // The cursor's pixels are premultiplied.
                for (int shift = 0; shift < 24; shift += 8) {
                    const std::uint32_t channel =
                        ((s >> shift) & 0xff) + (((d >> shift) & 0xff) * (255 - alpha) + 127) / 255;
                    out |= std::min<std::uint32_t>(channel, 255) << shift;
                }
                d = out;
            }
        }
    }

    void run() {
        pthread_setname_np(pthread_self(), "GlimpoScreen");
        const std::int64_t period = 1'000'000'000 / configuration.framesPerSecond;
        // A still screen still hands over a picture twice a second: players and seeking need one
        // now and then, and a movie cut short by a crash then lacks at most the last second.
        const std::int64_t keepAlive = 500'000'000;
        const std::int64_t monitorCheck = 250'000'000;
        // A change the server reports just after a tick would cost moving content a frame, so
        // after a change the next ticks are grabbed as well.
        const int motionTicks = 2;
        std::int64_t next = monotonicNanoseconds();
        std::int64_t lastMonitorCheck = next;
        std::int64_t lastComplete = next - 2 * keepAlive;
        bool dirty = true;
        int sinceChange = 0;
        bool covered = false;
        std::int16_t cursorX = -1, cursorY = -1;
        std::uint32_t cursorSerial = 0;
        while (!stopping.load()) {
            timespec wake{time_t(next / 1'000'000'000), long(next % 1'000'000'000)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);
            next += period;
            const std::int64_t now = monotonicNanoseconds();
            if (next < now) next = now + period;
            if (stopping.load()) return;
            if (xcb_connection_has_error(c)) return stopped(displayGone);
            if (!readEvents(dirty)) return stopped("The display reported an error.");
            if (watchMonitors && now - lastMonitorCheck >= monitorCheck) {
                lastMonitorCheck = now;
                if (!onAMonitor()) return stopped(displayGone);
            }

            const auto cursorCookie = xcb_xfixes_get_cursor_image(c);
            Reply<xcb_xfixes_get_cursor_image_reply_t> cursor(xcb_xfixes_get_cursor_image_reply(c, cursorCookie, nullptr));
            if (!cursor) return stopped(xcb_connection_has_error(c) ? displayGone : "The display reported an error.");
            const bool cursorInside = overlaps(source, cursor->x - cursor->xhot, cursor->y - cursor->yhot,
                                               cursor->width, cursor->height);
            if (cursor->x != cursorX || cursor->y != cursorY || cursor->cursor_serial != cursorSerial) {
                if (cursorInside || overlaps(source, cursorX - 32, cursorY - 32, 64, 64)) dirty = true;
                cursorX = cursor->x;
                cursorY = cursor->y;
                cursorSerial = cursor->cursor_serial;
            }

            const std::int64_t stamp = monotonicNanoseconds();
            bool coveredNow = false;
            for (const QRect& own : *excluded.load()) coveredNow = coveredNow || own.intersects(source);
            if (coveredNow || covered) dirty = dirty || covered != coveredNow;
            covered = coveredNow;
            // Glimpo's own windows never appear: the movie keeps its last clean picture.
            if (covered) {
                onFrame(StreamFrame{kit::MediaTime::fromNanoseconds(stamp), StreamFrame::Status::held, nullptr});
                continue;
            }
            sinceChange = dirty ? 0 : std::min(sinceChange + 1, motionTicks + 1);
            // Idle frames are not handed over at all: the writer would only drop them, and a
            // still screen then wakes nobody.
            if (sinceChange > motionTicks && stamp - lastComplete < keepAlive) continue;

            if (!grab()) return stopped(xcb_connection_has_error(c) ? displayGone : "The display reported an error.");
            if (cursorInside) drawCursor(cursor.value);

            AVFrame* picture = newPicture();
            if (!picture) continue;
            convert(picture);
            dirty = false;
            lastComplete = stamp;
            onFrame(StreamFrame{kit::MediaTime::fromNanoseconds(stamp), StreamFrame::Status::complete, picture});
        }
    }

    // The region into the shared segment; false on an X error.
    bool grab() {
        const auto cookie = xcb_shm_get_image(c, root, std::int16_t(source.x()), std::int16_t(source.y()),
                                              std::uint16_t(source.width()), std::uint16_t(source.height()), ~0u,
                                              XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0);
        xcb_generic_error_t* error = nullptr;
        Reply<xcb_shm_get_image_reply_t> image(xcb_shm_get_image_reply(c, cookie, &error));
        std::free(error);
        return bool(image);
    }

    void convert(AVFrame* picture) {
        if (unscaled && source.width() % 2 == 0) {
            convertUnscaled(pixels, source.width(), source.height(), picture);
        } else {
            const std::uint8_t* planes[] = {pixels};
            const int strides[] = {source.width() * 4};
            sws_scale(scaler, planes, strides, 0, source.height(), picture->data, picture->linesize);
        }
    }

    // A first grab and picture fault in their memory (the shared segment on both sides, the
    // pool's first picture): left to the recording, that stalled its first frame by a tenth of
    // a second, and the frames after it.
    void warmUp() {
        if (!grab()) return;
        if (AVFrame* picture = newPicture()) {
            convert(picture);
            av_frame_free(&picture);
        }
    }

    AVFrame* newPicture() {
        AVFrame* picture = av_frame_alloc();
        if (!picture) return nullptr;
        picture->format = AV_PIX_FMT_YUV420P;
        picture->width = int(configuration.size.width);
        picture->height = int(configuration.size.height);
        picture->buf[0] = av_buffer_pool_get(pool);
        if (!picture->buf[0] || av_image_fill_arrays(picture->data, picture->linesize, picture->buf[0]->data,
                                                     AV_PIX_FMT_YUV420P, picture->width, picture->height, 32) < 0) {
            av_frame_free(&picture);
            return nullptr;
        }
        return picture;
    }

    void stopped(const std::string& error) {
        if (!stopping.exchange(true)) onStopped(error);
    }
};

X11ScreenStream::X11ScreenStream(Configuration configuration) : grabber_(std::make_unique<Grabber>()) {
    grabber_->configuration = std::move(configuration);
}

X11ScreenStream::~X11ScreenStream() { stop(); }

void X11ScreenStream::start(FrameHandler onFrame, StopHandler onStopped) {
    Grabber& g = *grabber_;
    g.connect();
    g.onFrame = std::move(onFrame);
    g.onStopped = std::move(onStopped);
    g.onFrame(StreamFrame{kit::MediaTime::fromNanoseconds(monotonicNanoseconds()), StreamFrame::Status::started, nullptr});
    g.thread = std::thread([&g] { g.run(); });
}

void X11ScreenStream::stop() {
    grabber_->stopping.store(true);
    if (grabber_->thread.joinable()) grabber_->thread.join();
}

void X11ScreenStream::setExcludedAreas(std::vector<QRect> rootRects) {
    grabber_->excluded.store(std::make_shared<const std::vector<QRect>>(std::move(rootRects)));
}

} // namespace platform::x11
