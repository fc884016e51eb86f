#include "kit/CaptureFileNamer.h"

#include <chrono>
#include <set>

#include <gtest/gtest.h>

using namespace std::chrono;
using kit::Calendar;
using kit::CaptureKind;
namespace CaptureFileNamer = kit::CaptureFileNamer;
using Path = std::filesystem::path;

namespace {

TEST(CaptureFileNamerTest, NameCarriesKindAndLocalMoment) {
    const auto utc = Calendar::fixedOffset(0s);
    const system_clock::time_point moment = sys_days(2026y / March / 5) + 9h + 7min + 3s + 750ms;
    EXPECT_EQ(CaptureFileNamer::fileName(CaptureKind::image, moment, utc),
              "Glimpo 2026-03-05 at 09.07.03.png");
    EXPECT_EQ(CaptureFileNamer::fileName(CaptureKind::image, moment, Calendar::fixedOffset(15h)),
              "Glimpo 2026-03-06 at 00.07.03.png");
}

// An existence test over a fixed set of names.
auto existing(std::set<Path> taken) {
    return [taken = std::move(taken)](const Path& p) { return taken.count(p) > 0; };
}

TEST(CaptureFileNamerTest, SmallestFreeNumberGoesBeforeTheLastExtensionOnly) {
    EXPECT_EQ(CaptureFileNamer::uniqueURL("/saves", "a.png", existing({})), Path("/saves/a.png"));
    const std::string name = "Glimpo 2026-03-05 at 09.07.03.png";
    EXPECT_EQ(CaptureFileNamer::uniqueURL("/s", name, existing({"/s/" + name, "/s/Glimpo 2026-03-05 at 09.07.03 (2).png"})),
              Path("/s/Glimpo 2026-03-05 at 09.07.03 (3).png"));
    EXPECT_EQ(CaptureFileNamer::uniqueURL("/f", "movie.tar.gz", existing({"/f/movie.tar.gz"})), Path("/f/movie.tar (2).gz"));
    EXPECT_EQ(CaptureFileNamer::uniqueURL("/f", ".hidden", existing({"/f/.hidden"})), Path("/f/.hidden (2)"));
}

} // namespace
