#pragma once
// Opens the desktop's own settings pages (GNOME Settings, KDE System Settings) where the desktop
// has the page; elsewhere nothing opens and the window's text tells the user where to look.

namespace platform::desktop {

enum class SettingsPage { screenRecording, microphone, keyboardShortcuts, loginItems };

// Whether a settings program was started for the page.
bool openSettingsPage(SettingsPage page);

} // namespace platform::desktop
