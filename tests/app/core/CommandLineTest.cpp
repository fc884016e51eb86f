#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "app/core/CommandLine.h"

namespace {

CommandLine::Parsed parse(std::initializer_list<const char*> args) {
    std::vector<const char*> argv{"glimpo"};
    argv.insert(argv.end(), args);
    return CommandLine::parse(static_cast<int>(argv.size()), argv.data());
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
    for (const auto& parsed : {parse({"--screenshot"}), parse({"--edit"}), parse({"a.png", "b.png"}), parse({"--area", "--window"})}) {
        ASSERT_TRUE(parsed.error);
        EXPECT_FALSE(parsed.output);
        EXPECT_EQ(parsed.exitStatus, 2);
        EXPECT_NE(parsed.error->find("Usage: glimpo [OPTION]"), std::string::npos) << *parsed.error;
    }
    EXPECT_NE(parse({"--screenshot"}).error->find("unknown option '--screenshot'"), std::string::npos);
    EXPECT_NE(parse({"--area", "--window"}).error->find("one action at a time"), std::string::npos);

    // Help and version answer on standard output whatever else is given.
    const auto help = parse({"--area", "-h"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.output && help.output->find("--fullscreen") != std::string::npos);
    const auto version = parse({"--version"}).output.value_or("");
    EXPECT_TRUE(version.starts_with("Glimpo ") && version.ends_with("\n") && version.size() > 8) << version;
    EXPECT_EQ(parse({"-v"}).output, parse({"--version"}).output);
}

} // namespace
