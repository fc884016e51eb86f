#include "kit/CaptureFileNamer.h"

#include <cstdint>
#include <cstdio>

namespace kit::CaptureFileNamer {

std::string fileName(CaptureKind kind, std::chrono::system_clock::time_point date,
                     const Calendar& calendar) {
    const DateComponents c = calendar.components(date);
    // Large enough for six ints at their widest.
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d at %02d.%02d.%02d", c.year, c.month, c.day,
                  c.hour, c.minute, c.second);
    std::string name = "Glimpo ";
    name += stamp;
    name += '.';
    name += kind.fileExtension();
    return name;
}

std::filesystem::path uniqueURL(const std::filesystem::path& folder, const std::string& preferred,
                                const std::function<bool(const std::filesystem::path&)>& exists) {
    std::filesystem::path candidate = folder / preferred;
    if (!exists(candidate)) return candidate;

    // The extension is what follows the last full stop; a leading or trailing full stop
    // ("dotfile" names, "name.") separates nothing, so the number goes at the end.
    std::string stem = preferred;
    std::string extension;
    const auto dot = preferred.rfind('.');
    if (dot != std::string::npos && dot != 0 && dot + 1 != preferred.size()) {
        stem = preferred.substr(0, dot);
        extension = preferred.substr(dot);
    }
    for (std::uint64_t n = 2;; ++n) {
        candidate = folder / (stem + " (" + std::to_string(n) + ")" + extension);
        if (!exists(candidate)) return candidate;
    }
}

} // namespace kit::CaptureFileNamer
