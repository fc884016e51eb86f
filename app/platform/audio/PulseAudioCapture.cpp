#include "app/platform/audio/PulseAudioCapture.h"

#include <pulse/pulseaudio.h>
#include <time.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "kit/Error.h"

namespace platform::audio {

namespace {

constexpr std::uint32_t rate = 48000;
// The size of the pieces the sound server is asked to hand over.
constexpr pa_usec_t fragment = 10'000;
constexpr auto connectTimeout = std::chrono::seconds(3);

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
    };
    Stream streams[2];
    int streamCount = 0;
    Handler handler;

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
        if (context) {
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
    static void streamSignal(pa_stream*, void* data) {
        pa_threaded_mainloop_signal(static_cast<Stream*>(data)->client->loop, 0);
    }

    static void read(pa_stream* s, std::size_t, void* data) {
        auto* stream = static_cast<Stream*>(data);
        for (;;) {
            const void* bytes = nullptr;
            std::size_t length = 0;
            if (pa_stream_peek(s, &bytes, &length) < 0 || length == 0) return;
            pa_usec_t latency = 0;
            int negative = 0;
            if (pa_stream_get_latency(s, &latency, &negative) < 0) latency = 0;
            const std::int64_t shift = std::int64_t(latency) * 1000 * (negative ? -1 : 1);
            const std::int64_t captured = monotonicNanoseconds() - shift;
            std::vector<float> samples(length / sizeof(float) / 2 * 2, 0.0f);
            // A hole in the stream is silence, so what follows keeps its place on the clock.
            if (bytes) std::memcpy(samples.data(), bytes, samples.size() * sizeof(float));
            pa_stream_drop(s);
            stream->client->handler(stream->source, kit::MediaTime::fromNanoseconds(captured), std::move(samples));
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
    if (!c.loop) throw kit::Error("The sound can't be recorded: the sound server can't be reached.");
    c.context = pa_context_new(pa_threaded_mainloop_get_api(c.loop), "Glimpo");
    pa_context_set_state_callback(c.context, &Client::signal, &c);
    if (pa_context_connect(c.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 || pa_threaded_mainloop_start(c.loop) < 0) {
        c.shutDown();
        throw kit::Error("The sound can't be recorded: the sound server can't be reached.");
    }
    pa_threaded_mainloop_lock(c.loop);
    const bool connected = c.await([&] { return pa_context_get_state(c.context) == PA_CONTEXT_READY; },
                                   [&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(c.context)); });
    if (!connected) {
        pa_threaded_mainloop_unlock(c.loop);
        c.shutDown();
        throw kit::Error("The sound can't be recorded: the sound server can't be reached.");
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
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32LE, rate, 2};
    pa_buffer_attr attributes{};
    attributes.maxlength = attributes.tlength = attributes.prebuf = attributes.minreq = std::uint32_t(-1);
    attributes.fragsize = std::uint32_t(pa_usec_to_bytes(fragment, &spec));
    // No ADJUST_LATENCY: on PulseAudio 16 a record stream asking for a small source latency
    // right after another one ended often receives nothing. The stamps take the latency off.
    const auto flags = pa_stream_flags_t(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
    bool ok = true;
    for (const auto& [wanted, source] :
         {std::pair{systemAudio, Source::systemAudio}, std::pair{microphone, Source::microphone}}) {
        if (!wanted || !ok) continue;
        Client::Stream& stream = c.streams[c.streamCount++];
        stream.client = &c;
        stream.source = source;
        stream.stream = pa_stream_new(c.context, source == Source::systemAudio ? "System audio" : "Microphone", &spec, nullptr);
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
        throw kit::Error("The sound can't be recorded: the sound server refused to record.");
    }
}

void PulseAudioCapture::stop() { client_->shutDown(); }

} // namespace platform::audio
