#pragma once
// One capture as it travels from the library or the recorder to its thumbnail. The file lives
// in the cache until it is saved (moved out), discarded or purged.

#include <chrono>
#include <filesystem>

#include <QUuid>

#include "kit/CaptureVocabulary.h"
#include "kit/Geometry.h"

struct Capture {
    QUuid id{};
    std::filesystem::path fileURL;
    kit::CaptureKind kind = kit::CaptureKind::image;
    // Of the picture, or of the movie frame.
    kit::Size pixelSize{};
    // The source of the file name, at capture and at save alike.
    std::chrono::system_clock::time_point capturedAt{};
    bool isSaved = false;

    friend bool operator==(const Capture&, const Capture&) = default;
};
