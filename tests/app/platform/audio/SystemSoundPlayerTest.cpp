#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/base/AppSettings.h"
#include "app/base/Log.h"
#include "app/base/SettingsStore.h"
#include "app/platform/audio/EventSounds.h"
#include "app/platform/audio/SystemSoundPlayer.h"
#include "tests/app/TestSupport.h"

namespace fs = std::filesystem;

namespace {

// Records what was loaded and played; knows only the files and names it was given.
class FakeSounds : public platform::audio::EventSounds {
public:
    struct Log {
        std::vector<std::string> loads, played;
    };
    std::shared_ptr<Log> log = std::make_shared<Log>();
    std::vector<fs::path> files;
    std::vector<std::string> names;
    bool device = true;

    bool deviceAvailable() override { return device; }
    std::unique_ptr<platform::audio::LoadedSound> loadFile(const fs::path& file) override {
        return load("file " + file.string(), std::count(files.begin(), files.end(), file), file.filename());
    }
    std::unique_ptr<platform::audio::LoadedSound> named(const std::string& name) override {
        return load("named " + name, std::count(names.begin(), names.end(), name), name);
    }

private:
    struct Sound : platform::audio::LoadedSound {
        std::shared_ptr<Log> log;
        std::string name;
        Sound(std::shared_ptr<Log> l, std::string n) : log(std::move(l)), name(std::move(n)) {}
        void stop() override { log->played.push_back("stop " + name); }
        void play() override { log->played.push_back("play " + name); }
    };
    std::unique_ptr<platform::audio::LoadedSound> load(const std::string& what, long known, const std::string& name) {
        log->loads.push_back(what);
        return known ? std::make_unique<Sound>(log, name) : nullptr;
    }
};

const fs::path shutterFile = fs::path("/usr/share/sounds/freedesktop/stereo") / "screen-capture.oga";

class SystemSoundPlayerTest : public ::testing::Test {
protected:
    testsupport::TempDir temp;
    MemoryLogSink logs;
    AppSettings settings{std::make_unique<SettingsStore>(temp / "settings.json")};
    FakeSounds* sounds = nullptr;
    std::shared_ptr<FakeSounds::Log> record;
    std::unique_ptr<SystemSoundPlayer> player;

    void SetUp() override {
        auto fake = std::make_unique<FakeSounds>();
        sounds = fake.get();
        record = fake->log;
        player = std::make_unique<SystemSoundPlayer>(settings, std::move(fake));
    }
};

TEST_F(SystemSoundPlayerTest, WithSoundsOffNothingIsLoadedOrPlayed) {
    sounds->files = {shutterFile};
    settings.setPlaysSounds(false);
    player->play(kit::CaptureSound::screenshot);
    player->play(kit::CaptureSound::textCopied);
    EXPECT_TRUE(record->loads.empty());
    EXPECT_TRUE(record->played.empty());
}

TEST_F(SystemSoundPlayerTest, AFileIsLoadedOnceAndAMissingOneFallsBackToTheThemeSound) {
    sounds->files = {shutterFile};
    sounds->names = {"complete"};
    player->play(kit::CaptureSound::screenshot);
    player->play(kit::CaptureSound::screenshot);
    player->play(kit::CaptureSound::textCopied);
    EXPECT_EQ(record->loads, (std::vector<std::string>{"file " + shutterFile.string(), "named complete"}));
    EXPECT_EQ(record->played, (std::vector<std::string>{"stop screen-capture.oga", "play screen-capture.oga",
                                                        "stop screen-capture.oga", "play screen-capture.oga",
                                                        "stop complete", "play complete"}));
}

TEST_F(SystemSoundPlayerTest, WhenNothingCanPlayEachPlayLogsAndTriesAgainNextTime) {
    player->play(kit::CaptureSound::screenshot);
    EXPECT_EQ(logs.messages("sound"), std::vector<std::string>{"sound unavailable fallback=camera-shutter"});
    // Installed meanwhile: found, because a missing sound is not remembered.
    sounds->names = {"camera-shutter"};
    player->play(kit::CaptureSound::screenshot);
    EXPECT_EQ(record->played, (std::vector<std::string>{"stop camera-shutter", "play camera-shutter"}));

    // Without a sound device nothing more is loaded, and it is said once.
    sounds->device = false;
    const auto loads = record->loads.size();
    for (int capture = 0; capture < 3; ++capture) player->play(kit::CaptureSound::textCopied);
    EXPECT_EQ(record->loads.size(), loads);
    EXPECT_EQ(logs.messages("sound").size(), 2u);
}

TEST(EventSounds, ThemeSoundsAreLookedUpInTheDataFoldersAndFilesMustBeReadable) {
    testsupport::TempDir temp;
    const fs::path stereo = temp / "data" / "sounds" / "freedesktop" / "stereo";
    fs::create_directories(stereo);
    std::ofstream(stereo / "complete.oga") << "ogg";
    testsupport::ScopedEnv dataHome("XDG_DATA_HOME", (temp / "home").string());
    testsupport::ScopedEnv dataDirs("XDG_DATA_DIRS", "relative/ignored:" + (temp / "data").string());

    EXPECT_EQ(platform::audio::themeSoundFile("complete"), stereo / "complete.oga");
    EXPECT_TRUE(platform::audio::themeSoundFile("camera-shutter").empty());
    EXPECT_TRUE(platform::audio::themeSoundFile("../stereo/complete").empty());

    auto sounds = platform::audio::makeCanberraSounds();
    EXPECT_NE(sounds->named("complete"), nullptr);
    EXPECT_EQ(sounds->named("camera-shutter"), nullptr);
    EXPECT_NE(sounds->loadFile(stereo / "complete.oga"), nullptr);
    EXPECT_EQ(sounds->loadFile(stereo / "missing.oga"), nullptr);
    EXPECT_EQ(sounds->loadFile(stereo), nullptr) << "a folder is no sound";
}

} // namespace
