// The writer's rules on samples made up by the test: what starts the time line, what is
// dropped, and how a movie without frames ends.

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
}

#include "MovieProbe.h"
#include "TestSupport.h"
#include "app/platform/media/MovieFinisher.h"
#include "app/recording/RecordingWriter.h"
#include "app/recording/StreamRecordingSession.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

RecordingWriter::Sample frame(double seconds, std::optional<long long> status) {
    RecordingWriter::Sample sample;
    sample.time = kit::MediaTime::fromSeconds(seconds, 1'000'000'000);
    sample.status = status;
    sample.picture.reset(av_frame_alloc());
    sample.picture->format = 0; // AV_PIX_FMT_YUV420P
    sample.picture->width = 64;
    sample.picture->height = 64;
    av_frame_get_buffer(sample.picture.get(), 32);
    av_frame_make_writable(sample.picture.get());
    for (int plane = 0; plane < 3; ++plane)
        std::fill_n(sample.picture->data[plane], sample.picture->linesize[plane] * (plane ? 32 : 64), 128);
    return sample;
}

RecordingWriter::Sample sound(RecordingWriter::Output type, double seconds, double length, float level) {
    RecordingWriter::Sample sample;
    sample.type = type;
    sample.time = kit::MediaTime::fromSeconds(seconds, 1'000'000'000);
    sample.audio.assign(std::size_t(length * 48000) * 2, level);
    for (std::size_t i = 0; i < sample.audio.size(); i += 4) sample.audio[i] = -level;
    return sample;
}

TEST(RecordingWriter, WithoutACompleteFrameNothingWasRecorded) {
    testsupport::TempDir dir;
    RecordingWriter writer(dir / "movie.mp4", {64, 64}, true, false);
    writer.stream(frame(100.0, RecordingWriter::frameIdle));
    writer.stream(frame(100.1, std::nullopt));
    writer.stream(frame(100.2, RecordingWriter::frameHeld));
    writer.stream(sound(RecordingWriter::Output::audio, 100.0, 0.5, 0.5f));
    const auto error = writer.finish(kit::MediaTime::fromSeconds(101, 600));
    ASSERT_TRUE(error);
    EXPECT_STREQ(error->reason(), "Nothing was recorded.");
}

// A held frame (Glimpo's window was over the area) starts the time line as a complete one would.
TEST(RecordingWriter, TimeLineStartsAtTheFirstCompleteOrHeldFrameAndEndsAtTheStopWithoutTheSoundAfterIt) {
    testsupport::TempDir dir;
    {
        RecordingWriter writer(dir / "movie.mp4", {64, 64}, false, true);
        // Loud sound before the time line never reaches the file.
        writer.stream(sound(RecordingWriter::Output::microphone, 8.5, 1.0, 0.9f));
        writer.stream(frame(9.5, RecordingWriter::frameIdle));
        writer.stream(frame(9.8, RecordingWriter::frameHeld));
        writer.stream(frame(10.0, RecordingWriter::frameComplete));
        writer.stream(sound(RecordingWriter::Output::microphone, 10.0, 1.0, 0.001f));
        // System audio has no track here: dropped.
        writer.stream(sound(RecordingWriter::Output::audio, 10.0, 1.0, 0.9f));
        writer.stream(frame(11.0, RecordingWriter::frameComplete));
        // Heard across the stop: only its first tenth of a second is the recording's.
        writer.stream(sound(RecordingWriter::Output::microphone, 13.9, 0.5, 0.9f));
        EXPECT_FALSE(writer.finish(kit::MediaTime::fromSeconds(14.0, 600)));
    }
    ASSERT_TRUE(platform::media::finishMovie(dir / "movie.mp4", dir / "final.mp4"));
    const ProbedMovie movie = probe(dir / "final.mp4");
    ASSERT_EQ(movie.streams.size(), 2u);
    EXPECT_EQ(movie.streams[0].type, "video");
    EXPECT_EQ(movie.streams[1].type, "audio");
    // Ends at the stop, 4.2 seconds after the held frame, though the last frame came at 1.2.
    EXPECT_NEAR(movie.streams[0].duration, 4.2, 1.0 / 60);
    EXPECT_NEAR(movie.duration, 4.2, 1.0 / 60);
    EXPECT_NEAR(firstLoudSample(dir / "final.mp4", 0), 4.1, 0.005);
}

TEST(StreamRecordingSessionTest, AWriterThatCannotStartClosesTheSharedScreensRemote) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[1]);
    RecordingSession::Settings settings;
    settings.file = "/nonexistent/folder/movie.mp4";
    settings.rootArea = QRect(0, 0, 64, 64);
    settings.size = {64, 64};
    settings.sharedScreen = RecordingSession::Settings::SharedScreen{ends[0], 1, QRect(0, 0, 64, 64)};
    EXPECT_ANY_THROW(StreamRecordingSession session(settings));
    EXPECT_EQ(::fcntl(ends[0], F_GETFD), -1) << "the remote was left open";
}

} // namespace
