#include "app/platform/audio/SystemSoundPlayer.h"

#include <filesystem>

#include "app/base/AppSettings.h"

SystemSoundPlayer::SystemSoundPlayer(AppSettings& settings, std::unique_ptr<platform::audio::EventSounds> sounds)
    : settings_(settings), sounds_(std::move(sounds)) {}

void SystemSoundPlayer::play(kit::CaptureSound sound) {
    if (!settings_.playsSounds()) return;
    if (!sounds_ || !sounds_->deviceAvailable()) {
        // Nothing here can play sounds, and that will not change: said once, then quiet.
        if (!unavailableLogged_) log_.error("sound unavailable fallback={}", sound.fallbackName());
        unavailableLogged_ = true;
        return;
    }
    if (platform::audio::LoadedSound* loaded = load(sound)) {
        loaded->stop();
        loaded->play();
        return;
    }
    log_.error("sound unavailable fallback={}", sound.fallbackName());
}

platform::audio::LoadedSound* SystemSoundPlayer::load(kit::CaptureSound sound) {
    const auto fileName = sound.systemFileName();
    const std::string key(fileName ? *fileName : sound.fallbackName());
    if (auto found = loaded_.find(key); found != loaded_.end()) return found->second.get();

    std::unique_ptr<platform::audio::LoadedSound> result;
    if (fileName && sounds_) {
        result = sounds_->loadFile(std::filesystem::path(std::string(kit::CaptureSound::systemSoundsFolder())) /
                                   std::string(*fileName));
    }
    if (!result && sounds_) result = sounds_->named(std::string(sound.fallbackName()));
    // A missing sound is not remembered: it may be installed by the next capture.
    if (!result) return nullptr;
    return loaded_.emplace(key, std::move(result)).first->second.get();
}
