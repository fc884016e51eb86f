#pragma once
// Names of capture files: the dated, human-readable name, and a free place for such a name in
// a folder. Never touches a file system itself; the caller supplies the existence test.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "kit/Calendar.h"
#include "kit/CaptureVocabulary.h"

namespace kit::CaptureFileNamer {

// "Glimpo 2026-03-05 at 09.07.03.png": local wall-clock time of the calendar, 24-hour clock,
// full stops in the time because colons are awkward in file names.
std::string fileName(CaptureKind kind, std::chrono::system_clock::time_point date,
                     const Calendar& calendar);

// folder/preferred when free, else the first free of "stem (2).ext", "stem (3).ext", ...
// `exists` is asked once per candidate, in that order.
std::filesystem::path uniqueURL(const std::filesystem::path& folder, const std::string& preferred,
                                const std::function<bool(const std::filesystem::path&)>& exists);

} // namespace kit::CaptureFileNamer
