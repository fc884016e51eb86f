#pragma once
// Where the pointer is and which display lies under a point, in global coordinates.

#include <cstdint>
#include <optional>

#include "kit/Geometry.h"

class DisplayLocator {
public:
    virtual ~DisplayLocator() = default;

    virtual kit::Point pointerLocation() const = 0;
    virtual std::optional<std::uint32_t> displayContaining(kit::Point globalPoint) const = 0;
    virtual std::optional<std::uint32_t> mainDisplay() const = 0;
};
