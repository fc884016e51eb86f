#include "app/base/SettingsStore.h"

#include "app/base/Log.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const Logger& settingsLog() {
    static const Logger logger("settings");
    return logger;
}

// The file holds a handful of keys; anything far larger or deeper is not ours to load.
constexpr off_t maxFileSize = 1 << 20;
constexpr int maxDepth = 64;

std::string errnoText(int error) {
    return std::generic_category().message(error);
}

fs::path homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return fs::current_path();
}

std::string timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Renames without ever replacing an existing file. Returns 0 or an errno value.
int renameNoReplace(const fs::path& from, const fs::path& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // File systems without RENAME_NOREPLACE: a hard link fails just the same when the name is taken.
    if (link(from.c_str(), to.c_str()) != 0) return errno;
    if (unlink(from.c_str()) != 0) return errno;
    return 0;
}

// Creates every missing folder of the path private to the user.
int createFolder(const fs::path& folder) {
    if (folder.empty()) return 0;
    struct stat info {};
    if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT) return errno;
    if (const fs::path parent = folder.parent_path(); parent != folder) {
        if (const int error = createFolder(parent); error != 0) return error;
    }
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return errno;
    return 0;
}

int writeAll(int fd, const std::string& text) {
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        written += static_cast<std::size_t>(n);
    }
    return 0;
}

struct ReadResult {
    int error = 0;
    std::string bytes;
};

ReadResult readFile(const fs::path& file) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {errno, {}};
    ReadResult result;
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        result.error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        result.error = EISDIR;
    } else if (info.st_size > maxFileSize) {
        result.error = EFBIG;
    } else {
        char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                result.error = errno;
                break;
            }
            if (n == 0) break;
            result.bytes.append(buffer, static_cast<std::size_t>(n));
            if (result.bytes.size() > static_cast<std::size_t>(maxFileSize)) {
                result.error = EFBIG;
                break;
            }
        }
    }
    close(fd);
    return result;
}

} // namespace

SettingsStore::SettingsStore(fs::path file) : file_(std::move(file)) {
    load();
}

fs::path SettingsStore::standardPath() {
    fs::path config;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Relative values are invalid and ignored, as the base directory rules ask.
    if (xdg != nullptr && *xdg != '\0' && fs::path(xdg).is_absolute()) {
        config = xdg;
    } else {
        config = homeFolder() / ".config";
    }
    return config / std::string(Log::subsystem) / "settings.json";
}

void SettingsStore::load() {
    ReadResult read = readFile(file_);
    if (read.error == ENOENT || read.error == ENOTDIR) return;
    if (read.error != 0) {
        keepAside(errnoText(read.error));
        return;
    }
    nlohmann::json parsed;
    try {
        parsed = nlohmann::json::parse(read.bytes, [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
            if (depth > maxDepth) throw std::runtime_error("nested too deeply");
            return true;
        });
    } catch (const std::exception& e) {
        keepAside(e.what());
        return;
    }
    if (!parsed.is_object()) {
        keepAside("not an object");
        return;
    }
    values_ = std::move(parsed);
}

void SettingsStore::keepAside(const std::string& reason) {
    const std::string stem = file_.filename().string() + ".unreadable-" + timestamp();
    int error = EEXIST;
    fs::path aside;
    for (int attempt = 1; attempt <= 1000 && error == EEXIST; ++attempt) {
        aside = file_.parent_path() / (attempt == 1 ? stem : stem + "-" + std::to_string(attempt));
        error = renameNoReplace(file_, aside);
    }
    if (error == 0) {
        settingsLog().error("settings unreadable file={} error={}", aside.string(), reason);
        return;
    }
    settingsLog().error("settings unreadable file={} error={}", file_.string(), reason);
    settingsLog().error("could not keep settings aside file={} error={}", file_.string(), errnoText(error));
    writable_ = false;
}

void SettingsStore::save() const {
    if (!writable_) {
        settingsLog().error("could not write settings file={} error=unreadable file in place", file_.string());
        return;
    }
    const fs::path folder = file_.parent_path();
    if (const int error = createFolder(folder); error != 0) {
        settingsLog().error("could not write settings file={} error={}", file_.string(), errnoText(error));
        return;
    }
    // Replacing bad bytes keeps one odd string from blocking every later write.
    const std::string text = values_.dump(4, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";

    std::string temp = (folder / (file_.filename().string() + ".tmp-XXXXXX")).string();
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        settingsLog().error("could not write settings file={} error={}", file_.string(), errnoText(errno));
        return;
    }
    int error = fchmod(fd, 0600) != 0 ? errno : 0;
    if (error == 0) error = writeAll(fd, text);
    if (error == 0 && fsync(fd) != 0) error = errno;
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temp.c_str(), file_.c_str()) != 0) error = errno;
    if (error != 0) {
        unlink(temp.c_str());
        settingsLog().error("could not write settings file={} error={}", file_.string(), errnoText(error));
        return;
    }
    // The rename itself lasts only once the folder is on disk.
    if (const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        fsync(dir);
        close(dir);
    }
}

void SettingsStore::registerDefaults(const nlohmann::json& defaults) {
    if (!defaults.is_object()) return;
    for (const auto& [key, value] : defaults.items()) registered_[key] = value;
}

const nlohmann::json* SettingsStore::find(std::string_view key) const {
    const auto it = values_.find(std::string(key));
    return it == values_.end() ? nullptr : &*it;
}

const nlohmann::json* SettingsStore::findDefault(std::string_view key) const {
    const auto it = registered_.find(std::string(key));
    return it == registered_.end() ? nullptr : &*it;
}

bool SettingsStore::contains(std::string_view key) const {
    return find(key) != nullptr;
}

bool SettingsStore::boolValue(std::string_view key) const {
    for (const auto* value : {find(key), findDefault(key)}) {
        if (value != nullptr && value->is_boolean()) return value->get<bool>();
    }
    return false;
}

double SettingsStore::doubleValue(std::string_view key) const {
    for (const auto* value : {find(key), findDefault(key)}) {
        if (value != nullptr && value->is_number()) return value->get<double>();
    }
    return 0.0;
}

std::optional<std::string> SettingsStore::stringValue(std::string_view key) const {
    for (const auto* value : {find(key), findDefault(key)}) {
        if (value != nullptr && value->is_string()) return value->get<std::string>();
    }
    return std::nullopt;
}

void SettingsStore::setBool(std::string_view key, bool value) {
    values_[std::string(key)] = value;
    save();
}

void SettingsStore::setDouble(std::string_view key, double value) {
    values_[std::string(key)] = value;
    save();
}

void SettingsStore::setString(std::string_view key, std::string value) {
    values_[std::string(key)] = std::move(value);
    save();
}

void SettingsStore::remove(std::string_view key) {
    if (values_.erase(std::string(key)) > 0) save();
}
