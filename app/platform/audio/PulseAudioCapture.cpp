#include "app/platform/audio/PulseAudioCapture.h"

#include <pulse/pulseaudio.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/base/Log.h"
#include "app/platform/audio/OwnSoundFilter.h"
#include "kit/Error.h"

namespace platform::audio {

namespace {

constexpr std::uint32_t rate = 48000;
// The size of the pieces the sound server is asked to hand over.
constexpr pa_usec_t fragment = 10'000;
constexpr auto connectTimeout = std::chrono::seconds(3);
constexpr std::int64_t bytesPerFrame = 2 * sizeof(float);
constexpr double frameNanoseconds = 1e9 / rate;
// A measured clock this far off the running one is a new start (the source paused, or its
// latency changed), once confirmed; nearer, the running clock drifts towards it.
constexpr double jumpLimit = 30'000'000;
constexpr double drift = 1.0 / 16;

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
        // Frames handed over so far, holes included: the clock between two timings.
        std::int64_t frames = 0;
        // Host time at which frame 0 was heard (a microphone) or will be heard (a monitor
        // gets a sink's sound as it is mixed, ahead of the speakers by the sink's latency).
        std::optional<double> origin;
        // Frames read but not yet stamped: each waits for a timing the server took after it
        // had them, so sound that comes in blocks or after a pause is placed where it belongs.
        std::vector<float> waiting;
        bool timingAsked = false;
        // A timing far off the clock, believed once a second one agrees: on a busy machine the
        // server or this client, held up, misjudge a single timing by tens of milliseconds.
        std::optional<double> doubted;

        void read(pa_stream* s) {
            for (;;) {
                const void* bytes = nullptr;
                std::size_t length = 0;
                if (pa_stream_peek(s, &bytes, &length) < 0 || length == 0) break;
                const std::size_t values = length / bytesPerFrame * 2;
                // A hole in the stream is silence, so what follows keeps its place on the clock.
                if (bytes) {
                    const auto* samples = static_cast<const float*>(bytes);
                    waiting.insert(waiting.end(), samples, samples + values);
                } else {
                    waiting.insert(waiting.end(), values, 0.0f);
                }
                frames += std::int64_t(values / 2);
                pa_stream_drop(s);
            }
            if (waiting.empty() || timingAsked) return;
            if (!askTiming(s)) release();
        }

        bool askTiming(pa_stream* s) {
            pa_operation* op = pa_stream_update_timing_info(s, &Stream::timed, this);
            if (!op) return false;
            timingAsked = true;
            pa_operation_unref(op);
            return true;
        }

        static void timed(pa_stream* s, int success, void* data) {
            auto* stream = static_cast<Stream*>(data);
            stream->timingAsked = false;
            const pa_timing_info* timing = success ? pa_stream_get_timing_info(s) : nullptr;
            if (timing && !timing->read_index_corrupt && !timing->write_index_corrupt && !stream->measure(*timing) &&
                stream->askTiming(s))
                return;
            stream->release();
        }

        // The server's timing: at its timestamp, the frame at its write index plus what the
        // device holds (less what a monitored sink holds) was being heard. False when it is
        // doubted and wants a second timing.
        bool measure(const pa_timing_info& timing) {
            // The clocks read back to back, so that a pause between them does not age the timing.
            std::int64_t now = 0;
            timeval wall{};
            for (int attempt = 0; attempt < 4; ++attempt) {
                const std::int64_t before = monotonicNanoseconds();
                gettimeofday(&wall, nullptr);
                now = monotonicNanoseconds();
                if (now - before < 100'000) break;
            }
            const double age = double(pa_timeval_diff(&wall, &timing.timestamp)) * 1000 *
                               (pa_timeval_cmp(&wall, &timing.timestamp) >= 0 ? 1 : -1);
            // The server counts frames from the same start; its read index, less what still
            // waits on this side, is the frame read next.
            const std::int64_t offset = timing.read_index / bytesPerFrame - frames;
            const double heard = double(timing.write_index / bytesPerFrame - offset) +
                                 (double(timing.source_usec) - double(timing.sink_usec)) * rate / 1e6;
            const double measured = double(now) - age - heard * frameNanoseconds;
            const std::optional<double> doubt = std::exchange(doubted, std::nullopt);
            if (!origin || (doubt && std::abs(measured - *doubt) <= jumpLimit)) {
                origin = measured;
            } else if (std::abs(measured - *origin) <= jumpLimit) {
                *origin += (measured - *origin) * drift;
            } else if (!doubt) {
                doubted = measured;
                return false;
            }
            return true;
        }

        // Hands on what waits, stamped on the clock; without any timing, by its arrival.
        void release() {
            if (waiting.empty()) return;
            const std::int64_t count = std::int64_t(waiting.size() / 2);
            const std::int64_t now = monotonicNanoseconds();
            const std::int64_t time = origin ? std::llround(*origin + double(frames - count) * frameNanoseconds)
                                             : now - std::llround(double(count) * frameNanoseconds);
            std::vector<float> samples;
            samples.swap(waiting);
            Client& c = *client;
            if (source == Source::systemAudio && c.ownSounds) {
                c.ownSounds->push(time, std::move(samples), now);
            } else {
                c.handler(source, kit::MediaTime::fromNanoseconds(time), std::move(samples));
            }
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
            streams[i].release();
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

    static void read(pa_stream* s, std::size_t, void* data) { static_cast<Stream*>(data)->read(s); }

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
    // The monitor asks for a small latency, so that the sink mixes shortly before it plays: a
    // sink that runs ahead (seconds, for a player with a large buffer) rewinds when a stream
    // joins, and what it had mixed never reaches the monitor (a third of a 2 s tone, on a null
    // sink). The microphone takes what its source gives, blocks of seconds included: the stamps
    // place them. A monitor that starts while the sink runs ahead hears nothing of what was
    // mixed before it came.
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
        const auto flags = source == Source::systemAudio ? PA_STREAM_ADJUST_LATENCY : PA_STREAM_NOFLAGS;
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

bool PulseAudioCapture::ended(Source source) const { return client_->ended[int(source)].load(); }

} // namespace platform::audio
