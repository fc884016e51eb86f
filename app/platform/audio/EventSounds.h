#pragma once
// Event sounds: sound files and named sounds of the freedesktop sound theme, played through
// libcanberra. Main thread only; the sound library itself is called on a thread of its own.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace platform::audio {

// A sound ready to play. play() starts it; stop() cuts it off if it is still playing.
class LoadedSound {
public:
    virtual ~LoadedSound() = default;
    virtual void stop() = 0;
    virtual void play() = 0;
};

class EventSounds {
public:
    virtual ~EventSounds() = default;

    // Whether anything can play sounds here (a sound server, or a sound card). Asked of the
    // system once; without one nothing is played, so no sound library complains about it.
    virtual bool deviceAvailable() = 0;

    // A sound file, used by reference (read when it plays). Null when it isn't a readable file.
    virtual std::unique_ptr<LoadedSound> loadFile(const std::filesystem::path& file) = 0;
    // A named sound of the sound theme. Null when the theme has no such sound.
    virtual std::unique_ptr<LoadedSound> named(const std::string& name) = 0;
};

// The folders searched for sound themes, in order: $XDG_DATA_HOME (else ~/.local/share), then
// $XDG_DATA_DIRS (else /usr/local/share and /usr/share), each with "sounds" appended.
std::vector<std::filesystem::path> soundThemeFolders();

// The file the freedesktop theme plays for a sound name, or an empty path.
std::filesystem::path themeSoundFile(const std::string& name);

// libcanberra with the freedesktop sound theme. The sound server is reached at the first play.
std::unique_ptr<EventSounds> makeCanberraSounds();

} // namespace platform::audio
