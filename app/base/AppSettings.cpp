#include "app/base/AppSettings.h"

#include "app/base/BaseDirectories.h"
#include "app/base/Log.h"
#include "kit/Error.h"
#include "kit/HotKeyBindings.h"

#include <climits>
#include <cmath>
#include <limits>

namespace fs = std::filesystem;

namespace {

namespace Key {
constexpr std::string_view thumbnailSeconds = "thumbnailSeconds";
constexpr std::string_view playsShutterSound = "playsShutterSound";
constexpr std::string_view recordMicrophone = "recordMicrophone";
constexpr std::string_view recordSystemAudio = "recordSystemAudio";
constexpr std::string_view welcomeShown = "welcomeShown";
constexpr std::string_view saveFolderPath = "saveFolderPath";
constexpr std::string_view hotKeyOverrides = "hotKeyOverrides";
constexpr std::string_view saveCapturesAutomatically = "saveCapturesAutomatically";
} // namespace Key

const Logger& settingsLog() {
    static const Logger logger("settings");
    return logger;
}

fs::path fallbackSaveFolder() {
    return BaseDirectories::home() / "Desktop";
}

constexpr double defaultThumbnailSeconds = 6.0;

// The thumbnail's timer counts whole milliseconds in an int: a time it cannot count, or one that
// rounds to nothing and would discard every capture at once, is no usable choice.
double loadThumbnailSeconds(const SettingsStore& store) {
    const double seconds = store.doubleValue(Key::thumbnailSeconds);
    const double milliseconds = seconds * 1000.0;
    if (!std::isfinite(milliseconds) || std::round(milliseconds) < 1.0 || milliseconds > INT_MAX) {
        return defaultThumbnailSeconds;
    }
    return seconds;
}

// A key without Command or Control would be taken from every other program on the desktop; the
// recorder makes one only of a key no program types with (Print, F13...), so any other was edited by hand.
bool isGlobalShortcut(const kit::HotKeyCombination& combination) {
    return (combination.carbonModifiers & (kit::HotKeyCombination::command | kit::HotKeyCombination::control)) != 0 ||
           kit::HotKeyBindings::standsAlone(combination.keyCode);
}

// Registering first means every read below already sees these fallbacks.
std::unique_ptr<SettingsStore> registered(std::unique_ptr<SettingsStore> store) {
    store->registerDefaults(
        {{std::string(Key::thumbnailSeconds), defaultThumbnailSeconds}, {std::string(Key::playsShutterSound), true}});
    return store;
}

fs::path loadSaveFolder(const SettingsStore& store) {
    // A relative or empty path would point wherever the process happens to run.
    if (auto path = store.stringValue(Key::saveFolderPath); path && fs::path(*path).is_absolute()) {
        return fs::path(*path);
    }
    return fallbackSaveFolder();
}

} // namespace

AppSettings::AppSettings(std::unique_ptr<SettingsStore> defaults, LayoutText layoutText)
    : defaults_(registered(std::move(defaults))),
      saveFolder_(loadSaveFolder(*defaults_)),
      hotKeyOverrides_(loadOverrides(defaults_->stringValue(Key::hotKeyOverrides), layoutText)),
      thumbnailSeconds_(loadThumbnailSeconds(*defaults_)),
      playsSounds_(defaults_->boolValue(Key::playsShutterSound)),
      recordMicrophone_(defaults_->boolValue(Key::recordMicrophone)),
      recordSystemAudio_(defaults_->boolValue(Key::recordSystemAudio)),
      welcomeShown_(defaults_->boolValue(Key::welcomeShown)),
      savesAutomatically_(defaults_->boolValue(Key::saveCapturesAutomatically)) {}

kit::HotKeyOverrides AppSettings::loadOverrides(const std::optional<std::string>& data, const LayoutText& layoutText) {
    if (!data) return {};
    kit::HotKeyOverrides overrides;
    try {
        overrides = kit::HotKeyBindings::decode(*data);
    } catch (const std::exception& e) {
        // The stored data stays until the next save overwrites it.
        settingsLog().error("could not read shortcuts error={}", kit::describe(e));
        return {};
    }
    for (auto it = overrides.begin(); it != overrides.end();) {
        if (it->second && !isGlobalShortcut(*it->second)) {
            settingsLog().notice("shortcut override dropped action={} reason=noCommandOrControl", it->first.rawValue());
            it = overrides.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [action, combination] : overrides) {
        if (!combination) continue;
        // Layouts know 16-bit key codes only; asking about larger ones would give nonsense.
        const bool layoutKnowsKey = combination->keyCode <= std::numeric_limits<std::uint16_t>::max();
        const std::string text = layoutText && layoutKnowsKey ? layoutText(combination->keyCode) : std::string();
        combination = kit::HotKeyBindings::relabel(std::move(*combination), text);
    }
    return overrides;
}

void AppSettings::saveHotKeyOverrides() {
    std::string data;
    try {
        data = kit::HotKeyBindings::encode(hotKeyOverrides_.peek());
    } catch (const std::exception& e) {
        settingsLog().error("could not save shortcuts error={}", kit::describe(e));
        return;
    }
    defaults_->setString(Key::hotKeyOverrides, std::move(data));
}

void AppSettings::setSaveFolder(fs::path folder) {
    saveFolder_.set(std::move(folder));
    defaults_->setString(Key::saveFolderPath, saveFolder_.peek().string());
}

void AppSettings::setHotKeyOverrides(kit::HotKeyOverrides overrides) {
    hotKeyOverrides_.set(std::move(overrides));
    saveHotKeyOverrides();
}

void AppSettings::setHotKeyOverride(kit::CaptureAction action, std::optional<kit::HotKeyCombination> combination) {
    auto overrides = hotKeyOverrides_.peek();
    overrides.insert_or_assign(action, std::move(combination));
    setHotKeyOverrides(std::move(overrides));
}

void AppSettings::setThumbnailSeconds(double seconds) {
    thumbnailSeconds_.set(seconds);
    defaults_->setDouble(Key::thumbnailSeconds, seconds);
}

void AppSettings::setPlaysSounds(bool on) {
    playsSounds_.set(on);
    defaults_->setBool(Key::playsShutterSound, on);
}

void AppSettings::setRecordMicrophone(bool on) {
    recordMicrophone_.set(on);
    defaults_->setBool(Key::recordMicrophone, on);
}

void AppSettings::setRecordSystemAudio(bool on) {
    recordSystemAudio_.set(on);
    defaults_->setBool(Key::recordSystemAudio, on);
}

void AppSettings::setWelcomeShown(bool shown) {
    welcomeShown_.set(shown);
    defaults_->setBool(Key::welcomeShown, shown);
}

void AppSettings::setSavesAutomatically(bool on) {
    savesAutomatically_.set(on);
    defaults_->setBool(Key::saveCapturesAutomatically, on);
}
