#pragma once
// Thrown when a new capture cannot be put into the cache: its folder cannot be made or the
// picture cannot be written.

#include <string>
#include <string_view>

#include "kit/Error.h"

class CaptureStoreError : public kit::Error {
public:
    static constexpr std::string_view message = "The capture couldn't be written to disk.";

    CaptureStoreError() : kit::Error(std::string(message)) {}
};
