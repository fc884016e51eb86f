#include "app/base/BaseDirectories.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace fs = std::filesystem;

namespace BaseDirectories {

namespace {

std::optional<fs::path> absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value != '/') return std::nullopt;
    return fs::path(value);
}

fs::path homeBased(const char* name, const char* underHome) {
    if (auto value = absoluteVariable(name)) return *value;
    return home() / underHome;
}

std::vector<fs::path> pathList(const char* name, std::string_view fallback) {
    const char* value = std::getenv(name);
    std::vector<fs::path> paths;
    for (std::string_view list : {std::string_view(value != nullptr ? value : ""), fallback}) {
        while (!list.empty()) {
            const auto end = list.find(':');
            const std::string_view entry = list.substr(0, end);
            if (!entry.empty() && entry.front() == '/') paths.emplace_back(entry);
            list = end == std::string_view::npos ? std::string_view() : list.substr(end + 1);
        }
        if (!paths.empty()) break;
    }
    return paths;
}

} // namespace

fs::path home() {
    if (auto value = absoluteVariable("HOME")) return *value;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

fs::path configHome() {
    return homeBased("XDG_CONFIG_HOME", ".config");
}

fs::path cacheHome() {
    return homeBased("XDG_CACHE_HOME", ".cache");
}

fs::path dataHome() {
    return homeBased("XDG_DATA_HOME", ".local/share");
}

std::vector<fs::path> configDirs() {
    return pathList("XDG_CONFIG_DIRS", "/etc/xdg");
}

std::vector<fs::path> dataDirs() {
    return pathList("XDG_DATA_DIRS", "/usr/local/share:/usr/share");
}

std::optional<fs::path> runtimeDir() {
    return absoluteVariable("XDG_RUNTIME_DIR");
}

} // namespace BaseDirectories
