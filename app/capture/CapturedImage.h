#pragma once
// The result of every still capture: the pixels, and the size in points they cover on screen
// (pixels / scale), which sets the resolution a saved picture shows at.

#include <QImage>

#include "kit/Geometry.h"

struct CapturedImage {
    QImage image;
    kit::Size pointSize;
};
