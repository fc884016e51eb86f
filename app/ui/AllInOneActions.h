#pragma once
// What the all-in-one bar's buttons ask of its owner. Every callback starts as a no-op so a
// partly filled record is always safe to trigger.

#include <functional>

#include "kit/CaptureVocabulary.h"

struct AllInOneActions {
    std::function<void(kit::CaptureAction)> capture = [](kit::CaptureAction) {};
    // True: record the whole display under the pointer; false: select an area first.
    std::function<void(bool fullscreen)> record = [](bool) {};
    std::function<void()> close = [] {};
};
