#include "app/base/SettingsStore.h"

#include "app/base/Log.h"
#include "tests/app/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

using testsupport::readFile;
using testsupport::writeFile;

std::set<std::string> names(const fs::path& folder) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder)) found.insert(entry.path().filename().string());
    return found;
}

class SettingsStoreTest : public testing::Test {
protected:
    std::vector<fs::path> asideFiles() const {
        std::vector<fs::path> found;
        for (const auto& name : names(file.parent_path())) {
            if (name.starts_with("settings.json.unreadable-")) found.push_back(file.parent_path() / name);
        }
        return found;
    }

    testsupport::TempDir dir;
    fs::path file = dir / "config" / "org.glimpo.Glimpo" / "settings.json";
    MemoryLogSink logs;
};

TEST_F(SettingsStoreTest, WritesSurviveANewInstanceAndArePrivateAndWhole) {
    {
        SettingsStore store(file);
        EXPECT_FALSE(fs::exists(file)) << "loading a missing file writes nothing";
        store.setBool("welcomeShown", true);
        store.setDouble("thumbnailSeconds", 12.5);
        store.setString("saveFolderPath", "/home/ann/Pictures");
        store.setBool("recordMicrophone", true);
        store.remove("recordMicrophone");
    }
    SettingsStore again(file);
    EXPECT_TRUE(again.boolValue("welcomeShown"));
    EXPECT_DOUBLE_EQ(again.doubleValue("thumbnailSeconds"), 12.5);
    EXPECT_EQ(again.stringValue("saveFolderPath"), "/home/ann/Pictures");
    EXPECT_FALSE(again.contains("recordMicrophone"));

    EXPECT_EQ(names(file.parent_path()), std::set<std::string>{"settings.json"}) << "no temporary file left";
    EXPECT_EQ(testsupport::mode(file), 0600u);
    for (const fs::path& folder : {file.parent_path(), file.parent_path().parent_path()}) {
        EXPECT_EQ(testsupport::mode(folder), 0700u) << folder;
    }
    EXPECT_TRUE(logs.records().empty());
}

TEST_F(SettingsStoreTest, RegisteredDefaultsAreFallbacksAndNeverWritten) {
    writeFile(file, R"({"playsShutterSound": "yes", "thumbnailSeconds": 10})");
    SettingsStore store(file);
    store.registerDefaults({{"thumbnailSeconds", 6.0}, {"playsShutterSound", true}});

    EXPECT_DOUBLE_EQ(store.doubleValue("thumbnailSeconds"), 10.0) << "whole numbers are doubles too";
    EXPECT_TRUE(store.boolValue("playsShutterSound")) << "a wrongly typed value reads as the default";
    EXPECT_FALSE(store.boolValue("recordMicrophone"));
    EXPECT_EQ(store.stringValue("saveFolderPath"), std::nullopt);

    store.remove("thumbnailSeconds");
    EXPECT_DOUBLE_EQ(store.doubleValue("thumbnailSeconds"), 6.0);
    EXPECT_FALSE(store.contains("thumbnailSeconds"));
    store.setBool("welcomeShown", true);

    const auto saved = nlohmann::json::parse(readFile(file));
    EXPECT_FALSE(saved.contains("thumbnailSeconds"));
    EXPECT_EQ(saved["playsShutterSound"], "yes") << "values the store does not understand are kept";
}

const std::map<std::string, std::string> unreadableContents{
    {"brokenJson", "{\"welcomeShown\": tru"},
    {"notAnObject", "[true]"},
    {"empty", ""},
    {"badUtf8", "{\"a\": \"\xff\xfe\"}"},
    {"nestedTooDeeply", std::string(100000, '[') + std::string(100000, ']')},
};

// The parameter names an entry of unreadableContents.
class UnreadableSettingsTest : public SettingsStoreTest, public testing::WithParamInterface<std::string> {};

TEST_P(UnreadableSettingsTest, FileIsKeptAsideLoggedAndTheStoreStartsOnDefaults) {
    const std::string& contents = unreadableContents.at(GetParam());
    writeFile(file, contents);
    SettingsStore store(file);
    store.registerDefaults({{"playsShutterSound", true}});

    EXPECT_TRUE(store.boolValue("playsShutterSound"));
    EXPECT_FALSE(fs::exists(file));
    const auto aside = asideFiles();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(readFile(aside[0]), contents);
    const auto lines = logs.messages("settings");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("settings unreadable file=" + aside[0].string() + " error=")) << lines[0];
    EXPECT_EQ(logs.records()[0].level, LogLevel::error);

    store.setBool("welcomeShown", true);
    EXPECT_TRUE(SettingsStore(file).boolValue("welcomeShown"));
    EXPECT_EQ(readFile(aside[0]), contents) << "a later write must not touch the kept file";
}

INSTANTIATE_TEST_SUITE_P(Contents, UnreadableSettingsTest,
                         testing::Values("brokenJson", "notAnObject", "empty", "badUtf8", "nestedTooDeeply"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

TEST_F(SettingsStoreTest, EveryUnreadableFileIsKeptWithoutOverwritingAnother) {
    writeFile(file, "first{");
    { SettingsStore store(file); }
    writeFile(file, "second{");
    { SettingsStore store(file); }

    const auto aside = asideFiles();
    ASSERT_EQ(aside.size(), 2u);
    EXPECT_EQ((std::set<std::string>{readFile(aside[0]), readFile(aside[1])}),
              (std::set<std::string>{"first{", "second{"}));
}

TEST_F(SettingsStoreTest, FailedWriteIsLoggedAndTheValueStaysInMemory) {
    writeFile(dir / "blocker", "a file where the folder should be");
    SettingsStore store(dir / "blocker" / "settings.json");
    store.setBool("welcomeShown", true);

    EXPECT_TRUE(store.boolValue("welcomeShown"));
    const auto lines = logs.messages("settings");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("could not write settings file=")) << lines[0];
}

TEST_F(SettingsStoreTest, OneStringWithBadBytesDoesNotBlockLaterWrites) {
    SettingsStore store(file);
    store.setString("saveFolderPath", "/home/ann/\xff");
    store.setBool("welcomeShown", true);
    EXPECT_TRUE(SettingsStore(file).boolValue("welcomeShown"));
}

TEST_F(SettingsStoreTest, AFifoOrALinkToOneIsKeptAsideWithoutBlocking) {
    fs::create_directories(file.parent_path());
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    for (const fs::path& fifo : {file, dir / "fifo"}) {
        if (fifo == file) ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
        else fs::create_symlink(fifo, file);
        logs.clear();
        auto loading = std::async(std::launch::async, [&] { SettingsStore store(file); });
        if (loading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            // Unblocks the open so the test can fail instead of hanging.
            close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
            FAIL() << "loading blocked on a FIFO";
        }
        const auto lines = logs.messages("settings");
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_TRUE(lines[0].ends_with(" error=not a regular file")) << lines[0];
        EXPECT_FALSE(fs::exists(fifo));
    }
}

TEST_F(SettingsStoreTest, WritesGoThroughALinkToItsTargetAndNeverOverAReadOnlyFile) {
    const fs::path target = dir / "dotfiles" / "glimpo.json";
    writeFile(target, R"({"thumbnailSeconds": 9})");
    writeFile(target.parent_path() / "glimpo.json.tmp-AbC123", "{");
    fs::create_directories(file.parent_path());
    fs::create_symlink(target, file);
    SettingsStore store(file);
    EXPECT_DOUBLE_EQ(store.doubleValue("thumbnailSeconds"), 9.0);
    EXPECT_EQ(names(target.parent_path()), std::set<std::string>{"glimpo.json"}) << "a crash's leftover goes";

    store.setBool("welcomeShown", true);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_TRUE(SettingsStore(target).boolValue("welcomeShown"));
    EXPECT_EQ(names(target.parent_path()), std::set<std::string>{"glimpo.json"});

    fs::permissions(target, fs::perms(0400));
    const std::string before = readFile(target);
    store.setBool("welcomeShown", false);
    EXPECT_FALSE(store.boolValue("welcomeShown"));
    EXPECT_EQ(readFile(target), before);
    EXPECT_TRUE(logs.contains("settings", "could not write settings file=" + file.string() + " error=Permission denied"));
}

TEST_F(SettingsStoreTest, WhatIsWrittenCanBeReadBack) {
    // Just under the read limit compact, four times over it indented.
    nlohmann::json big = nlohmann::json::array();
    for (int i = 0; i < 450000; ++i) big.push_back(0);
    writeFile(file, nlohmann::json{{"mine", big}}.dump());
    SettingsStore store(file);
    store.setBool("welcomeShown", true);
    SettingsStore again(file);
    EXPECT_TRUE(again.boolValue("welcomeShown"));
    EXPECT_TRUE(again.contains("mine"));

    store.setString("saveFolderPath", std::string(2 << 20, 'x'));
    EXPECT_TRUE(SettingsStore(file).boolValue("welcomeShown")) << "a file too large is not written";
    EXPECT_TRUE(logs.contains("settings", "could not write settings file=" + file.string() + " error=File too large"));
}

} // namespace
