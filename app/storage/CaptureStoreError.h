#pragma once
// Thrown when a new capture cannot be put into the cache: its folder cannot be made or the
// picture cannot be written.

#include <string>
#include <string_view>

#include <QCoreApplication>

#include "kit/Error.h"

class CaptureStoreError : public kit::Error {
public:
    static constexpr const char* message = QT_TRANSLATE_NOOP("CaptureStoreError", "The capture couldn't be written to disk.");

    CaptureStoreError() : kit::Error(QCoreApplication::translate("CaptureStoreError", message).toStdString()) {}
};
