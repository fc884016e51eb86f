#include "app/recording/RecordingWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "app/base/Log.h"

void RecordingWriter::FrameFree::operator()(AVFrame* frame) const { av_frame_free(&frame); }

namespace {

constexpr int audioRate = 48000;
constexpr int audioBitRate = 128000;
// Screen frames waiting behind the one being encoded; more means the encoder has fallen behind.
// Room for the encoder to fall behind for a while on a busy machine; half as much still cost
// full motion a frame a second or so on two shared cores.
constexpr int videoBacklog = 8;
// Small jitter of the sound server's stamps is absorbed; a jump this large is a gap.
constexpr std::int64_t audioGapSamples = audioRate / 50;
// How often the movie on disk catches up while recording, so that a crash costs less than that
// plus the gap between two frames of a still screen.
constexpr std::chrono::milliseconds fragmentInterval{250};

std::string errorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct CodecFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using Codec = std::unique_ptr<AVCodecContext, CodecFree>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;

struct Track {
    Codec codec;
    AVStream* stream = nullptr;
    // Video: the packet held until the next one tells its duration.
    Packet pending;
    // Audio: planar samples not yet encoded, and the position (in samples from the start of
    // the time line) that the next appended sample takes. Frames are stamped after the
    // encoder's priming, so no track starts before zero in the fragmented file (its muxer would
    // shift the tracks apart); the finished movie skips the priming through its edit list.
    std::vector<float> left, right;
    std::int64_t position = 0;
    std::int64_t nextFramePts = 0;
};

} // namespace

struct RecordingWriter::State {
    explicit State() = default;

    Logger log{"recording"};
    AVFormatContext* format = nullptr;
    Track video;
    std::optional<Track> systemAudio;
    std::optional<Track> microphone;
    bool sessionStarted = false;
    kit::MediaTime sessionStart;
    // The latest screen sample's time: where the movie ends unless the stop comes later.
    kit::MediaTime lastSampleTime{0, 1};
    std::int64_t lastVideoPts = -1;
    // The last picture encoded, shown again at the end so the picture lasts until the stop.
    Picture lastPicture;
    bool writing = false;

    // The queue: one thread, tasks in order.
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> tasks;
    bool quit = false;
    std::atomic<int> pendingVideo{0};
    std::chrono::steady_clock::time_point lastFragment = std::chrono::steady_clock::now();
    std::thread thread;

    ~State() {
        {
            const std::lock_guard lock(mutex);
            quit = true;
        }
        wake.notify_one();
        if (thread.joinable()) thread.join();
        close();
    }

    void close() {
        if (!format) return;
        if (format->pb) avio_closep(&format->pb);
        avformat_free_context(format);
        format = nullptr;
    }

    void post(std::function<void()> task) {
        {
            const std::lock_guard lock(mutex);
            tasks.push_back(std::move(task));
        }
        wake.notify_one();
    }

    void run() {
        pthread_setname_np(pthread_self(), threadName);
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return quit || !tasks.empty(); });
                if (tasks.empty()) return;
                task = std::move(tasks.front());
                tasks.pop_front();
            }
            task();
        }
    }

    Codec openVideo(kit::RecordingFormat::PixelSize size) {
        const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
        if (!encoder) return nullptr;
        Codec codec(avcodec_alloc_context3(encoder));
        if (!codec) return nullptr;
        const std::int64_t rate = kit::RecordingFormat::bitrate(size);
        codec->width = static_cast<int>(size.width);
        codec->height = static_cast<int>(size.height);
        codec->pix_fmt = AV_PIX_FMT_YUV420P;
        codec->time_base = {1, kit::RecordingFormat::framesPerSecond};
        codec->framerate = {kit::RecordingFormat::framesPerSecond, 1};
        codec->bit_rate = rate;
        codec->rc_max_rate = rate;
        codec->rc_buffer_size = static_cast<int>(rate);
        codec->gop_size = 2 * kit::RecordingFormat::framesPerSecond;
        // Real time: no frame waits for a later one.
        codec->max_b_frames = 0;
        codec->color_range = AVCOL_RANGE_MPEG;
        codec->colorspace = AVCOL_SPC_BT709;
        codec->color_primaries = AVCOL_PRI_BT709;
        codec->color_trc = AVCOL_TRC_BT709;
        if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        av_opt_set(codec->priv_data, "profile", "high", 0);
        av_opt_set(codec->priv_data, "preset", "superfast", 0);
        av_opt_set(codec->priv_data, "tune", "zerolatency", 0);
        if (avcodec_open2(codec.get(), encoder, nullptr) < 0) return nullptr;
        return codec;
    }

    Codec openAudio() {
        const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
        if (!encoder) return nullptr;
        Codec codec(avcodec_alloc_context3(encoder));
        if (!codec) return nullptr;
        codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
        codec->sample_rate = audioRate;
        av_channel_layout_default(&codec->ch_layout, 2);
        codec->bit_rate = audioBitRate;
        codec->time_base = {1, audioRate};
        if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(codec.get(), encoder, nullptr) < 0) return nullptr;
        return codec;
    }

    bool addStream(Track& track) {
        track.stream = avformat_new_stream(format, nullptr);
        if (!track.stream) return false;
        if (avcodec_parameters_from_context(track.stream->codecpar, track.codec.get()) < 0) return false;
        track.stream->time_base = track.codec->time_base;
        return true;
    }

    // Seconds since the start of the time line.
    double offset(kit::MediaTime time) const { return time.seconds() - sessionStart.seconds(); }

    void writePacket(Track& track, AVPacket* packet) {
        av_packet_rescale_ts(packet, track.codec->time_base, track.stream->time_base);
        packet->stream_index = track.stream->index;
        const int result = av_write_frame(format, packet);
        if (result < 0) {
            log.error("sample append failed error={}", errorText(result));
            writing = false;
            return;
        }
        // The muxer keeps a fragment in memory until it holds a second; a kill would lose all of
        // it and the frame held back before it, so fragments are closed more often than that.
        const auto now = std::chrono::steady_clock::now();
        if (now - lastFragment >= fragmentInterval) {
            lastFragment = now;
            av_write_frame(format, nullptr);
        }
        avio_flush(format->pb);
    }

    // Sends one frame (or the flush, for null) and writes what comes out.
    bool encode(Track& track, const AVFrame* frame, bool isVideo) {
        int result = avcodec_send_frame(track.codec.get(), frame);
        if (result < 0) {
            log.error("sample append failed error={}", errorText(result));
            return false;
        }
        for (;;) {
            Packet packet(av_packet_alloc());
            result = avcodec_receive_packet(track.codec.get(), packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
            if (result < 0) {
                log.error("sample append failed error={}", errorText(result));
                return false;
            }
            if (!isVideo) {
                writePacket(track, packet.get());
                continue;
            }
            if (track.pending) {
                track.pending->duration = std::max<std::int64_t>(1, packet->dts - track.pending->dts);
                writePacket(track, track.pending.get());
            }
            track.pending = std::move(packet);
        }
    }

    void handle(Sample& sample) {
        if (sample.type == Output::screen) pendingVideo.fetch_sub(1);
        if (!sample.valid || !writing) return;
        switch (sample.type) {
        case Output::screen: {
            const bool timeOnly = sample.status == frameHeld || sample.status == frameStarted;
            if (!timeOnly && (!sample.status || *sample.status != frameComplete || !sample.picture)) return;
            if (!sessionStarted) {
                sessionStarted = true;
                sessionStart = sample.time;
            }
            if (timeOnly) {
                lastSampleTime = kit::MediaTime::maximum(lastSampleTime, sample.time);
                return;
            }
            return appendVideo(sample);
        }
        case Output::audio:
            return appendAudio(systemAudio, sample);
        case Output::microphone:
            return appendAudio(microphone, sample);
        case Output::other:
            return;
        }
    }

    void appendVideo(Sample& sample) {
        if (pendingVideo.load() > videoBacklog) return;
        const double exact = offset(sample.time) * kit::RecordingFormat::framesPerSecond;
        // The first picture opens the movie, also after the started or held frames before it.
        std::int64_t pts = lastVideoPts < 0 ? 0 : std::llround(exact);
        // Two grabs within one tick of the time base: the later takes the next tick when that
        // is still within a tick of its own time, else it is dropped.
        if (pts <= lastVideoPts) {
            if (lastVideoPts + 1 - exact >= 1.0) return;
            pts = lastVideoPts + 1;
        }
        sample.picture->pts = pts;
        if (!encode(video, sample.picture.get(), true)) return;
        lastVideoPts = pts;
        lastPicture = std::move(sample.picture);
        lastSampleTime = kit::MediaTime::maximum(lastSampleTime, sample.time);
        for (std::optional<Track>* audio : {&systemAudio, &microphone})
            if (*audio) drain(**audio, false);
    }

    void appendAudio(std::optional<Track>& track, const Sample& sample) {
        if (!track || !sessionStarted) return;
        const std::int64_t frames = static_cast<std::int64_t>(sample.audio.size() / 2);
        const std::int64_t at = std::llround(offset(sample.time) * audioRate);
        if (at + frames <= 0) return;
        std::int64_t skip = 0;
        if (track->position == 0) {
            // Sound from before the time line is not the movie's.
            if (at > 0) pad(*track, at);
            skip = std::max<std::int64_t>(0, -at);
        } else if (at > track->position + audioGapSamples) {
            // Silence where the source said nothing, so what follows stays on the clock.
            pad(*track, at - track->position);
        }
        // Sound stamped earlier than the end of what came before (a source whose clock went
        // back) still goes in whole, right after it: every sample the source gave is kept.
        for (std::int64_t i = skip; i < frames; ++i) {
            track->left.push_back(sample.audio[2 * i]);
            track->right.push_back(sample.audio[2 * i + 1]);
        }
        track->position += frames - skip;
        drain(*track, false);
    }

    void pad(Track& track, std::int64_t samples) {
        track.left.insert(track.left.end(), samples, 0.0f);
        track.right.insert(track.right.end(), samples, 0.0f);
        track.position += samples;
    }

    // Encodes every whole frame of buffered sound up to the latest picture's time (sound heard
    // after it may lie beyond the stop, where the movie ends); at the end all of it.
    bool drain(Track& track, bool all) {
        const int frameSize = track.codec->frame_size > 0 ? track.codec->frame_size : 1024;
        const std::int64_t encoded = track.position - static_cast<std::int64_t>(track.left.size());
        const std::int64_t limit = all ? track.position : std::llround(offset(lastSampleTime) * audioRate);
        std::size_t used = 0;
        bool ok = true;
        while (ok && ((track.left.size() - used >= static_cast<std::size_t>(frameSize) &&
                       encoded + static_cast<std::int64_t>(used) + frameSize <= limit) ||
                      (all && track.left.size() > used))) {
            const int count = static_cast<int>(std::min<std::size_t>(frameSize, track.left.size() - used));
            std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
            frame->format = AV_SAMPLE_FMT_FLTP;
            frame->sample_rate = audioRate;
            av_channel_layout_default(&frame->ch_layout, 2);
            frame->nb_samples = count;
            if (av_frame_get_buffer(frame.get(), 0) < 0) return false;
            std::copy_n(track.left.data() + used, count, reinterpret_cast<float*>(frame->data[0]));
            std::copy_n(track.right.data() + used, count, reinterpret_cast<float*>(frame->data[1]));
            frame->pts = track.nextFramePts;
            track.nextFramePts += count;
            used += count;
            ok = encode(track, frame.get(), false);
        }
        track.left.erase(track.left.begin(), track.left.begin() + static_cast<std::ptrdiff_t>(used));
        track.right.erase(track.right.begin(), track.right.begin() + static_cast<std::ptrdiff_t>(used));
        return ok;
    }

    std::optional<RecordingWriterError> finishOnQueue(kit::MediaTime stopTime) {
        if (!sessionStarted || !writing || lastVideoPts < 0) {
            close();
            return RecordingWriterError("Nothing was recorded.");
        }
        const kit::MediaTime end = kit::RecordingTimeline::endTime(lastSampleTime, stopTime);
        const double length = std::max(0.0, offset(end));
        const std::int64_t endTick = std::llround(length * kit::RecordingFormat::framesPerSecond);
        bool ok = true;
        if (lastPicture && endTick - 1 > lastVideoPts) {
            lastPicture->pts = endTick - 1;
            ok = encode(video, lastPicture.get(), true);
        }
        ok = encode(video, nullptr, true) && ok;
        if (video.pending) {
            video.pending->duration = std::max<std::int64_t>(1, endTick - video.pending->dts);
            writePacket(video, video.pending.get());
            video.pending.reset();
        }
        for (std::optional<Track>* audio : {&systemAudio, &microphone}) {
            if (!*audio) continue;
            Track& track = **audio;
            const std::int64_t endSample = std::llround(length * audioRate);
            if (endSample > track.position) pad(track, endSample - track.position);
            // Sound heard after the end is not the recording's.
            const auto beyond = static_cast<std::size_t>(std::min<std::int64_t>(
                track.position - endSample, static_cast<std::int64_t>(track.left.size())));
            track.left.resize(track.left.size() - beyond);
            track.right.resize(track.right.size() - beyond);
            track.position -= static_cast<std::int64_t>(beyond);
            ok = drain(track, true) && encode(track, nullptr, false) && ok;
        }
        const int result = writing ? av_write_trailer(format) : -1;
        if (result < 0 || !ok || !writing) {
            log.error("recording finish failed error={}", result < 0 ? errorText(result) : std::string("unknown"));
            close();
            return RecordingWriterError("The recording couldn't be finished.");
        }
        close();
        return std::nullopt;
    }
};

RecordingWriter::RecordingWriter(const std::filesystem::path& url, kit::RecordingFormat::PixelSize size,
                                 bool systemAudio, bool microphone)
    : state_(std::make_unique<State>()) {
    State& s = *state_;
    if (avformat_alloc_output_context2(&s.format, nullptr, "mp4", url.c_str()) < 0 || !s.format ||
        avio_open(&s.format->pb, url.c_str(), AVIO_FLAG_WRITE) < 0) {
        throw RecordingWriterError("The recording file couldn't be created.");
    }
    const RecordingWriterError unsupported("The recording format isn't supported on this computer.");
    s.video.codec = s.openVideo(size);
    if (!s.video.codec) throw unsupported;
    if (systemAudio) {
        s.systemAudio.emplace();
        s.systemAudio->codec = s.openAudio();
        if (!s.systemAudio->codec) throw unsupported;
        s.systemAudio->nextFramePts = s.systemAudio->codec->initial_padding;
    }
    if (microphone) {
        s.microphone.emplace();
        s.microphone->codec = s.openAudio();
        if (!s.microphone->codec) throw unsupported;
        s.microphone->nextFramePts = s.microphone->codec->initial_padding;
    }
    for (Track* track : {&s.video, s.systemAudio ? &*s.systemAudio : nullptr, s.microphone ? &*s.microphone : nullptr}) {
        if (track && !s.addStream(*track)) throw unsupported;
    }
    // Fragments of at most a second: a crash loses no more than that.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
    av_dict_set(&options, "frag_duration", "1000000", 0);
    const int result = avformat_write_header(s.format, &options);
    av_dict_free(&options);
    if (result < 0) {
        const std::string message = errorText(result);
        throw RecordingWriterError("The recording couldn't start: " + (message.empty() ? "unknown error" : message));
    }
    avio_flush(s.format->pb);
    s.writing = true;
    s.thread = std::thread([&s] { s.run(); });
}

RecordingWriter::~RecordingWriter() = default;

void RecordingWriter::stream(Sample sample) {
    State& s = *state_;
    if (sample.type == Output::screen) s.pendingVideo.fetch_add(1);
    auto shared = std::make_shared<Sample>(std::move(sample));
    s.post([&s, shared] { s.handle(*shared); });
}

std::optional<RecordingWriterError> RecordingWriter::finish(kit::MediaTime stopTime) {
    State& s = *state_;
    std::promise<std::optional<RecordingWriterError>> done;
    auto result = done.get_future();
    s.post([&s, &done, stopTime] { done.set_value(s.finishOnQueue(stopTime)); });
    return result.get();
}
