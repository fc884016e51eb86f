#include "app/platform/audio/PulseAudioCapture.h"

#include <QCoreApplication>
#include <pulse/pulseaudio.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "app/base/Log.h"
#include "app/platform/audio/OwnSoundFilter.h"
#include "kit/Error.h"

namespace platform::audio {

namespace {

constexpr std::uint32_t rate = 48000;
// The size of the pieces the sound server is asked to hand over.
constexpr pa_usec_t fragment = 10'000;
constexpr auto connectTimeout = std::chrono::seconds(3);
constexpr std::int64_t timingInterval = 100'000'000;
constexpr std::int64_t jumpLimit = 60'000'000;

const char* const unreachable =
    QT_TRANSLATE_NOOP("PulseAudioCapture", "The sound can't be recorded: the sound server can't be reached.");

std::string text(const char* source) {
    return QCoreApplication::translate("PulseAudioCapture", source).toStdString();
}

std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace

struct PulseAudioCapture::Client {
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    struct Stream {
        Client* client = nullptr;
        Source source = Source::microphone;
        pa_stream* stream = nullptr;
        // Host time at which the next chunk would start if the sound ran on; -1 before the first.
        std::int64_t next = -1;
        std::int64_t timingAsked = 0;

        // Host time at which the first of `frames` samples peeked at `now` was heard (a
        // microphone) or will be heard (a monitor gets a sink's sound as it is mixed, ahead of the
        // speakers by the sink's latency). From the raw timing: libpulse's own record latency
        // jumps by hundreds of milliseconds on a monitor between timing updates.
        std::int64_t stamp(pa_stream* s, std::int64_t now, std::int64_t frames) {
            if (now - timingAsked > timingInterval) {
                timingAsked = now;
                if (pa_operation* op = pa_stream_update_timing_info(s, nullptr, nullptr)) pa_operation_unref(op);
            }
            // Only fresh timing counts: the first one may describe the sink before this stream.
            std::int64_t device = 0;
            const pa_timing_info* timing = pa_stream_get_timing_info(s);
            timeval wall{};
            gettimeofday(&wall, nullptr);
            if (timing && pa_timeval_diff(&wall, &timing->timestamp) < pa_usec_t(2 * timingInterval / 1000))
                device = (std::int64_t(timing->sink_usec) - std::int64_t(timing->source_usec)) * 1000;
            const std::int64_t duration = frames * 1'000'000'000 / rate;
            std::int64_t time = now - duration + device;
            // A late callback or a wandering clock moves the sound only slowly; a jump (a gap, a
            // new latency) moves it at once.
            if (next >= 0 && std::abs(time - next) < jumpLimit) time = next + (time - next) / 32;
            next = time + duration;
            return time;
        }
    };
    Stream streams[2];
    int streamCount = 0;
    Handler handler;
    // System audio passes through it; absent when only the microphone is recorded.
    std::optional<OwnSoundFilter> ownSounds;
    std::atomic<bool> ended[2] = {false, false};

    ~Client() { shutDown(); }

    void shutDown() {
        if (!loop) return;
        pa_threaded_mainloop_lock(loop);
        for (int i = 0; i < streamCount; ++i) {
            if (!streams[i].stream) continue;
            pa_stream_set_read_callback(streams[i].stream, nullptr, nullptr);
            pa_stream_set_state_callback(streams[i].stream, nullptr, nullptr);
            pa_stream_disconnect(streams[i].stream);
            pa_stream_unref(streams[i].stream);
            streams[i].stream = nullptr;
        }
        if (ownSounds) ownSounds->flush();
        if (context) {
            pa_context_set_subscribe_callback(context, nullptr, nullptr);
            pa_context_set_state_callback(context, nullptr, nullptr);
            pa_context_disconnect(context);
            pa_context_unref(context);
            context = nullptr;
        }
        pa_threaded_mainloop_unlock(loop);
        pa_threaded_mainloop_stop(loop);
        pa_threaded_mainloop_free(loop);
        loop = nullptr;
    }

    static void signal(pa_context*, void* data) {
        pa_threaded_mainloop_signal(static_cast<Client*>(data)->loop, 0);
    }
    static void streamSignal(pa_stream* s, void* data) {
        auto* stream = static_cast<Stream*>(data);
        // A source that went away says nothing more; nobody need wait for it.
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s))) stream->client->ended[int(stream->source)] = true;
        pa_threaded_mainloop_signal(stream->client->loop, 0);
    }

    // A playback stream of this process is one of Glimpo's own sounds.
    static bool isOwn(const pa_proplist* properties) {
        const char* process = pa_proplist_gets(properties, PA_PROP_APPLICATION_PROCESS_ID);
        const char* application = pa_proplist_gets(properties, PA_PROP_APPLICATION_ID);
        return (process && std::to_string(getpid()) == process) || (application && Log::subsystem == application);
    }

    static void playbackChanged(pa_context* context, pa_subscription_event_type_t event, std::uint32_t index,
                                void* data) {
        auto* client = static_cast<Client*>(data);
        if ((event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SINK_INPUT) return;
        const auto type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (type == PA_SUBSCRIPTION_EVENT_REMOVE) return client->ownSounds->streamEnded(index, monotonicNanoseconds());
        if (type != PA_SUBSCRIPTION_EVENT_NEW) return;
        client->ownSounds->streamStarted(index, monotonicNanoseconds());
        pa_operation* op = pa_context_get_sink_input_info(
            context, index,
            [](pa_context*, const pa_sink_input_info* info, int, void* data) {
                if (info) static_cast<Client*>(data)->ownSounds->streamIdentified(info->index, isOwn(info->proplist));
            },
            client);
        if (op) pa_operation_unref(op);
    }

    static void read(pa_stream* s, std::size_t, void* data) {
        auto* stream = static_cast<Stream*>(data);
        for (;;) {
            const void* bytes = nullptr;
            std::size_t length = 0;
            if (pa_stream_peek(s, &bytes, &length) < 0 || length == 0) return;
            const std::int64_t now = monotonicNanoseconds();
            const std::int64_t captured = stream->stamp(s, now, std::int64_t(length / sizeof(float) / 2));
            std::vector<float> samples(length / sizeof(float) / 2 * 2, 0.0f);
            // A hole in the stream is silence, so what follows keeps its place on the clock.
            if (bytes) std::memcpy(samples.data(), bytes, samples.size() * sizeof(float));
            pa_stream_drop(s);
            Client& client = *stream->client;
            if (stream->source == Source::systemAudio && client.ownSounds) {
                client.ownSounds->push(captured, std::move(samples), now);
            } else {
                client.handler(stream->source, kit::MediaTime::fromNanoseconds(captured), std::move(samples));
            }
        }
    }

    // Waits, with the loop locked, until ready() or failed(); false on failure or timeout.
    template <class Ready, class Failed> bool await(Ready ready, Failed failed) {
        const auto deadline = std::chrono::steady_clock::now() + connectTimeout;
        while (!ready()) {
            if (failed() || std::chrono::steady_clock::now() > deadline) return false;
            pa_threaded_mainloop_unlock(loop);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            pa_threaded_mainloop_lock(loop);
        }
        return true;
    }
};

PulseAudioCapture::PulseAudioCapture() : client_(std::make_unique<Client>()) {}

PulseAudioCapture::~PulseAudioCapture() = default;

void PulseAudioCapture::start(bool systemAudio, bool microphone, Handler handler) {
    Client& c = *client_;
    c.handler = std::move(handler);
    c.loop = pa_threaded_mainloop_new();
    if (!c.loop) throw kit::Error(text(unreachable));
    c.context = pa_context_new(pa_threaded_mainloop_get_api(c.loop), "Glimpo");
    pa_context_set_state_callback(c.context, &Client::signal, &c);
    if (pa_context_connect(c.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 || pa_threaded_mainloop_start(c.loop) < 0) {
        c.shutDown();
        throw kit::Error(text(unreachable));
    }
    pa_threaded_mainloop_lock(c.loop);
    const bool connected = c.await([&] { return pa_context_get_state(c.context) == PA_CONTEXT_READY; },
                                   [&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(c.context)); });
    if (!connected) {
        pa_threaded_mainloop_unlock(c.loop);
        c.shutDown();
        throw kit::Error(text(unreachable));
    }
    // System audio is the monitor of the default sink, named after it.
    std::string monitor;
    bool answered = false;
    struct Query {
        std::string* monitor;
        bool* answered;
        pa_threaded_mainloop* loop;
    } query{&monitor, &answered, c.loop};
    if (pa_operation* op = pa_context_get_server_info(
            c.context,
            [](pa_context*, const pa_server_info* info, void* data) {
                auto* q = static_cast<Query*>(data);
                if (info && info->default_sink_name) *q->monitor = std::string(info->default_sink_name) + ".monitor";
                *q->answered = true;
                pa_threaded_mainloop_signal(q->loop, 0);
            },
            &query)) {
        pa_operation_unref(op);
        c.await([&] { return answered; }, [] { return false; });
    }
    if (systemAudio) {
        c.ownSounds.emplace([&c](std::int64_t time, std::vector<float> samples) {
            c.handler(Source::systemAudio, kit::MediaTime::fromNanoseconds(time), std::move(samples));
        });
        pa_context_set_subscribe_callback(c.context, &Client::playbackChanged, &c);
        if (pa_operation* op = pa_context_subscribe(c.context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr))
            pa_operation_unref(op);
    }
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, rate, 2};
    pa_buffer_attr attributes{};
    attributes.maxlength = attributes.tlength = attributes.prebuf = attributes.minreq = std::uint32_t(-1);
    attributes.fragsize = std::uint32_t(pa_usec_to_bytes(fragment, &spec));
    // No ADJUST_LATENCY: on PulseAudio 16 a record stream asking for a small source latency
    // right after another one ended often receives nothing. The stamps allow for the latency.
    const auto flags = pa_stream_flags_t(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
    bool ok = true;
    for (const auto& [wanted, source] :
         {std::pair{systemAudio, Source::systemAudio}, std::pair{microphone, Source::microphone}}) {
        if (!wanted || !ok) continue;
        Client::Stream& stream = c.streams[c.streamCount++];
        stream.client = &c;
        stream.source = source;
        // The sound settings list Glimpo's recordings under these names.
        const std::string name = text(source == Source::systemAudio ? QT_TRANSLATE_NOOP("PulseAudioCapture", "System audio")
                                                                    : QT_TRANSLATE_NOOP("PulseAudioCapture", "Microphone"));
        stream.stream = pa_stream_new(c.context, name.c_str(), &spec, nullptr);
        if (!stream.stream) {
            ok = false;
            continue;
        }
        pa_stream_set_state_callback(stream.stream, &Client::streamSignal, &stream);
        pa_stream_set_read_callback(stream.stream, &Client::read, &stream);
        const char* device = source == Source::microphone ? nullptr
                             : monitor.empty()              ? "@DEFAULT_MONITOR@"
                                                            : monitor.c_str();
        ok = pa_stream_connect_record(stream.stream, device, &attributes, flags) == 0 &&
             c.await([&] { return pa_stream_get_state(stream.stream) == PA_STREAM_READY; },
                     [&] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(stream.stream)); });
    }
    pa_threaded_mainloop_unlock(c.loop);
    if (!ok) {
        c.shutDown();
        throw kit::Error(text(QT_TRANSLATE_NOOP("PulseAudioCapture", "The sound can't be recorded: the sound server refused to record.")));
    }
}

void PulseAudioCapture::stop() { client_->shutDown(); }

bool PulseAudioCapture::ended(Source source) const { return client_->ended[int(source)].load(); }

} // namespace platform::audio
