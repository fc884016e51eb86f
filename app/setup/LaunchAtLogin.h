#pragma once
// Whether Glimpo starts at login, through the desktop's autostart entry.

namespace LaunchAtLogin {

// needsApproval never arises with autostart entries; it stays so the windows can show it.
enum class State { off, needsApproval, on };

State status();

// Writes (true) or removes (false) the autostart entry that starts the running program.
// Throws kit::Error whose description says why, unchanged from the platform.
void setEnabled(bool enabled);

} // namespace LaunchAtLogin
