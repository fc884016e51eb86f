// Command-line actions handed by a second launch to the running program on the real X server.

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include "CaptureTestSupport.h"
#include "ProcessHarness.h"

namespace {

using capturetest::windowNamed;

// Runs `glimpo OPTION` beside the running one; it must hand the request over and leave.
void ask(const GlimpoProcessHome& home, const QString& option) {
    GlimpoProcess launch(home);
    launch.process().start(GLIMPO_BINARY, {option});
    ASSERT_TRUE(launch.process().waitForFinished(10000)) << option.toStdString();
    EXPECT_EQ(launch.process().exitCode(), 0) << option.toStdString() << launch.log().toStdString();
    EXPECT_FALSE(launch.log().contains("launched")) << option.toStdString() << " started a second Glimpo";
}

TEST(CommandLineActions, EachActionDoesWhatItsShortcutDoesInTheRunningGlimpo) {
    XServer::require("xdotool");
    GlimpoProcessHome home;
    home.writeQuietSettings();

    GlimpoProcess glimpo(home);
    glimpo.start();
    ASSERT_TRUE(glimpo.waitForLog("launched")) << glimpo.log().toStdString();

    ask(home, "--fullscreen");
    ASSERT_TRUE(glimpo.waitForLog("action=fullscreen")) << glimpo.log().toStdString();
    ASSERT_TRUE(glimpo.waitForLog("stored capture file=Glimpo ")) << glimpo.log().toStdString();
    // Each capture has a folder of its own in the cache.
    const auto stored = [&] {
        QDirIterator it(home.path("cache") + "/org.glimpo.Glimpo/Captures", {"Glimpo *.png"}, QDir::Files,
                        QDirIterator::Subdirectories);
        int count = 0;
        for (; it.hasNext(); it.next()) ++count;
        return count;
    };
    EXPECT_EQ(stored(), 1)
        << glimpo.log().toStdString();

    // The selecting actions take the keyboard and pointer for their overlay; Escape gives them back.
    const std::pair<const char*, const char*> selecting[] = {
        {"--area", "action=area"}, {"--window", "action=window"}, {"--text", "action=text"}, {"--record", "action=recording"}};
    for (const auto& [option, line] : selecting) {
        ask(home, option);
        ASSERT_TRUE(glimpo.waitForLog(line)) << glimpo.log().toStdString();
        ASSERT_TRUE(capturetest::waitUntil([] { return !capturetest::inputIsFree(); })) << option << " showed no overlay";
        capturetest::xdotool({"key", "Escape"});
        ASSERT_TRUE(capturetest::waitUntil(capturetest::inputIsFree)) << option << "'s overlay stayed";
    }

    ask(home, "--bar");
    ASSERT_TRUE(glimpo.waitForLog("action=allInOne")) << glimpo.log().toStdString();
    EXPECT_TRUE(capturetest::waitUntil([] { return !windowNamed("Glimpo All-in-One").isEmpty(); }));
    ask(home, "--bar");
    EXPECT_TRUE(capturetest::waitUntil([] { return windowNamed("Glimpo All-in-One").isEmpty(); }));

    ask(home, "--settings");
    EXPECT_TRUE(capturetest::waitUntil([] { return !windowNamed("Glimpo Settings").isEmpty(); }));

    ask(home, "--quit");
    ASSERT_TRUE(glimpo.process().waitForFinished(10000)) << "--quit left Glimpo running";
    EXPECT_EQ(glimpo.process().exitCode(), 0);
    EXPECT_TRUE(glimpo.log().contains("quit requested"));
}

} // namespace
