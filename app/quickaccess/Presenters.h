#pragma once
// Where the delegate sends what the coordinator reports: captures to be shown (quick access's
// thumbnails) and notices. One small interface per concern, chosen once at start, so the
// delegate never asks which one it has.

#include <optional>
#include <string>

#include "app/capture/CapturedImage.h"
#include "app/storage/Capture.h"

class CapturePresenter {
public:
    virtual ~CapturePresenter() = default;

    // A failure message is shown at once, and such a capture stays until the user acts on it.
    // `picture` is a still capture's pixels when they are still in memory (else empty).
    virtual void show(const Capture& capture, const std::optional<std::string>& failure, const CapturedImage& picture) = 0;
};

class NoticePresenter {
public:
    virtual ~NoticePresenter() = default;

    // Without seconds the notice stays until the next one replaces it.
    virtual void show(const std::string& message, const std::string& systemImage, std::optional<double> seconds) = 0;
};
