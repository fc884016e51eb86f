#pragma once
// Whether Glimpo starts at login, through the desktop's autostart entry.

namespace LaunchAtLogin {

// Autostart entries need nobody's approval: the entry is there or it is not.
enum class State { off, on };

State status();

// Writes (true) or removes (false) the autostart entry that starts the running program.
// Throws kit::Error whose description says why, unchanged from the platform.
void setEnabled(bool enabled);

} // namespace LaunchAtLogin
