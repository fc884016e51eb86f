#pragma once
// Frames of a Wayland session's screen: the ScreenCast portal shares the screen once (the
// user's choice is kept with the recordings'), and its PipeWire stream, read in the recording
// module, sends the area's pixels each time the screen changes. A frame counts as changed when
// its pixels differ from those last looked at.

#include <memory>

#include <QObject>

#include "app/platform/wayland/ScreenCastPortal.h"
#include "app/recording/RecordingModule.h"
#include "app/scrolling/ScreenFrames.h"

class SharedScreenFrames : public ScreenFrames {
public:
    // `display` is the root pixels of the display the area is on, for portals that don't say
    // where the shared screen is.
    SharedScreenFrames(std::unique_ptr<platform::wayland::ScreenCastPortal> portal, QRect display);
    ~SharedScreenFrames() override;

    QCoro::Task<void> open(QRect rootArea) override;
    QCoro::Task<bool> changed() override;
    QCoro::Task<QImage> grab() override;

private:
    void received(QImage picture);

    std::unique_ptr<platform::wayland::ScreenCastPortal> portal_;
    QRect display_;
    // Pictures reach the main thread through this; those queued when it goes are dropped.
    QObject inbox_;
    std::unique_ptr<ScreenPictures> pictures_;
    QImage latest_;
    QImage lookedAt_;
    std::string stopped_;
};
