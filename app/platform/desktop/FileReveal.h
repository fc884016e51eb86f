#pragma once
// Showing a file in the desktop's file manager.

#include <filesystem>

namespace platform::desktop {

// Asks the file manager to show the file selected (org.freedesktop.FileManager1.ShowItems);
// where none answers, opens the folder holding it. Returns at once.
void revealFile(const std::filesystem::path& file);

} // namespace platform::desktop
