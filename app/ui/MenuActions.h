#pragma once
// The menu's commands, filled in once by the application. Every callback starts as a no-op so a
// partly filled record is always safe to trigger.

#include <functional>

struct MenuActions {
    std::function<void()> captureArea = [] {};
    std::function<void()> captureFullscreen = [] {};
    std::function<void()> captureWindow = [] {};
    std::function<void()> startRecording = [] {};
    std::function<void()> stopRecording = [] {};
    std::function<void()> captureText = [] {};
    std::function<void()> openAllInOne = [] {};
    std::function<void()> openSaveFolder = [] {};
    std::function<void()> openSettings = [] {};
};
