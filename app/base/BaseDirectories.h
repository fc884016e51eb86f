#pragma once
// The XDG base directories, resolved in one place by the XDG Base Directory rule: a value must be an
// absolute path, anything else (relative, empty, unset) is ignored in favour of the default. Read
// from the environment at each call, so tests and child processes see the same answer.

#include <filesystem>
#include <optional>
#include <vector>

namespace BaseDirectories {

// $HOME when absolute, else the password database's home folder.
std::filesystem::path home();

std::filesystem::path configHome(); // $XDG_CONFIG_HOME, default ~/.config
std::filesystem::path cacheHome();  // $XDG_CACHE_HOME, default ~/.cache
std::filesystem::path dataHome();   // $XDG_DATA_HOME, default ~/.local/share

// The colon-separated lists keep their absolute entries; with none left the defaults apply.
std::vector<std::filesystem::path> configDirs(); // default /etc/xdg
std::vector<std::filesystem::path> dataDirs();   // default /usr/local/share:/usr/share

// $XDG_RUNTIME_DIR when absolute; its owner and mode are the caller's to check.
std::optional<std::filesystem::path> runtimeDir();

} // namespace BaseDirectories
