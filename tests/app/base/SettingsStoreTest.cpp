#include "app/base/SettingsStore.h"

#include "app/base/Log.h"
#include "tests/app/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string readText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeText(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

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
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    for (const fs::path& folder : {file.parent_path(), file.parent_path().parent_path()}) {
        ASSERT_EQ(stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << folder;
    }
    EXPECT_TRUE(logs.records().empty());
}

TEST_F(SettingsStoreTest, RegisteredDefaultsAreFallbacksAndNeverWritten) {
    writeText(file, R"({"playsShutterSound": "yes", "thumbnailSeconds": 10})");
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

    const auto saved = nlohmann::json::parse(readText(file));
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
    writeText(file, contents);
    SettingsStore store(file);
    store.registerDefaults({{"playsShutterSound", true}});

    EXPECT_TRUE(store.boolValue("playsShutterSound"));
    EXPECT_FALSE(fs::exists(file));
    const auto aside = asideFiles();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(readText(aside[0]), contents);
    const auto lines = logs.messages("settings");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].starts_with("settings unreadable file=" + aside[0].string() + " error=")) << lines[0];
    EXPECT_EQ(logs.records()[0].level, LogLevel::error);

    store.setBool("welcomeShown", true);
    EXPECT_TRUE(SettingsStore(file).boolValue("welcomeShown"));
    EXPECT_EQ(readText(aside[0]), contents) << "a later write must not touch the kept file";
}

INSTANTIATE_TEST_SUITE_P(Contents, UnreadableSettingsTest,
                         testing::Values("brokenJson", "notAnObject", "empty", "badUtf8", "nestedTooDeeply"),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

TEST_F(SettingsStoreTest, EveryUnreadableFileIsKeptWithoutOverwritingAnother) {
    writeText(file, "first{");
    { SettingsStore store(file); }
    writeText(file, "second{");
    { SettingsStore store(file); }

    const auto aside = asideFiles();
    ASSERT_EQ(aside.size(), 2u);
    EXPECT_EQ((std::set<std::string>{readText(aside[0]), readText(aside[1])}),
              (std::set<std::string>{"first{", "second{"}));
}

TEST_F(SettingsStoreTest, FailedWriteIsLoggedAndTheValueStaysInMemory) {
    writeText(dir / "blocker", "a file where the folder should be");
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

TEST_F(SettingsStoreTest, StandardPathFollowsAnAbsoluteConfigHome) {
    testsupport::ScopedEnv home("HOME", "/home/ann");
    const fs::path fallback = "/home/ann/.config/org.glimpo.Glimpo/settings.json";
    const std::map<std::optional<std::string>, fs::path> expected{
        {"/tmp/conf", "/tmp/conf/org.glimpo.Glimpo/settings.json"},
        {"relative/conf", fallback},
    };
    for (const auto& [config, path] : expected) {
        testsupport::ScopedEnv env("XDG_CONFIG_HOME", config);
        EXPECT_EQ(SettingsStore::standardPath(), path) << config.value_or("unset");
    }
}

} // namespace
