#include "app/platform/desktop/DesktopScreenshotShortcuts.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/base/BaseDirectories.h"
#include "app/base/Log.h"
#include "app/platform/Session.h"
#include "app/platform/desktop/DesktopKeys.h"
#include "kit/HotKeyCombination.h"

namespace fs = std::filesystem;

namespace platform::desktop::DesktopScreenshotShortcuts {

namespace {

const Logger& setupLog() {
    static const Logger logger("setup");
    return logger;
}

constexpr std::string_view shellSchema = "org.gnome.shell.keybindings";
// Where GNOME kept its screenshot keys before the shell took them over.
constexpr std::string_view mediaKeysSchema = "org.gnome.settings-daemon.plugins.media-keys";
constexpr std::string_view kdeToolGroup = "org.kde.spectacle.desktop";
constexpr std::string_view kdeToolDesktopFile = "applications/org.kde.spectacle.desktop";

struct NamedFunction {
    std::string_view schema;
    std::string_view key;
    ScreenshotFunction function;
};

constexpr auto gnomeKeys = std::to_array<NamedFunction>({
    {shellSchema, "show-screenshot-ui", ScreenshotFunction::screenshotUI},
    {shellSchema, "screenshot", ScreenshotFunction::fullScreen},
    {shellSchema, "screenshot-window", ScreenshotFunction::window},
    {shellSchema, "show-screen-recording-ui", ScreenshotFunction::recording},
    {mediaKeysSchema, "screenshot", ScreenshotFunction::fullScreen},
    {mediaKeysSchema, "screenshot-clip", ScreenshotFunction::fullScreenToClipboard},
    {mediaKeysSchema, "area-screenshot", ScreenshotFunction::area},
    {mediaKeysSchema, "area-screenshot-clip", ScreenshotFunction::areaToClipboard},
    {mediaKeysSchema, "window-screenshot", ScreenshotFunction::window},
    {mediaKeysSchema, "window-screenshot-clip", ScreenshotFunction::windowToClipboard},
    {mediaKeysSchema, "screencast", ScreenshotFunction::recording},
});

constexpr auto kdeActions = std::to_array<std::pair<std::string_view, ScreenshotFunction>>({
    {"_launch", ScreenshotFunction::screenshotUI},
    {"OpenWithoutScreenshot", ScreenshotFunction::screenshotUI},
    {"FullScreenScreenShot", ScreenshotFunction::fullScreen},
    {"CurrentMonitorScreenShot", ScreenshotFunction::fullScreen},
    {"RectangularRegionScreenShot", ScreenshotFunction::area},
    {"ActiveWindowScreenShot", ScreenshotFunction::window},
    {"WindowUnderCursorScreenShot", ScreenshotFunction::window},
    {"RecordRegion", ScreenshotFunction::recording},
    {"RecordScreen", ScreenshotFunction::recording},
    {"RecordWindow", ScreenshotFunction::recording},
});

std::optional<ScreenshotFunction> kdeFunction(std::string_view action) {
    for (const auto& [name, function] : kdeActions) {
        if (name == action) return function;
    }
    return std::nullopt;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const auto end = text.find('\n');
        result.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return result;
}

// The strings of a GVariant text: 'Print', ['<Shift>Print', 'Print'], @as [].
std::vector<std::string> gvariantStrings(std::string_view text) {
    std::vector<std::string> strings;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char quote = text[i];
        if (quote != '\'' && quote != '"') continue;
        std::string value;
        for (++i; i < text.size() && text[i] != quote; ++i) {
            if (text[i] == '\\' && i + 1 < text.size()) ++i;
            value += text[i];
        }
        strings.push_back(std::move(value));
    }
    return strings;
}

std::vector<DesktopShortcut> parseGSettingsLines(std::string_view listing, bool& sawScreenshotKey) {
    std::vector<DesktopShortcut> shortcuts;
    for (const std::string_view line : lines(listing)) {
        const auto firstSpace = line.find(' ');
        if (firstSpace == std::string_view::npos) continue;
        const auto secondSpace = line.find(' ', firstSpace + 1);
        if (secondSpace == std::string_view::npos) continue;
        const std::string_view schema = line.substr(0, firstSpace);
        const std::string_view key = line.substr(firstSpace + 1, secondSpace - firstSpace - 1);
        const auto known = std::find_if(gnomeKeys.begin(), gnomeKeys.end(), [&](const NamedFunction& named) {
            return named.schema == schema && named.key == key;
        });
        if (known == gnomeKeys.end()) continue;
        sawScreenshotKey = true;
        for (const std::string& accelerator : gvariantStrings(line.substr(secondSpace + 1))) {
            if (const auto parsed = parseGtkAccelerator(accelerator)) shortcuts.push_back({known->function, *parsed});
        }
    }
    return shortcuts;
}

// KConfig's escapes: \\, \t, \n, \s, and \, inside lists.
std::string unescapedKConfig(std::string_view text) {
    std::string value;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            value += text[i];
            continue;
        }
        switch (text[++i]) {
        case 't': value += '\t'; break;
        case 'n': value += '\n'; break;
        case 'r': value += '\r'; break;
        case 's': value += ' '; break;
        default: value += text[i]; break;
        }
    }
    return value;
}

// The first element of a KConfig list, where "\," is a comma inside an element.
std::string_view firstListElement(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (text[i] == ',') {
            return text.substr(0, i);
        }
    }
    return text;
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);) {
        const auto clean = trimmed(part);
        if (!clean.empty()) parts.emplace_back(clean);
    }
    return parts;
}

void appendKde(std::vector<DesktopShortcut>& shortcuts, ScreenshotFunction function,
               const std::vector<std::string>& sequences) {
    for (const std::string& sequence : sequences) {
        if (const auto parsed = parseQtShortcut(sequence)) shortcuts.push_back({function, *parsed});
    }
}

std::optional<std::string> readText(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return std::nullopt;
    std::ostringstream text;
    text << stream.rdbuf();
    if (stream.bad()) return std::nullopt;
    return text.str();
}

// None when no GNOME schema knows screenshot keys (or gsettings is missing).
std::optional<std::vector<DesktopShortcut>> readGnome() {
    std::vector<DesktopShortcut> shortcuts;
    bool present = false;
    for (const std::string_view schema : {shellSchema, mediaKeysSchema}) {
        QProcess gsettings;
        gsettings.setProcessChannelMode(QProcess::SeparateChannels);
        gsettings.start(QStringLiteral("gsettings"),
                        {QStringLiteral("list-recursively"), QString::fromUtf8(schema.data(), schema.size())});
        if (!gsettings.waitForStarted(2000)) return std::nullopt;
        if (!gsettings.waitForFinished(2000)) {
            gsettings.kill();
            gsettings.waitForFinished(1000);
            setupLog().debug("desktop shortcuts unreadable schema={} reason=timeout", schema);
            continue;
        }
        // A missing schema is an error exit; that desktop simply isn't here.
        if (gsettings.exitStatus() != QProcess::NormalExit || gsettings.exitCode() != 0) continue;
        const QByteArray listing = gsettings.readAllStandardOutput();
        bool sawKey = false;
        auto found = parseGSettingsLines(std::string_view(listing.constData(), listing.size()), sawKey);
        present = present || sawKey;
        shortcuts.insert(shortcuts.end(), found.begin(), found.end());
    }
    if (!present) return std::nullopt;
    return shortcuts;
}

ToolShortcuts kdeToolDefaults() {
    std::vector<fs::path> dataDirs{BaseDirectories::dataHome()};
    const std::vector<fs::path> systemDirs = BaseDirectories::dataDirs();
    dataDirs.insert(dataDirs.end(), systemDirs.begin(), systemDirs.end());
    for (const fs::path& dir : dataDirs) {
        if (const auto text = readText(dir / kdeToolDesktopFile)) return parseDesktopActionShortcuts(*text);
    }
    return {};
}

// None when KDE's shortcut file is absent.
std::optional<std::vector<DesktopShortcut>> readKde() {
    const auto text = readText(BaseDirectories::configHome() / "kglobalshortcutsrc");
    if (!text) return std::nullopt;
    return parseKGlobalShortcuts(*text, kdeToolDefaults());
}

bool matchesBinding(const kit::SystemShortcutKey& key, const kit::ActiveBindings& bindings) {
    return std::any_of(bindings.begin(), bindings.end(), [&](const auto& entry) {
        const kit::HotKeyCombination& combination = entry.second;
        return combination.keyCode == key.keyCode &&
               kit::EventFlags::fromCarbonModifiers(combination.carbonModifiers) ==
                   (key.modifierFlags & kit::EventFlags::modifierMask);
    });
}

std::vector<std::string_view> preferredIds(ScreenshotFunction function) {
    namespace system = kit::SystemScreenshotShortcuts;
    switch (function) {
    case ScreenshotFunction::fullScreen: return {system::saveScreenId};
    case ScreenshotFunction::fullScreenToClipboard: return {system::copyScreenId};
    case ScreenshotFunction::area: return {system::saveAreaId, system::optionsId};
    case ScreenshotFunction::areaToClipboard: return {system::copyAreaId};
    case ScreenshotFunction::screenshotUI: return {system::optionsId, system::saveAreaId};
    case ScreenshotFunction::window:
    case ScreenshotFunction::windowToClipboard:
    case ScreenshotFunction::recording: break;
    }
    return {};
}

} // namespace

std::vector<DesktopShortcut> parseGSettings(std::string_view listing) {
    bool sawScreenshotKey = false;
    return parseGSettingsLines(listing, sawScreenshotKey);
}

std::vector<DesktopShortcut> parseKGlobalShortcuts(std::string_view fileText, const ToolShortcuts& toolDefaults) {
    const std::string plasma5Group = "[" + std::string(kdeToolGroup) + "]";
    const std::string servicesGroup = "[services][" + std::string(kdeToolGroup) + "]";

    // "current,default,name" entries, and the "[services]" entries that override the defaults.
    std::map<std::string, std::string> plasma5;
    std::map<std::string, std::string> services;
    bool hasPlasma5Group = false;
    std::map<std::string, std::string>* group = nullptr;
    for (const std::string_view rawLine : lines(fileText)) {
        const std::string_view line = trimmed(rawLine);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            group = nullptr;
            if (line == plasma5Group) {
                group = &plasma5;
                hasPlasma5Group = true;
            } else if (line == servicesGroup) {
                group = &services;
            }
            continue;
        }
        const auto equals = line.find('=');
        if (group == nullptr || equals == std::string_view::npos) continue;
        (*group)[std::string(trimmed(line.substr(0, equals)))] = std::string(line.substr(equals + 1));
    }

    std::vector<DesktopShortcut> shortcuts;
    if (hasPlasma5Group) {
        for (const auto& [action, value] : plasma5) {
            if (const auto function = kdeFunction(action)) {
                appendKde(shortcuts, *function, split(unescapedKConfig(firstListElement(value)), '\t'));
            }
        }
        return shortcuts;
    }
    ToolShortcuts inForce = toolDefaults;
    for (const auto& [action, value] : services) inForce[action] = split(unescapedKConfig(value), '\t');
    for (const auto& [action, sequences] : inForce) {
        if (const auto function = kdeFunction(action)) appendKde(shortcuts, *function, sequences);
    }
    return shortcuts;
}

ToolShortcuts parseDesktopActionShortcuts(std::string_view desktopFile) {
    constexpr std::string_view actionPrefix = "[Desktop Action ";
    ToolShortcuts shortcuts;
    std::optional<std::string> action;
    for (const std::string_view rawLine : lines(desktopFile)) {
        const std::string_view line = trimmed(rawLine);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            action.reset();
            if (line == "[Desktop Entry]") {
                action = "_launch";
            } else if (line.starts_with(actionPrefix) && line.back() == ']') {
                action = std::string(line.substr(actionPrefix.size(), line.size() - actionPrefix.size() - 1));
            }
            continue;
        }
        const auto equals = line.find('=');
        if (!action || equals == std::string_view::npos || trimmed(line.substr(0, equals)) != "X-KDE-Shortcuts") continue;
        shortcuts[*action] = split(std::string(line.substr(equals + 1)), ',');
    }
    return shortcuts;
}

nlohmann::json preferences(const std::vector<DesktopShortcut>& shortcuts, const kit::ActiveBindings& bindings) {
    std::map<std::string_view, kit::SystemShortcutKey> placed;
    const auto isFree = [&](std::string_view id) { return !placed.contains(id); };
    const auto anyFreeId = [&]() -> std::optional<std::string_view> {
        for (const std::string_view id : kit::SystemScreenshotShortcuts::ids) {
            if (isFree(id)) return id;
        }
        return std::nullopt;
    };
    const auto alreadyPlaced = [&](const kit::SystemShortcutKey& key) {
        return std::any_of(placed.begin(), placed.end(), [&](const auto& entry) { return entry.second == key; });
    };
    const auto placeOwn = [&](const DesktopShortcut& shortcut) {
        for (const std::string_view id : preferredIds(shortcut.function)) {
            if (isFree(id)) {
                placed.emplace(id, shortcut.key);
                return true;
            }
        }
        return false;
    };

    std::vector<const DesktopShortcut*> colliding;
    std::vector<const DesktopShortcut*> others;
    for (const DesktopShortcut& shortcut : shortcuts) {
        (matchesBinding(shortcut.key, bindings) ? colliding : others).push_back(&shortcut);
    }
    for (const DesktopShortcut* shortcut : colliding) {
        if (alreadyPlaced(shortcut->key) || placeOwn(*shortcut)) continue;
        if (const auto id = anyFreeId()) placed.emplace(*id, shortcut->key);
    }
    std::vector<const DesktopShortcut*> homeless;
    for (const DesktopShortcut* shortcut : others) {
        if (!alreadyPlaced(shortcut->key) && !placeOwn(*shortcut)) homeless.push_back(shortcut);
    }
    for (const DesktopShortcut* shortcut : homeless) {
        if (alreadyPlaced(shortcut->key)) continue;
        if (const auto id = anyFreeId()) placed.emplace(*id, shortcut->key);
    }

    auto result = nlohmann::json::object();
    for (const std::string_view id : kit::SystemScreenshotShortcuts::ids) {
        const auto key = placed.find(id);
        if (key == placed.end()) {
            result[std::string(id)] = {{"enabled", false}};
        } else {
            result[std::string(id)] = {
                {"enabled", true},
                {"value", {{"parameters", {0, key->second.keyCode, key->second.modifierFlags}}}},
            };
        }
    }
    return result;
}

std::vector<DesktopShortcut> read() {
    const bool kdeFirst = Session::desktopIs("KDE");
    auto first = kdeFirst ? readKde() : readGnome();
    if (first) return std::move(*first);
    auto second = kdeFirst ? readGnome() : readKde();
    if (second) return std::move(*second);
    return {};
}

} // namespace platform::desktop::DesktopScreenshotShortcuts
