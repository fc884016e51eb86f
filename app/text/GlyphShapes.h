#pragma once
// Readings of monospaced code the ink itself contradicts. The recogniser leans on English letter
// sequences and reads "wc -l" as "we -1" even where its own doubt is nil; code has none to lean
// on, but every e has its bar across the middle and a c has none, and where a monospaced l turns
// its foot to the right a 1 stands on a foot both sides of its stem.

#include <QImage>

#include <vector>

#include "app/platform/ocr/TextEngine.h"

namespace GlyphShapes {

// `grey` is the prepared picture the lines were read from; only monospaced lines change.
void settle(std::vector<platform::ocr::EngineLine>& lines, const QImage& grey);

} // namespace GlyphShapes
