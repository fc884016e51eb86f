#include "app/platform/desktop/AutostartEntry.h"

#include <QCoreApplication>
#include <QString>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include "app/base/BaseDirectories.h"
#include "app/base/NewFile.h"
#include "kit/Error.h"

namespace fs = std::filesystem;

namespace platform::desktop::AutostartEntry {

namespace {

constexpr std::string_view entryName = "org.glimpo.Glimpo.desktop";

[[noreturn]] void fail(int error, const fs::path& path) {
    throw kit::Error(fmt::format("{} ({}).", std::strerror(error), path.string()), std::string(kit::ErrorDomain::posix),
                     error);
}

std::vector<fs::path> systemEntryPaths() {
    std::vector<fs::path> paths;
    for (const fs::path& dir : BaseDirectories::configDirs()) paths.push_back(dir / "autostart" / entryName);
    return paths;
}

std::optional<std::string> readText(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return std::nullopt;
    std::ostringstream text;
    text << stream.rdbuf();
    return text.str();
}

// An entry in force, read the way session managers read it: only the [Desktop Entry] group.
bool startsAtLogin(const std::string& entry) {
    bool inMainGroup = false;
    std::istringstream stream(entry);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inMainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inMainGroup) continue;
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false") return false;
    }
    return true;
}

bool systemEntryStartsAtLogin() {
    for (const fs::path& path : systemEntryPaths()) {
        // The first entry found shadows the ones after it.
        if (const auto text = readText(path)) return startsAtLogin(*text);
    }
    return false;
}

void writeAtomically(const fs::path& target, const std::string& contents) {
    const fs::path folder = target.parent_path();
    std::error_code created;
    fs::create_directories(folder, created);
    if (created) fail(created.value(), folder);
    NewFile file(folder, target.filename().string(), 0644, true, NewFile::Publishing::replacingExisting);
    if (file.error() != 0) fail(file.error(), folder);
    if (const int error = file.write(contents); error != 0) fail(error, target);
    if (const int error = file.publish(); error != 0) fail(error, target);
}

bool isUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8() ==
           QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

fs::path userEntryPath() {
    return BaseDirectories::configHome() / "autostart" / entryName;
}

bool isEnabled() {
    if (const auto text = readText(userEntryPath())) return startsAtLogin(*text);
    return systemEntryStartsAtLogin();
}

void enable(const fs::path& executable) {
    writeAtomically(userEntryPath(), desktopEntry(executable));
}

void disable() {
    const fs::path path = userEntryPath();
    if (systemEntryStartsAtLogin()) {
        writeAtomically(path, desktopEntry("glimpo", /*hidden=*/true));
        return;
    }
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) fail(errno, path);
}

std::string execValue(const fs::path& executable) {
    const std::string path = executable.string();
    constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string argument;
    if (path.find_first_of(reserved) == std::string::npos) {
        argument = path;
    } else {
        argument = "\"";
        for (const char c : path) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') argument += '\\';
            argument += c;
        }
        argument += '"';
    }
    std::string value;
    for (const char c : argument) {
        switch (c) {
        case '%': value += "%%"; break;
        case '\\': value += "\\\\"; break;
        case '\n': value += "\\n"; break;
        case '\t': value += "\\t"; break;
        case '\r': value += "\\r"; break;
        default: value += c; break;
        }
    }
    return value;
}

std::string desktopEntry(const fs::path& executable, bool hidden) {
    if (!isUtf8(executable.string())) {
        throw kit::Error(QCoreApplication::translate("AutostartEntry", "Glimpo's program path is not valid UTF-8 text, "
                                                                       "so no login item can start it.")
                             .toStdString());
    }
    // The desktop lists its login items by name and comment, in the language the user has now.
    const std::string comment =
        QCoreApplication::translate("AutostartEntry",
                                    "Capture an area, a window or the screen, record the screen, or copy text from it")
            .toStdString();
    std::string entry = "[Desktop Entry]\n"
                        "Type=Application\n"
                        "Name=Glimpo\n"
                        "Comment=" + comment + "\n"
                        "Exec=" + execValue(executable) + "\n"
                        "Icon=org.glimpo.Glimpo\n"
                        "Terminal=false\n";
    entry += hidden ? "X-GNOME-Autostart-enabled=false\nHidden=true\n" : "X-GNOME-Autostart-enabled=true\n";
    return entry;
}

} // namespace platform::desktop::AutostartEntry
