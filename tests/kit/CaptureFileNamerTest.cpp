#include "kit/CaptureFileNamer.h"

#include <chrono>
#include <set>
#include <vector>

#include <gtest/gtest.h>

using namespace std::chrono;
using kit::Calendar;
using kit::CaptureKind;
namespace CaptureFileNamer = kit::CaptureFileNamer;
using Path = std::filesystem::path;

namespace {

system_clock::time_point at(sys_days day, seconds time) {
    return system_clock::time_point(day + time);
}

TEST(CaptureFileNamerTest, NameCarriesKindAndLocalMoment) {
    const auto utc = Calendar::fixedOffset(0s);
    const auto moment = at(2026y / March / 5, 9h + 7min + 3s) + milliseconds(750);
    EXPECT_EQ(CaptureFileNamer::fileName(CaptureKind::image, moment, utc),
              "Glimpo 2026-03-05 at 09.07.03.png");
    EXPECT_EQ(CaptureFileNamer::fileName(CaptureKind::video, moment, utc),
              "Glimpo 2026-03-05 at 09.07.03.mp4");
    EXPECT_EQ(CaptureFileNamer::fileName(CaptureKind::image, moment, Calendar::fixedOffset(15h)),
              "Glimpo 2026-03-06 at 00.07.03.png");
}

// An existence test over a fixed set of names that records what it was asked.
struct Folder {
    std::set<Path> taken;
    std::vector<Path> asked;

    auto exists() {
        return [this](const Path& p) {
            asked.push_back(p);
            return taken.count(p) > 0;
        };
    }
};

TEST(CaptureFileNamerTest, SmallestFreeNumberWins) {
    Folder empty;
    EXPECT_EQ(CaptureFileNamer::uniqueURL("/saves", "a.png", empty.exists()), Path("/saves/a.png"));
    EXPECT_EQ(empty.asked, std::vector<Path>{"/saves/a.png"});

    const std::string name = "Glimpo 2026-03-05 at 09.07.03.png";
    Folder folder{{"/s/" + name, "/s/Glimpo 2026-03-05 at 09.07.03 (2).png"}, {}};
    EXPECT_EQ(CaptureFileNamer::uniqueURL("/s", name, folder.exists()),
              Path("/s/Glimpo 2026-03-05 at 09.07.03 (3).png"));
    EXPECT_EQ(folder.asked.size(), 3u);

    Folder gap{{"/s/" + name, "/s/Glimpo 2026-03-05 at 09.07.03 (3).png"}, {}};
    EXPECT_EQ(CaptureFileNamer::uniqueURL("/s", name, gap.exists()),
              Path("/s/Glimpo 2026-03-05 at 09.07.03 (2).png"));
}

TEST(CaptureFileNamerTest, NumberGoesBeforeTheLastExtensionOnly) {
    struct Case {
        std::string name;
        Path second;
    };
    const std::vector<Case> cases = {
        {"movie.tar.gz", "/f/movie.tar (2).gz"},
        {".hidden", "/f/.hidden (2)"},
    };
    for (const Case& c : cases) {
        Folder folder{{"/f/" + c.name}, {}};
        EXPECT_EQ(CaptureFileNamer::uniqueURL("/f", c.name, folder.exists()), c.second) << c.name;
    }
}

} // namespace
