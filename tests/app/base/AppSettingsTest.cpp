#include "app/base/AppSettings.h"

#include "app/base/Log.h"
#include "tests/app/TestSupport.h"

#include <QObject>

#include <fstream>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using kit::CaptureAction;
using kit::HotKeyCombination;

namespace {

constexpr std::uint32_t commandShift = HotKeyCombination::command | HotKeyCombination::shift;

class AppSettingsTest : public testing::Test {
protected:
    std::unique_ptr<AppSettings> launch(AppSettings::LayoutText layout = {}) {
        return std::make_unique<AppSettings>(std::make_unique<SettingsStore>(file), std::move(layout));
    }
    SettingsStore stored() const { return SettingsStore(file); }

    testsupport::TempDir dir;
    testsupport::ScopedEnv home{"HOME", (dir / "home").string()};
    fs::path file = dir / "config" / "settings.json";
    MemoryLogSink logs;
    QObject context;
};

TEST_F(AppSettingsTest, FirstLaunchWritesNothingAndEveryAssignmentIsWrittenButOnlyChangesNotify) {
    auto settings = launch();
    EXPECT_EQ(settings->saveFolder(), dir / "home" / "Desktop");
    EXPECT_FALSE(fs::exists(file));
    int runs = 0;
    observeChanges(&context, [&] { runs += 1 + 0 * (settings->thumbnailSeconds() + settings->hotKeyOverrides().size()); });

    // Assigning the value already in effect writes it but notifies nobody.
    settings->setThumbnailSeconds(6.0);
    settings->setHotKeyOverrides({});
    testsupport::processEvents();
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(stored().contains("thumbnailSeconds") && stored().contains("hotKeyOverrides"));

    settings->setThumbnailSeconds(12);
    settings->setSaveFolder("/srv/shots");
    EXPECT_EQ(runs, 1) << "never inside the assignment";
    testsupport::processEvents();
    EXPECT_EQ(runs, 2) << "once per burst";
    EXPECT_DOUBLE_EQ(launch()->thumbnailSeconds(), 12);
    EXPECT_EQ(launch()->saveFolder(), fs::path("/srv/shots"));
    settings->setSavesAutomatically(true);
    EXPECT_TRUE(stored().boolValue("saveCapturesAutomatically"));
    EXPECT_TRUE(launch()->savesAutomatically());

    // A relative path would follow the working folder; it reads as unset.
    stored().setString("saveFolderPath", "Pictures");
    EXPECT_EQ(launch()->saveFolder(), dir / "home" / "Desktop");
    EXPECT_TRUE(launch()->savesToDefaultFolder());
    // The desktop folder is the one xdg-user-dir names.
    testsupport::ScopedEnv config{"XDG_CONFIG_HOME", (dir / "xdg").string()};
    fs::create_directories(dir / "xdg");
    std::ofstream(dir / "xdg" / "user-dirs.dirs") << "XDG_DESKTOP_DIR=\"$HOME/Scrivania\"\n";
    EXPECT_EQ(launch()->saveFolder(), dir / "home" / "Scrivania");

    settings->setCaptureDelaySeconds(5);
    EXPECT_EQ(launch()->captureDelaySeconds(), 5);
    stored().setDouble("captureDelaySeconds", 2.5);
    EXPECT_EQ(launch()->captureDelaySeconds(), 0) << "a wait the bar does not offer";
}

TEST_F(AppSettingsTest, UnreadableOrUnsavableOverridesAreLoggedAndTheStoredOnesKeptUntilASave) {
    stored().setString("hotKeyOverrides", "{\"area\": 7");
    auto settings = launch();
    EXPECT_TRUE(settings->hotKeyOverrides().empty());
    EXPECT_TRUE(logs.messages("settings").at(0).starts_with("could not read shortcuts error="));

    settings->setHotKeyOverride(CaptureAction::text, HotKeyCombination{17, commandShift, "\xff"});
    EXPECT_TRUE(logs.messages("settings").at(1).starts_with("could not save shortcuts error="));
    EXPECT_EQ(stored().stringValue("hotKeyOverrides"), "{\"area\": 7");
    EXPECT_EQ(settings->hotKeyOverrides().size(), 1u) << "the value in memory still changes";

    const HotKeyCombination f5{96, HotKeyCombination::command, "F5"};
    settings->setHotKeyOverride(CaptureAction::text, f5);
    EXPECT_EQ(kit::HotKeyBindings::decode(*stored().stringValue("hotKeyOverrides")),
              (kit::HotKeyOverrides{{CaptureAction::text, f5}}));
}

TEST_F(AppSettingsTest, StoredLabelsFollowTheCurrentLayout) {
    const HotKeyCombination q{12, commandShift, "Q"};
    const HotKeyCombination huge{70000, commandShift, "Ж"};
    stored().setString("hotKeyOverrides", kit::HotKeyBindings::encode({{CaptureAction::area, q}, {CaptureAction::text, huge}}));

    // A French layout: the key that types q elsewhere types a.
    auto settings = launch([](std::uint32_t keyCode) {
        EXPECT_LT(keyCode, 65536u) << "layouts know 16-bit key codes only";
        return std::string(keyCode == 12 ? "A" : "");
    });

    EXPECT_EQ(settings->hotKeyOverrides().at(CaptureAction::area), (HotKeyCombination{12, commandShift, "A"}));
    EXPECT_EQ(settings->hotKeyOverrides().at(CaptureAction::text), huge);

    EXPECT_EQ(launch()->hotKeyOverrides().at(CaptureAction::area), q) << "no layout keeps every label";
}

TEST_F(AppSettingsTest, ThumbnailTimesATimerCannotCountFallBackToTheDefault) {
    // Under half a millisecond rounds to a 0 ms timer; past INT_MAX ms overflows it.
    for (const double unusable : {1e308, 4.9e-324, 0.0004, -3.0, 2147484.0}) {
        stored().setDouble("thumbnailSeconds", unusable);
        EXPECT_DOUBLE_EQ(launch()->thumbnailSeconds(), 6.0) << unusable;
    }
}

TEST_F(AppSettingsTest, StoredShortcutsWithoutCommandOrControlAreDroppedButForKeysThatStandAlone) {
    const HotKeyCombination plainA{0, 0, "A"};
    const HotKeyCombination print{108, 0, "Print"};
    const HotKeyCombination shiftEscape{53, HotKeyCombination::shift, "⎋"};
    const HotKeyCombination controlA{0, HotKeyCombination::control, "A"};
    stored().setString("hotKeyOverrides", kit::HotKeyBindings::encode({{CaptureAction::area, plainA},
                                                                       {CaptureAction::fullscreen, shiftEscape},
                                                                       {CaptureAction::window, controlA},
                                                                       {CaptureAction::text, std::nullopt},
                                                                       {CaptureAction::recording, print}}));
    auto settings = launch();
    EXPECT_EQ(settings->hotKeyOverrides(), (kit::HotKeyOverrides{{CaptureAction::window, controlA},
                                                                 {CaptureAction::text, std::nullopt},
                                                                 {CaptureAction::recording, print}}));
    EXPECT_EQ(logs.messages("settings"),
              (std::vector<std::string>{"shortcut override dropped action=area reason=noCommandOrControl",
                                        "shortcut override dropped action=fullscreen reason=noCommandOrControl"}));
}

} // namespace
