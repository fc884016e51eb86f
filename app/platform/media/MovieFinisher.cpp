#include "app/platform/media/MovieFinisher.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <memory>
#include <system_error>
#include <vector>

namespace platform::media {

namespace {

struct InputClose {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputFree {
    void operator()(AVFormatContext* context) const {
        if (context->pb) avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

// Where the video of a movie ends, in microseconds; 0 when unknown.
std::int64_t pictureEnd(const std::filesystem::path& movie) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, movie.c_str(), nullptr, nullptr) < 0) return 0;
    std::unique_ptr<AVFormatContext, InputClose> input(raw);
    std::int64_t end = 0;
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        const AVStream* stream = input->streams[packet->stream_index];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && packet->pts != AV_NOPTS_VALUE)
            end = std::max(end, av_rescale_q(packet->pts + packet->duration, stream->time_base, AV_TIME_BASE_Q));
        av_packet_unref(packet.get());
    }
    return end;
}

} // namespace

std::optional<kit::Size> finishMovie(const std::filesystem::path& fragmented, const std::filesystem::path& output) {
    AVFormatContext* rawInput = nullptr;
    if (avformat_open_input(&rawInput, fragmented.c_str(), nullptr, nullptr) < 0) return std::nullopt;
    std::unique_ptr<AVFormatContext, InputClose> input(rawInput);

    AVFormatContext* rawOutput = nullptr;
    if (avformat_alloc_output_context2(&rawOutput, nullptr, "mp4", output.c_str()) < 0) return std::nullopt;
    std::unique_ptr<AVFormatContext, OutputFree> out(rawOutput);

    if (avformat_find_stream_info(input.get(), nullptr) < 0) return std::nullopt;
    // The writer stamps AAC after the encoder's priming; stamped back to the samples' own
    // times, the ordinary file skips the priming through its edit list.
    std::vector<std::int64_t> priming(input->nb_streams, 0);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* parameters = input->streams[i]->codecpar;
        if (parameters->codec_id == AV_CODEC_ID_AAC)
            priming[i] = av_rescale_q(parameters->initial_padding > 0 ? parameters->initial_padding : 1024,
                                      {1, parameters->sample_rate > 0 ? parameters->sample_rate : 48000},
                                      input->streams[i]->time_base);
    }

    std::optional<kit::Size> size;
    std::vector<int> map(input->nb_streams, -1);
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVCodecParameters* parameters = input->streams[i]->codecpar;
        if (parameters->codec_type != AVMEDIA_TYPE_VIDEO && parameters->codec_type != AVMEDIA_TYPE_AUDIO) continue;
        AVStream* stream = avformat_new_stream(out.get(), nullptr);
        if (!stream || avcodec_parameters_copy(stream->codecpar, parameters) < 0) return std::nullopt;
        stream->codecpar->codec_tag = 0;
        stream->time_base = input->streams[i]->time_base;
        map[i] = stream->index;
        if (parameters->codec_type == AVMEDIA_TYPE_VIDEO && !size) size = kit::Size{double(parameters->width), double(parameters->height)};
    }
    if (!size) return std::nullopt;
    auto fail = [&output]() -> std::optional<kit::Size> {
        std::error_code ignored;
        std::filesystem::remove(output, ignored);
        return std::nullopt;
    };
    if (avio_open(&out->pb, output.c_str(), AVIO_FLAG_WRITE) < 0) return std::nullopt;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "faststart", 0);
    const int header = avformat_write_header(out.get(), &options);
    av_dict_free(&options);
    if (header < 0) return fail();

    // Sound ends with the picture: the last AAC frame is cut where the video ends.
    const std::int64_t videoEnd = pictureEnd(fragmented);
    std::vector<std::unique_ptr<AVPacket, PacketFree>> held(out->nb_streams);
    auto writeHeld = [&](unsigned index, bool last) {
        AVPacket* p = held[index].get();
        if (!p) return true;
        AVStream* to = out->streams[index];
        if (last && to->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && videoEnd > 0) {
            const std::int64_t end = av_rescale_q(videoEnd, AV_TIME_BASE_Q, to->time_base);
            if (p->pts >= end) return true;
            p->duration = std::min(p->duration, end - p->pts);
        }
        return av_interleaved_write_frame(out.get(), p) >= 0;
    };

    bool hasVideo = false;
    std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    // A file cut short ends in a broken fragment: what could be read is kept.
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        const int index = packet->stream_index;
        if (index < 0 || index >= int(map.size()) || map[index] < 0) {
            av_packet_unref(packet.get());
            continue;
        }
        AVStream* from = input->streams[index];
        AVStream* to = out->streams[map[index]];
        const std::int64_t shift = priming[index];
        if (packet->pts != AV_NOPTS_VALUE) packet->pts -= shift;
        if (packet->dts != AV_NOPTS_VALUE) packet->dts -= shift;
        av_packet_rescale_ts(packet.get(), from->time_base, to->time_base);
        packet->stream_index = to->index;
        packet->pos = -1;
        if (to->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) hasVideo = true;
        if (!writeHeld(unsigned(to->index), false)) return fail();
        held[to->index].reset(av_packet_clone(packet.get()));
        av_packet_unref(packet.get());
    }
    for (unsigned i = 0; i < held.size(); ++i)
        if (!writeHeld(i, true)) return fail();
    if (!hasVideo || av_write_trailer(out.get()) < 0) return fail();
    return size;
}

} // namespace platform::media
