#pragma once
// The capture sounds as the desktop plays them: the sound file where it exists, else the sound
// theme's event, each loaded once. Silent while the user has sounds switched off, and where no
// sound device exists. Main thread.

#include <map>
#include <memory>
#include <string>

#include "app/base/Log.h"
#include "app/platform/audio/EventSounds.h"
#include "app/platform/audio/SoundPlayer.h"

class AppSettings;

class SystemSoundPlayer : public SoundPlayer {
public:
    explicit SystemSoundPlayer(AppSettings& settings,
                               std::unique_ptr<platform::audio::EventSounds> sounds = platform::audio::makeCanberraSounds());

    // A sound still playing starts again from the beginning.
    void play(kit::CaptureSound sound) override;

private:
    platform::audio::LoadedSound* load(kit::CaptureSound sound);

    AppSettings& settings_;
    std::unique_ptr<platform::audio::EventSounds> sounds_;
    // Keyed by file name, or by the event name for sounds without a file.
    std::map<std::string, std::unique_ptr<platform::audio::LoadedSound>> loaded_;
    bool unavailableLogged_ = false;
    Logger log_{"sound"};
};
