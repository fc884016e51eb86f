#include "app/platform/media/FirstFrame.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <QTransform>

#include <cmath>
#include <memory>

namespace platform::media {
namespace {

// A damaged file must not keep a worker reading forever.
constexpr int maximumPackets = 4096;
// Larger than any display; guards the allocation against nonsense dimensions.
constexpr int maximumSide = 16384;

struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecCloser {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct ScalerFree {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using Format = std::unique_ptr<AVFormatContext, FormatCloser>;
using Codec = std::unique_ptr<AVCodecContext, CodecCloser>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Scaler = std::unique_ptr<SwsContext, ScalerFree>;

// Feeds packets of the stream until the decoder gives its first picture.
Frame decodeFirst(AVFormatContext* format, AVCodecContext* codec, int streamIndex) {
    Packet packet(av_packet_alloc());
    Frame frame(av_frame_alloc());
    if (!packet || !frame) return nullptr;
    for (int read = 0; read < maximumPackets && av_read_frame(format, packet.get()) >= 0; ++read) {
        const bool ours = packet->stream_index == streamIndex;
        const int sent = ours ? avcodec_send_packet(codec, packet.get()) : 0;
        av_packet_unref(packet.get());
        if (!ours) continue;
        if (sent < 0 && sent != AVERROR(EAGAIN)) return nullptr;
        const int received = avcodec_receive_frame(codec, frame.get());
        if (received == 0) return frame;
        if (received != AVERROR(EAGAIN)) return nullptr;
    }
    // Decoders that reorder frames hold the first one back until they are drained.
    avcodec_send_packet(codec, nullptr);
    if (avcodec_receive_frame(codec, frame.get()) == 0) return frame;
    return nullptr;
}

std::optional<QImage> toImage(const AVFrame& frame) {
    const int width = frame.width;
    const int height = frame.height;
    if (width <= 0 || height <= 0 || width > maximumSide || height > maximumSide) return std::nullopt;
    const auto source = static_cast<AVPixelFormat>(frame.format);
    if (source == AV_PIX_FMT_NONE) return std::nullopt;
    Scaler scaler(sws_getContext(width, height, source, width, height, AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr,
                                 nullptr, nullptr));
    if (!scaler) return std::nullopt;
    // swscale's vector code writes past the end of a row whose width is no multiple of its
    // vectors: into a QImage's own buffer that corrupted the heap. FFmpeg's buffer has the padding.
    uint8_t* planes[4] = {};
    int strides[4] = {};
    if (av_image_alloc(planes, strides, width, height, AV_PIX_FMT_RGB32, 64) < 0) return std::nullopt;
    const std::unique_ptr<uint8_t*, void (*)(void*)> owned(&planes[0], av_freep);
    if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, height, planes, strides) != height) return std::nullopt;
    // Both name 32-bit 0xAARRGGBB in the machine's byte order; converting copies out of FFmpeg's buffer.
    const QImage view(planes[0], width, height, strides[0], QImage::Format_ARGB32);
    return view.convertToFormat(QImage::Format_RGB32);
}

// The turn the track's display matrix asks for, in whole quarter turns clockwise.
int quarterTurns(const AVStream& stream) {
    const uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (!matrix) return 0;
    const double counterClockwise = av_display_rotation_get(reinterpret_cast<const int32_t*>(matrix));
    if (!std::isfinite(counterClockwise)) return 0;
    const long turns = std::lround(-counterClockwise / 90.0);
    return static_cast<int>(((turns % 4) + 4) % 4);
}

} // namespace

std::optional<QImage> firstFrame(const std::filesystem::path& movie) {
    AVFormatContext* opened = nullptr;
    if (avformat_open_input(&opened, movie.c_str(), nullptr, nullptr) < 0) return std::nullopt;
    Format format(opened);
    if (avformat_find_stream_info(format.get(), nullptr) < 0) return std::nullopt;

    const AVCodec* decoder = nullptr;
    const int streamIndex = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (streamIndex < 0 || !decoder) return std::nullopt;
    const AVStream& stream = *format->streams[streamIndex];

    Codec codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), stream.codecpar) < 0) return std::nullopt;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return std::nullopt;

    Frame frame = decodeFirst(format.get(), codec.get(), streamIndex);
    if (!frame) return std::nullopt;
    std::optional<QImage> image = toImage(*frame);
    if (!image) return std::nullopt;
    if (const int turns = quarterTurns(stream)) return image->transformed(QTransform().rotate(90.0 * turns));
    return image;
}

} // namespace platform::media
