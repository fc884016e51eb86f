#pragma once
// A capture target that is gone by the time it is captured.

#include <string>

#include <QCoreApplication>

#include "kit/Error.h"

class ScreenCaptureError : public kit::Error {
public:
    enum class Kind { displayNotFound, windowNotFound };

    explicit ScreenCaptureError(Kind kind) : kit::Error(message(kind)), kind_(kind) {}

    static ScreenCaptureError displayNotFound() { return ScreenCaptureError(Kind::displayNotFound); }
    static ScreenCaptureError windowNotFound() { return ScreenCaptureError(Kind::windowNotFound); }

    Kind kind() const { return kind_; }

    static std::string message(Kind kind) {
        const QString text = kind == Kind::displayNotFound
                                 ? QCoreApplication::translate("ScreenCaptureError", "The screen is no longer available.")
                                 : QCoreApplication::translate("ScreenCaptureError", "The window is no longer available.");
        return text.toStdString();
    }

private:
    Kind kind_;
};
