#include "app/platform/audio/EventSounds.h"

#include <canberra.h>

#include <QThreadPool>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "app/base/BaseDirectories.h"
#include "app/base/Log.h"

namespace platform::audio {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view themeName = "freedesktop";
// The theme's output profile for ordinary speakers, and the file types sound themes use.
constexpr std::string_view profile = "stereo";
constexpr std::string_view extensions[] = {".oga", ".ogg", ".wav"};

bool isReadableFile(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular;
}


struct ContextFree {
    void operator()(ca_context* context) const { ca_context_destroy(context); }
};

// The sound server's socket takes a connection (PulseAudio, or PipeWire's pulse server); asked
// without its client library, which only recording needs.
bool serverListens() {
    if (const char* server = std::getenv("PULSE_SERVER"); server && *server) return true;
    const auto runtime = BaseDirectories::runtimeDir();
    if (!runtime) return false;
    const std::string path = (*runtime / "pulse" / "native").string();
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path)) return false;
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool listens = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return listens;
}

// A sound server answers, or the kernel has a sound card. Without either, libcanberra would fall
// back to ALSA, which reports every failure on stderr.
std::optional<std::string> soundDriver() {
    if (serverListens()) return "pulse";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/dev/snd", error)) {
        if (entry.path().filename().string().starts_with("pcmC")) return "alsa";
    }
    return std::nullopt;
}

// One libcanberra context for all sounds, made at the first play. Playing waits on the sound
// server (connecting, uploading the sound to its cache, starting the stream), so the calls into
// libcanberra run in order on a thread of their own.
class Player {
public:
    Player() { calls_.setMaxThreadCount(1); }

    bool available() { return context() != nullptr; }

    // Ids tell canberra which playing sound a cancel means.
    std::uint32_t newId() { return nextId_++; }

    void play(std::uint32_t id, const char* property, const std::string& value) {
        ca_context* c = context();
        if (!c) return;
        calls_.start([this, c, id, property, value] {
            const int result = ca_context_play(c, id, property, value.c_str(), CA_PROP_MEDIA_ROLE, "event",
                                               CA_PROP_CANBERRA_CACHE_CONTROL, "volatile", nullptr);
            if (result != CA_SUCCESS) log_.debug("sound play failed error={}", ca_strerror(result));
        });
    }

    void cancel(std::uint32_t id) {
        if (ca_context* c = context_.get()) calls_.start([c, id] { ca_context_cancel(c, id); });
    }

private:
    ca_context* context() {
        if (context_ || failed_) return context_.get();
        const auto driver = soundDriver();
        ca_context* made = nullptr;
        if (!driver || ca_context_create(&made) != CA_SUCCESS || !made) {
            failed_ = true;
            return nullptr;
        }
        context_.reset(made);
        ca_context_set_driver(made, driver->c_str());
        ca_context_change_props(made, CA_PROP_APPLICATION_NAME, "Glimpo", CA_PROP_APPLICATION_ID,
                                std::string(Log::subsystem).c_str(), nullptr);
        return made;
    }

    std::unique_ptr<ca_context, ContextFree> context_;
    bool failed_ = false;
    std::uint32_t nextId_ = 1;
    Logger log_{"sound"};
    // Declared last: goes first, finishing the calls queued on the context.
    QThreadPool calls_;
};

class CanberraSound : public LoadedSound {
public:
    CanberraSound(std::shared_ptr<Player> player, const char* property, std::string value)
        : player_(std::move(player)), id_(player_->newId()), property_(property), value_(std::move(value)) {}

    void stop() override { player_->cancel(id_); }
    void play() override { player_->play(id_, property_, value_); }

private:
    std::shared_ptr<Player> player_;
    std::uint32_t id_;
    const char* property_;
    std::string value_;
};

class CanberraSounds : public EventSounds {
public:
    bool deviceAvailable() override { return player_->available(); }

    std::unique_ptr<LoadedSound> loadFile(const fs::path& file) override {
        if (!isReadableFile(file)) return nullptr;
        return std::make_unique<CanberraSound>(player_, CA_PROP_MEDIA_FILENAME, file.string());
    }

    std::unique_ptr<LoadedSound> named(const std::string& name) override {
        if (themeSoundFile(name).empty()) return nullptr;
        // By event id, so a theme the user chose may still put its own sound in.
        return std::make_unique<CanberraSound>(player_, CA_PROP_EVENT_ID, name);
    }

private:
    std::shared_ptr<Player> player_ = std::make_shared<Player>();
};

} // namespace

std::vector<fs::path> soundThemeFolders() {
    std::vector<fs::path> folders;
    folders.push_back(BaseDirectories::dataHome());
    const std::vector<fs::path> dirs = BaseDirectories::dataDirs();
    folders.insert(folders.end(), dirs.begin(), dirs.end());
    for (auto& folder : folders) folder /= "sounds";
    return folders;
}

fs::path themeSoundFile(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || name.front() == '.') return {};
    for (const auto& folder : soundThemeFolders()) {
        const fs::path base = folder / std::string(themeName) / std::string(profile);
        for (const auto extension : extensions) {
            fs::path candidate = base / (name + std::string(extension));
            if (isReadableFile(candidate)) return candidate;
        }
    }
    return {};
}

std::unique_ptr<EventSounds> makeCanberraSounds() {
    return std::make_unique<CanberraSounds>();
}

} // namespace platform::audio
