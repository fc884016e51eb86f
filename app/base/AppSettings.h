#pragma once
// The user's settings: loaded once from the store, observable, and written through to the store
// on every assignment (observers hear only real changes). Main thread only.

#include "app/base/Observation.h"
#include "app/base/SettingsStore.h"
#include "kit/CaptureVocabulary.h"
#include "kit/HotKeyBindings.h"
#include "kit/HotKeyCombination.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class AppSettings {
public:
    // The text the current keyboard layout types for a key code with no modifiers, "" when
    // unknown. An empty function keeps every stored label.
    using LayoutText = std::function<std::string(std::uint32_t keyCode)>;

    explicit AppSettings(std::unique_ptr<SettingsStore> defaults, LayoutText layoutText = {});
    AppSettings(const AppSettings&) = delete;
    AppSettings& operator=(const AppSettings&) = delete;

    SettingsStore& defaults() { return *defaults_; }

    // Reads are tracked inside observeChanges.
    const std::filesystem::path& saveFolder() const { return saveFolder_.get(); }
    const kit::HotKeyOverrides& hotKeyOverrides() const { return hotKeyOverrides_.get(); }
    double thumbnailSeconds() const { return thumbnailSeconds_.get(); }
    bool playsSounds() const { return playsSounds_.get(); }
    bool recordMicrophone() const { return recordMicrophone_.get(); }
    bool recordSystemAudio() const { return recordSystemAudio_.get(); }
    bool welcomeShown() const { return welcomeShown_.get(); }
    // Every capture goes into the save folder as it is taken; off by default.
    bool savesAutomatically() const { return savesAutomatically_.get(); }

    void setSaveFolder(std::filesystem::path folder);
    void setHotKeyOverrides(kit::HotKeyOverrides overrides);
    // Always leaves an entry for the action; no combination means the user cleared it.
    void setHotKeyOverride(kit::CaptureAction action, std::optional<kit::HotKeyCombination> combination);
    void setThumbnailSeconds(double seconds);
    void setPlaysSounds(bool on);
    void setRecordMicrophone(bool on);
    void setRecordSystemAudio(bool on);
    void setWelcomeShown(bool shown);
    void setSavesAutomatically(bool on);

private:
    void saveHotKeyOverrides();
    static kit::HotKeyOverrides loadOverrides(const std::optional<std::string>& data, const LayoutText& layoutText);

    std::unique_ptr<SettingsStore> defaults_;
    Observed<std::filesystem::path> saveFolder_;
    Observed<kit::HotKeyOverrides> hotKeyOverrides_;
    Observed<double> thumbnailSeconds_;
    Observed<bool> playsSounds_;
    Observed<bool> recordMicrophone_;
    Observed<bool> recordSystemAudio_;
    Observed<bool> welcomeShown_;
    Observed<bool> savesAutomatically_;
};
