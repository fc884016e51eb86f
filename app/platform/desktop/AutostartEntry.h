#pragma once
// Glimpo's XDG autostart entry, the login item of Linux desktops. The user's entry
// ($XDG_CONFIG_HOME/autostart/org.glimpo.Glimpo.desktop) decides; without one, an entry installed
// system-wide ($XDG_CONFIG_DIRS/autostart) does. Paths are read from the environment on every call.

#include <filesystem>
#include <string>

namespace platform::desktop::AutostartEntry {

std::filesystem::path userEntryPath();

// Whether the session will start Glimpo at login: an entry exists and is neither Hidden nor
// switched off with X-GNOME-Autostart-enabled=false.
bool isEnabled();

// Writes the user's entry starting `executable`, atomically (a temporary file renamed over it).
// Throws kit::Error (posix domain, errno) with a description naming the failure and the path.
void enable(const std::filesystem::path& executable);

// Removes the user's entry; where a system-wide entry would still start Glimpo, writes a Hidden
// one in its place instead. Throws kit::Error like enable().
void disable();

// The entry's text. Throws kit::Error when the path can't be written into an entry (not UTF-8).
std::string desktopEntry(const std::filesystem::path& executable, bool hidden = false);

// The Exec value for a program path: quoted and escaped when it holds reserved characters, '%'
// doubled, then escaped as a desktop entry string.
std::string execValue(const std::filesystem::path& executable);

} // namespace platform::desktop::AutostartEntry
