#include "app/platform/audio/SoundServer.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace platform::audio {
namespace {

struct Query {
    bool done = false;
    bool hasSource = false;
    std::string defaultSource;
};

void onSourceInfo(pa_context*, const pa_source_info* info, int eol, void* data) {
    auto* query = static_cast<Query*>(data);
    if (eol != 0) {
        query->done = true;
        return;
    }
    // The monitor of an output is no microphone.
    if (info && info->monitor_of_sink == PA_INVALID_INDEX) query->hasSource = true;
}

void onServerInfo(pa_context* context, const pa_server_info* info, void* data) {
    auto* query = static_cast<Query*>(data);
    if (!info || !info->default_source_name || !*info->default_source_name) {
        query->done = true;
        return;
    }
    query->defaultSource = info->default_source_name;
    if (pa_operation* op = pa_context_get_source_info_by_name(context, info->default_source_name, onSourceInfo, query)) {
        pa_operation_unref(op);
    } else {
        query->done = true;
    }
}

// Connects to the sound server and runs its loop until `finished` holds, the connection fails or
// the time runs out; onReady runs once the connection is ready. Answers whether it finished.
bool converse(int timeoutMs, const std::function<void(pa_context*)>& onReady, const std::function<bool()>& finished) {
    using Clock = std::chrono::steady_clock;
    std::unique_ptr<pa_mainloop, decltype(&pa_mainloop_free)> loop(pa_mainloop_new(), pa_mainloop_free);
    if (!loop) return false;
    std::unique_ptr<pa_context, decltype(&pa_context_unref)> context(
        pa_context_new(pa_mainloop_get_api(loop.get()), "Glimpo"), pa_context_unref);
    if (!context) return false;
    // Never start a server just to ask it a question.
    if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;

    bool asked = false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!finished() && Clock::now() < deadline) {
        const pa_context_state_t state = pa_context_get_state(context.get());
        if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) break;
        if (state == PA_CONTEXT_READY && !asked) {
            asked = true;
            onReady(context.get());
            continue;
        }
        // Poll in short slices so the deadline holds even when the server never answers.
        pa_mainloop_prepare(loop.get(), 50'000);
        pa_mainloop_poll(loop.get());
        pa_mainloop_dispatch(loop.get());
    }
    pa_context_disconnect(context.get());
    return finished();
}

} // namespace

bool hasInputSource(int timeoutMs) {
    Query query;
    const auto ask = [&query](pa_context* context) {
        if (pa_operation* op = pa_context_get_server_info(context, onServerInfo, &query)) {
            pa_operation_unref(op);
        } else {
            query.done = true;
        }
    };
    return converse(timeoutMs, ask, [&query] { return query.done; }) && query.hasSource;
}

bool serverAnswers(int timeoutMs) {
    bool ready = false;
    return converse(timeoutMs, [&ready](pa_context*) { ready = true; }, [&ready] { return ready; });
}

} // namespace platform::audio
