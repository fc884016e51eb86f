#pragma once
// Opens the desktop's own settings pages (GNOME Settings, KDE System Settings) where the desktop
// has the page; elsewhere nothing opens, and the sentence for the user says where to look.

#include <string>
#include <string_view>

namespace platform::desktop {

enum class SettingsPage { screenRecording, microphone, keyboardShortcuts };

// Whether a settings program was started for the page.
bool openSettingsPage(SettingsPage page);

// The page's name for the log ("keyboardShortcuts").
std::string_view pageName(SettingsPage page);

// For a page that did not open: that it can't be opened here, and where to look instead.
std::string whereToLook(SettingsPage page);

} // namespace platform::desktop
