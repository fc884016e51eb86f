#pragma once
// Showing a file or a folder in the desktop's file manager.

#include <filesystem>
#include <functional>

namespace platform::desktop {

// Opens the folder in the file manager (org.freedesktop.FileManager1.ShowFolders, else
// xdg-open). Returns at once; onUnavailable runs later, on the main thread, when neither
// opened it.
void openFolder(const std::filesystem::path& folder, std::function<void()> onUnavailable);

// Asks the file manager to show the file selected (org.freedesktop.FileManager1.ShowItems);
// where none answers, opens the folder holding it. Returns at once.
void revealFile(const std::filesystem::path& file);

} // namespace platform::desktop
