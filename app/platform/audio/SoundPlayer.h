#pragma once
// The shutter and text-copied sounds. Never fails: a sound that can't play is skipped.

#include "kit/CaptureVocabulary.h"

class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;

    virtual void play(kit::CaptureSound sound) = 0;
};
