#pragma once
// A capture target that is gone by the time it is captured.

#include <string>

#include "kit/Error.h"

class ScreenCaptureError : public kit::Error {
public:
    enum class Kind { displayNotFound, windowNotFound };

    explicit ScreenCaptureError(Kind kind) : kit::Error(message(kind)), kind_(kind) {}

    static ScreenCaptureError displayNotFound() { return ScreenCaptureError(Kind::displayNotFound); }
    static ScreenCaptureError windowNotFound() { return ScreenCaptureError(Kind::windowNotFound); }

    Kind kind() const { return kind_; }

    static std::string message(Kind kind) {
        return kind == Kind::displayNotFound ? "The screen is no longer available."
                                             : "The window is no longer available.";
    }

private:
    Kind kind_;
};
