#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "app/base/Translations.h"
#include "app/core/CommandLine.h"

namespace {

CommandLine::Parsed parse(std::initializer_list<const char*> args) {
    std::vector<const char*> argv{"glimpo"};
    argv.insert(argv.end(), args);
    return CommandLine::parse(static_cast<int>(argv.size()), argv.data(), Translations());
}

TEST(CommandLine, ActionsBecomeRequestsThatTravelAsOneWord) {
    using CommandLine::Request;
    EXPECT_EQ(parse({}).request, Request::reopen);
    EXPECT_FALSE(parse({}).finished());
    EXPECT_EQ(parse({"--record"}).request, Request::record);
    // The same action twice is still one action.
    EXPECT_EQ(parse({"--area", "--area"}).request, Request::area);
    for (Request r : {Request::reopen, Request::area, Request::window, Request::fullscreen, Request::record,
                      Request::text, Request::bar, Request::settings, Request::quit})
        EXPECT_EQ(CommandLine::fromWord(CommandLine::word(r)), r);
    EXPECT_EQ(CommandLine::fromWord("--area"), std::nullopt);
}

TEST(CommandLine, ADelayGoesWithACaptureAndTravelsAfterItsWord) {
    using CommandLine::Request;
    const auto delayed = parse({"--delay", "2", "--fullscreen"});
    EXPECT_EQ(delayed.request, Request::fullscreen);
    EXPECT_EQ(delayed.delaySeconds, 2);
    EXPECT_EQ(parse({"--record", "--delay=10"}).delaySeconds, 10);
    CommandLine::Parsed area;
    area.request = Request::area;
    area.delaySeconds = 5;
    EXPECT_EQ(CommandLine::message(area), "area 5");
    area.delaySeconds = 0;
    EXPECT_EQ(CommandLine::message(area), "area");
    const auto back = CommandLine::fromMessage("window 3600");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->request, Request::window);
    EXPECT_EQ(back->delaySeconds, 3600);
    for (const char* refused : {"text 3", "area 3601", "area -1", "area 2 3", "area x"})
        EXPECT_FALSE(CommandLine::fromMessage(refused)) << refused;
}

TEST(CommandLine, APictureToEditTravelsWithItsAbsolutePath) {
    using CommandLine::Request;
    const auto flagged = parse({"--edit", "shots/Glimpo at 09.07.png"});
    EXPECT_EQ(flagged.request, Request::edit);
    EXPECT_EQ(flagged.file, std::filesystem::current_path() / "shots/Glimpo at 09.07.png");
    EXPECT_EQ(parse({"/tmp/../tmp/ä b.png"}).file, std::filesystem::path("/tmp/ä b.png")) << "as Open With gives it";
    const std::string message = CommandLine::message(parse({"/tmp/ä b%.png"}));
    EXPECT_EQ(message, "edit /tmp/%C3%A4%20b%25.png");
    EXPECT_EQ(CommandLine::fromMessage(message)->file, std::filesystem::path("/tmp/ä b%.png"));
    EXPECT_EQ(CommandLine::fromMessage("area")->request, Request::area);
    for (const char* junk : {"edit", "edit relative.png", "edit /a%2", "area /tmp/a.png", "paint /tmp/a.png"})
        EXPECT_FALSE(CommandLine::fromMessage(junk)) << junk;
}

TEST(CommandLine, RefusedOptionsEndTheLaunchWithTheUsageOnStandardErrorHelpAndVersionOnStandardOutput) {
    for (const auto& [parsed, sentence] :
         {std::pair{parse({"--screenshot"}), "unknown option '--screenshot'"},
          std::pair{parse({"--edit"}), "--edit needs a picture file"},
          std::pair{parse({"a.png", "b.png"}), "give one picture at a time"},
          std::pair{parse({"--area", "--window"}), "give one action at a time"},
          std::pair{parse({"--area", "--delay"}), "--delay needs a number of seconds"},
          std::pair{parse({"--delay", "1.5", "--area"}), "--delay takes whole seconds from 0 to 3600, not '1.5'"},
          std::pair{parse({"--delay", "3"}), "--delay goes with --area, --window, --fullscreen or --record"},
          std::pair{parse({"--delay", "3", "--text"}), "--delay goes with"}}) {
        ASSERT_TRUE(parsed.error);
        EXPECT_FALSE(parsed.output);
        EXPECT_EQ(parsed.exitStatus, 2);
        EXPECT_TRUE(parsed.error->starts_with(std::string("glimpo: ") + sentence)) << *parsed.error;
        EXPECT_NE(parsed.error->find("Usage: glimpo [OPTION]"), std::string::npos) << *parsed.error;
    }

    // Help and version answer on standard output whatever else is given.
    const auto help = parse({"--area", "-h"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.output && help.output->find("--fullscreen") != std::string::npos);
    const auto version = parse({"--version"}).output.value_or("");
    EXPECT_TRUE(version.starts_with("Glimpo ") && version.ends_with("\n") && version.size() > 8) << version;
    EXPECT_EQ(parse({"-v"}).output, parse({"--version"}).output);
}

} // namespace
