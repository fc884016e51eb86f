#pragma once
// Frames of an X11 screen: grabbed on demand through the capture backend, with the server's
// damage reports (XDamage) saying when the area was drawn. Without XDamage, two grabs are
// compared instead.

#include <memory>

#include "app/platform/CaptureBackend.h"
#include "app/scrolling/ScreenFrames.h"

class DamageFrames : public ScreenFrames {
public:
    explicit DamageFrames(std::shared_ptr<platform::CaptureBackend> backend);

    QCoro::Task<void> open(QRect rootArea) override;
    QCoro::Task<bool> changed() override;
    QCoro::Task<QImage> grab() override;

private:
    std::shared_ptr<platform::CaptureBackend> backend_;
    std::unique_ptr<platform::DamageWatch> watch_;
    QRect area_;
    // What the area showed at the last look, when only comparing tells what changed.
    QImage lastSeen_;
};
