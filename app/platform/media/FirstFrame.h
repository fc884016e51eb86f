#pragma once
// The first picture of a movie, for its thumbnail.

#include <filesystem>
#include <optional>

#include <QImage>

namespace platform::media {

// Decodes frame zero of the movie's video track, turned as the track asks to be shown, at the
// picture's own pixel size. Nothing when the file has no decodable video. Blocking and
// thread-safe: run it off the main thread.
std::optional<QImage> firstFrame(const std::filesystem::path& movie);

} // namespace platform::media
