#pragma once
// The desktop's own screenshot shortcuts, read afresh on every call and turned into the
// preferences map that kit::SystemScreenshotShortcuts::conflicts reads: ids "28", "29", "30",
// "31", "184", each {"enabled": bool, "value": {"parameters": [0, keyCode, eventFlags]}}.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "kit/HotKeyBindings.h"
#include "kit/SystemScreenshotShortcuts.h"

namespace platform::desktop {

enum class ScreenshotFunction {
    fullScreen,
    fullScreenToClipboard,
    area,
    areaToClipboard,
    window,
    windowToClipboard,
    // The desktop's screenshot tool or its capture and recording options.
    screenshotUI,
    recording,
};

// One enabled key of one of the desktop's screenshot functions.
struct DesktopShortcut {
    ScreenshotFunction function;
    kit::SystemShortcutKey key;

    friend bool operator==(const DesktopShortcut&, const DesktopShortcut&) = default;
};

namespace DesktopScreenshotShortcuts {

// GNOME's keys as `gsettings list-recursively SCHEMA` prints them ("schema key value" lines).
// Lines of other keys, and accelerators that can't be read, are skipped.
std::vector<DesktopShortcut> parseGSettings(std::string_view listing);

// KDE's kglobalshortcutsrc: the screenshot tool's group, in the "current,default,name" form or
// the newer "[services]" form that stores only what differs from the tool's own defaults
// (`toolDefaults`: action name -> shortcuts, from the tool's desktop file).
using ToolShortcuts = std::map<std::string, std::vector<std::string>>;
std::vector<DesktopShortcut> parseKGlobalShortcuts(std::string_view fileText, const ToolShortcuts& toolDefaults = {});

// The X-KDE-Shortcuts of a desktop file by action: "_launch" for the entry itself, NAME for
// each "[Desktop Action NAME]".
ToolShortcuts parseDesktopActionShortcuts(std::string_view desktopFile);

// Five ids hold the desktop's keys: each key takes its function's own id where free, and any
// free id otherwise; ids left over are switched off. Keys that match one of `bindings` are placed
// first, so that no collision is lost when the desktop has more keys than ids.
nlohmann::json preferences(const std::vector<DesktopShortcut>& shortcuts, const kit::ActiveBindings& bindings = {});

// The desktop's screenshot shortcuts now: KDE's file first in a KDE session, GNOME's settings
// schemas first elsewhere; none when neither desktop's settings exist.
std::vector<DesktopShortcut> read();

} // namespace DesktopScreenshotShortcuts

} // namespace platform::desktop
