#include "app/base/SettingsStore.h"

#include "app/base/BaseDirectories.h"
#include "app/base/Log.h"
#include "app/base/NewFile.h"

#include <dirent.h>
#include <fcntl.h>
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

std::string timestamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
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

struct ReadResult {
    int error = 0;
    std::string reason;
    std::string bytes;
};

ReadResult failed(int error) {
    return {error, errnoText(error), {}};
}

// Only a regular file is read: a FIFO or device would block start-up in open() or read(), so
// the open neither blocks nor follows a link swapped in after the links were resolved.
ReadResult readFile(const fs::path& file) {
    const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return failed(errno);
    ReadResult result;
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        result = failed(errno);
    } else if (!S_ISREG(info.st_mode)) {
        result = {EINVAL, "not a regular file", {}};
    } else if (info.st_size > maxFileSize) {
        result = failed(EFBIG);
    } else {
        char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                result = failed(errno);
                break;
            }
            if (n == 0) break;
            result.bytes.append(buffer, static_cast<std::size_t>(n));
            if (result.bytes.size() > static_cast<std::size_t>(maxFileSize)) {
                result = failed(EFBIG);
                break;
            }
        }
    }
    close(fd);
    return result;
}

// Where a link (a dotfile manager's, say) finally points; the file itself when it is none.
fs::path followLinks(fs::path file) {
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(file, error))) return file;
        const fs::path target = fs::read_symlink(file, error);
        if (error) return file;
        file = (target.is_absolute() ? target : file.parent_path() / target).lexically_normal();
    }
    return file;
}

// Temporary files of a write that a crash cut short: the writer's own, and those of older
// versions ("settings.json.tmp-" and six characters).
void removeLeftovers(const fs::path& file) {
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    const std::string name = file.filename().string();
    const std::string olderPrefix = name + ".tmp-";
    while (const dirent* entry = readdir(dir)) {
        const std::string_view candidate = entry->d_name;
        const bool older = candidate.size() == olderPrefix.size() + 6 && candidate.starts_with(olderPrefix);
        if (!older && !NewFile::isTemporaryOf(candidate, name)) continue;
        struct stat info {};
        if (fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == geteuid()) {
            unlinkat(dirfd(dir), entry->d_name, 0);
        }
    }
    closedir(dir);
}

} // namespace

SettingsStore::SettingsStore(fs::path file) : file_(std::move(file)) {
    load();
}

fs::path SettingsStore::standardPath() {
    return BaseDirectories::configHome() / std::string(Log::subsystem) / "settings.json";
}

void SettingsStore::load() {
    const fs::path target = followLinks(file_);
    removeLeftovers(target);
    if (target != file_) removeLeftovers(file_);
    ReadResult read = readFile(target);
    if (read.error == ENOENT || read.error == ENOTDIR) return;
    if (read.error != 0) {
        keepAside(read.reason);
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
    const fs::path target = followLinks(file_);
    const std::string stem = target.filename().string() + ".unreadable-" + timestamp();
    int error = EEXIST;
    fs::path aside;
    for (int attempt = 1; attempt <= 1000 && error == EEXIST; ++attempt) {
        aside = target.parent_path() / (attempt == 1 ? stem : stem + "-" + std::to_string(attempt));
        error = NewFile::renameNoReplace(target, aside);
    }
    if (error == 0) {
        settingsLog().error("settings unreadable file={} error={}", aside.string(), reason);
        return;
    }
    settingsLog().error("settings unreadable file={} error={}", file_.string(), reason);
    settingsLog().error("could not keep settings aside file={} error={}", file_.string(), errnoText(error));
    writable_ = false;
}

// The file may be a link: its target is replaced, atomically, in the target's own folder, so the
// link stays. A read-only target is the user's decision and is left alone.
void SettingsStore::save() const {
    if (!writable_) {
        settingsLog().error("could not write settings file={} error=unreadable file in place", file_.string());
        return;
    }
    const fs::path target = followLinks(file_);
    const fs::path folder = target.parent_path();
    if (const int error = createFolder(folder); error != 0) {
        settingsLog().error("could not write settings file={} error={}", file_.string(), errnoText(error));
        return;
    }
    // Mode bits, not access(): root would be allowed to write anyway.
    if (struct stat info {}; lstat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0222) == 0) {
        settingsLog().error("could not write settings file={} error={}", file_.string(), errnoText(EACCES));
        return;
    }
    // Replacing bad bytes keeps one odd string from blocking every later write. What is written
    // must load again, so a file too large when indented is written compact, or not at all.
    constexpr auto replace = nlohmann::json::error_handler_t::replace;
    std::string text = values_.dump(4, ' ', false, replace) + "\n";
    if (text.size() > static_cast<std::size_t>(maxFileSize)) text = values_.dump(-1, ' ', false, replace) + "\n";
    if (text.size() > static_cast<std::size_t>(maxFileSize)) {
        settingsLog().error("could not write settings file={} error={}", file_.string(), errnoText(EFBIG));
        return;
    }

    NewFile file(folder, target.filename().string(), 0600, true, NewFile::Publishing::replacingExisting);
    int error = file.error();
    if (error == 0) error = file.write(text);
    if (error == 0) error = file.publish();
    if (error != 0) settingsLog().error("could not write settings file={} error={}", file_.string(), errnoText(error));
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
