#pragma once
// The disk behind saving. A move never replaces anything at the destination: within one file
// system it is a no-replace rename; across file systems the file is copied into an unnamed file
// in the destination folder, flushed, linked in under its name, and only then is the source
// removed. The saved file gets the mode of any new file there (0666 less the umask). A failed
// or killed move leaves the source where it was and no partial file behind.

#include <filesystem>

#include "kit/SaveOutcome.h"

class DiskFileSystem final : public kit::CaptureFileSystem {
public:
    // Throws std::filesystem::filesystem_error carrying the errno of the failing step; a source
    // that is missing throws kit::Error, since that is no fault of the save folder.
    void moveItem(const std::filesystem::path& from, const std::filesystem::path& to) override;
    // Anything at the location counts, a dangling symlink too. A location that cannot be
    // examined counts as free: the no-replace move then reports the real error.
    bool fileExists(const std::filesystem::path& path) const override;
};
