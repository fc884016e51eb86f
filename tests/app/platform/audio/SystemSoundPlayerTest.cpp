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

// Knows only the sounds it is told of; notes each load and play in one shared list.
class FakeSounds : public platform::audio::EventSounds {
public:
    std::shared_ptr<std::vector<std::string>> events = std::make_shared<std::vector<std::string>>();
    std::vector<std::string> known;
    bool device = true;

    bool deviceAvailable() override { return device; }
    std::unique_ptr<platform::audio::LoadedSound> loadFile(const fs::path& file) override { return load(file.filename()); }
    std::unique_ptr<platform::audio::LoadedSound> named(const std::string& name) override { return load(name); }

private:
    struct Sound : platform::audio::LoadedSound {
        std::shared_ptr<std::vector<std::string>> events;
        std::string name;
        Sound(std::shared_ptr<std::vector<std::string>> e, std::string n) : events(std::move(e)), name(std::move(n)) {}
        void stop() override {}
        void play() override { events->push_back("play " + name); }
    };
    std::unique_ptr<platform::audio::LoadedSound> load(const std::string& name) {
        events->push_back("load " + name);
        if (std::find(known.begin(), known.end(), name) == known.end()) return nullptr;
        return std::make_unique<Sound>(events, name);
    }
};

TEST(SystemSoundPlayer, LoadsOnceFallsBackToTheThemeRetriesWhatIsMissingAndKeepsQuietWhenOffOrWithoutADevice) {
    testsupport::TempDir temp;
    MemoryLogSink logs;
    AppSettings settings{std::make_unique<SettingsStore>(temp / "settings.json")};
    auto owned = std::make_unique<FakeSounds>();
    FakeSounds& sounds = *owned;
    const auto events = sounds.events;
    SystemSoundPlayer player(settings, std::move(owned));

    player.play(kit::CaptureSound::screenshot);
    EXPECT_EQ(logs.messages("sound"), std::vector<std::string>{"sound unavailable fallback=camera-shutter"});
    // The theme's sound when the file is missing; installed meanwhile, found, because a missing
    // sound is not remembered; then loaded once.
    sounds.known = {"camera-shutter", "complete"};
    player.play(kit::CaptureSound::screenshot);
    player.play(kit::CaptureSound::screenshot);
    player.play(kit::CaptureSound::textCopied);
    EXPECT_EQ(*events, (std::vector<std::string>{"load screen-capture.oga", "load camera-shutter",
                                                 "load screen-capture.oga", "load camera-shutter", "play camera-shutter",
                                                 "play camera-shutter", "load complete", "play complete"}));

    events->clear();
    settings.setPlaysSounds(false);
    player.play(kit::CaptureSound::screenshot);
    EXPECT_TRUE(events->empty());

    // Without a sound device nothing is loaded, and that is said once.
    settings.setPlaysSounds(true);
    sounds.device = false;
    for (int capture = 0; capture < 3; ++capture) player.play(kit::CaptureSound::textCopied);
    EXPECT_TRUE(events->empty());
    EXPECT_EQ(logs.messages("sound").size(), 2u);
}

TEST(EventSounds, ThemeSoundsAreFoundInTheDataFoldersAndFilesMustBeReadable) {
    testsupport::TempDir temp;
    const fs::path stereo = temp / "data" / "sounds" / "freedesktop" / "stereo";
    fs::create_directories(stereo);
    std::ofstream(stereo / "complete.oga") << "ogg";
    testsupport::ScopedEnv dataHome("XDG_DATA_HOME", (temp / "home").string());
    testsupport::ScopedEnv dataDirs("XDG_DATA_DIRS", (temp / "data").string());

    EXPECT_EQ(platform::audio::themeSoundFile("complete"), stereo / "complete.oga");
    EXPECT_TRUE(platform::audio::themeSoundFile("camera-shutter").empty());

    auto sounds = platform::audio::makeCanberraSounds();
    EXPECT_NE(sounds->named("complete"), nullptr);
    EXPECT_EQ(sounds->named("camera-shutter"), nullptr);
    EXPECT_NE(sounds->loadFile(stereo / "complete.oga"), nullptr);
    EXPECT_EQ(sounds->loadFile(stereo), nullptr) << "a folder is no sound";
}

} // namespace
