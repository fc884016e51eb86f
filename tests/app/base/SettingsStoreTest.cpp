#include "app/base/SettingsStore.h"

#include "app/base/Log.h"
#include "tests/app/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <set>

namespace fs = std::filesystem;

namespace {

using testsupport::filesUnder;
using testsupport::readFile;
using testsupport::writeFile;

class SettingsStoreTest : public testing::Test {
protected:
    testsupport::TempDir dir;
    fs::path file = dir / "config" / "org.glimpo.Glimpo" / "settings.json";
    MemoryLogSink logs;
};

TEST_F(SettingsStoreTest, WritesSurviveANewInstanceArePrivateAndWholeAndNeverHoldTheDefaults) {
    {
        SettingsStore store(file);
        EXPECT_FALSE(fs::exists(file)) << "loading a missing file writes nothing";
        // A string with bad bytes blocks no later write.
        store.setString("saveFolderPath", "/home/ann/\xff");
        store.setBool("welcomeShown", true);
        store.setBool("recordMicrophone", true);
        store.remove("recordMicrophone");
        store.setString("saveFolderPath", "/home/ann/Pictures");
    }
    EXPECT_EQ(filesUnder(file.parent_path()), std::set<fs::path>{file}) << "no temporary file left";
    EXPECT_EQ(testsupport::mode(file), 0600u);
    for (const fs::path& folder : {file.parent_path(), file.parent_path().parent_path()}) {
        EXPECT_EQ(testsupport::mode(folder), 0700u) << folder;
    }
    EXPECT_TRUE(logs.records().empty());

    auto saved = nlohmann::json::parse(readFile(file));
    saved["playsShutterSound"] = "yes";
    saved["thumbnailSeconds"] = 10;
    writeFile(file, saved.dump());
    SettingsStore store(file);
    store.registerDefaults({{"thumbnailSeconds", 6.0}, {"playsShutterSound", true}});
    EXPECT_TRUE(store.boolValue("welcomeShown"));
    EXPECT_EQ(store.stringValue("saveFolderPath"), "/home/ann/Pictures");
    EXPECT_FALSE(store.contains("recordMicrophone"));
    EXPECT_DOUBLE_EQ(store.doubleValue("thumbnailSeconds"), 10.0) << "whole numbers are doubles too";
    EXPECT_TRUE(store.boolValue("playsShutterSound")) << "a wrongly typed value reads as the default";
    store.remove("thumbnailSeconds");
    EXPECT_DOUBLE_EQ(store.doubleValue("thumbnailSeconds"), 6.0);
    EXPECT_FALSE(store.contains("thumbnailSeconds"));
    store.setBool("welcomeShown", false);
    saved = nlohmann::json::parse(readFile(file));
    EXPECT_FALSE(saved.contains("thumbnailSeconds"));
    EXPECT_EQ(saved["playsShutterSound"], "yes") << "values the store does not understand are kept";
}

TEST_F(SettingsStoreTest, EachUnreadableFileIsKeptAsideAndLoggedAndTheStoreStartsOnDefaults) {
    const std::vector<std::string> unreadable{"{\"welcomeShown\": tru", "[true]", "", "{\"a\": \"\xff\xfe\"}",
                                              std::string(100000, '[') + std::string(100000, ']')};
    const std::string logged = "settings unreadable file=";
    for (const std::string& contents : unreadable) {
        writeFile(file, contents);
        logs.clear();
        SettingsStore store(file);
        store.registerDefaults({{"playsShutterSound", true}});
        EXPECT_TRUE(store.boolValue("playsShutterSound"));
        EXPECT_FALSE(fs::exists(file));
        const auto lines = logs.messages("settings");
        ASSERT_EQ(lines.size(), 1u);
        ASSERT_TRUE(lines[0].starts_with(logged)) << lines[0];
        EXPECT_EQ(logs.records()[0].level, LogLevel::error);
        const fs::path aside = lines[0].substr(logged.size(), lines[0].find(" error=") - logged.size());
        EXPECT_EQ(readFile(aside), contents);

        store.setBool("welcomeShown", true);
        EXPECT_TRUE(SettingsStore(file).boolValue("welcomeShown"));
        EXPECT_EQ(readFile(aside), contents) << "a later write must not touch the kept file";
    }
    std::set<std::string> kept;
    for (const auto& path : filesUnder(file.parent_path())) {
        if (path.filename().string().starts_with("settings.json.unreadable-")) kept.insert(readFile(path));
    }
    EXPECT_EQ(kept, std::set<std::string>(unreadable.begin(), unreadable.end())) << "none overwrote another";
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

TEST_F(SettingsStoreTest, WritesGoThroughALinkAndFailedOnesLeaveAReadOnlyFileAndKeepTheValue) {
    const fs::path target = dir / "dotfiles" / "glimpo.json";
    writeFile(target, R"({"thumbnailSeconds": 9})");
    writeFile(target.parent_path() / ".glimpo.json.AbC123", "{");
    fs::create_directories(file.parent_path());
    fs::create_symlink(target, file);
    SettingsStore store(file);
    EXPECT_DOUBLE_EQ(store.doubleValue("thumbnailSeconds"), 9.0);
    EXPECT_EQ(filesUnder(target.parent_path()), std::set<fs::path>{target}) << "a crash's leftover goes";

    store.setBool("welcomeShown", true);
    EXPECT_TRUE(fs::is_symlink(file));
    EXPECT_TRUE(SettingsStore(target).boolValue("welcomeShown"));

    fs::permissions(target, fs::perms(0400));
    const std::string before = readFile(target);
    store.setBool("welcomeShown", false);
    EXPECT_FALSE(store.boolValue("welcomeShown"));
    EXPECT_EQ(readFile(target), before);
    EXPECT_TRUE(logs.contains("settings", "could not write settings file=" + file.string() + " error=Permission denied"));

    // A file where the folder should be.
    SettingsStore blocked(target / "settings.json");
    blocked.setBool("welcomeShown", true);
    EXPECT_TRUE(logs.messages("settings").back().starts_with("could not write settings file=" + (target / "settings.json").string()));
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
