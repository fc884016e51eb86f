#pragma once
// Turns the fragmented movie written while recording into an ordinary MPEG-4 file with its
// index at the front, the form every player and editor opens at once. A fragmented file cut
// short by a crash is finished the same way, up to its last whole fragment.

#include <filesystem>
#include <optional>

#include "kit/Geometry.h"

namespace platform::media {

// Writes `output` from `fragmented` by copying the packets (nothing is encoded again); the
// picture size of its video, or none (and no output) when there is no playable video.
std::optional<kit::Size> finishMovie(const std::filesystem::path& fragmented, const std::filesystem::path& output);

} // namespace platform::media
