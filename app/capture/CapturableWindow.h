#pragma once
// A window offered for window capture.

#include <cstdint>
#include <string>

#include "kit/Geometry.h"

struct CapturableWindow {
    // The X window id of the client window; names the window in captureWindow.
    std::uint32_t id = 0;
    // With the window manager's decorations, in global coordinates.
    kit::Rect frame;
    // Empty when the window has none.
    std::string title;
    // From WM_CLASS; empty when the window has none.
    std::string appName;

    friend bool operator==(const CapturableWindow&, const CapturableWindow&) = default;
};
