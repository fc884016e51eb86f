#pragma once
// The permissions a capture needs.

// The sound server asks nobody, so there is no undecided state: access is what it grants now.
enum class MicrophoneAuthorization { authorized, denied, restricted };

namespace PermissionGate {

// The non-prompting screen-capture test. Every X11 client may read the screen; in a Wayland
// session the screenshot portal asks at the first capture, and a refusal there is the
// declined-permission failure, so nothing is known to be refused beforehand.
bool screenCaptureAllowed();

} // namespace PermissionGate
