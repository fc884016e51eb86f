#include <gtest/gtest.h>

#include "app/platform/media/FirstFrame.h"
#include "tests/app/TestSupport.h"

namespace fs = std::filesystem;

namespace {

void ffmpeg(const QStringList& args) { testsupport::run("ffmpeg", QStringList{"-v", "error", "-y"} + args); }

QString arg(const fs::path& path) { return QString::fromStdString(path.string()); }

TEST(FirstFrame, IsFrameZeroAtThePicturesOwnSizeTurnedAsTheTrackSaysAndNothingWithoutVideo) {
    testsupport::TempDir temp;
    // A one-second test picture: colour bars from black on the left to white on the right.
    ffmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=30", "-t", "1", "-pix_fmt", "yuv420p", arg(temp / "out.mp4")});
    const auto frame = platform::media::firstFrame(temp / "out.mp4");
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->size(), QSize(320, 240));
    EXPECT_LT(qGray(frame->pixel(5, 5)), 60);
    EXPECT_GT(qGray(frame->pixel(315, 5)), 200);

    ffmpeg({"-i", arg(temp / "out.mp4"), "-c", "copy", "-metadata:s:v:0", "rotate=90", arg(temp / "turned.mp4")});
    const auto turned = platform::media::firstFrame(temp / "turned.mp4");
    ASSERT_TRUE(turned.has_value());
    EXPECT_EQ(turned->size(), QSize(240, 320));
    // Shown as ffmpeg itself shows it: the white right edge now on top.
    EXPECT_GT(qGray(turned->pixel(5, 5)), 200);
    EXPECT_LT(qGray(turned->pixel(5, 315)), 60);

    testsupport::writeFile(temp / "text.mp4", "not a movie");
    EXPECT_FALSE(platform::media::firstFrame(temp / "text.mp4").has_value());
    EXPECT_FALSE(platform::media::firstFrame(temp / "missing.mp4").has_value());
}

} // namespace
