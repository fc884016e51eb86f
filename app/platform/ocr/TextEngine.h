#pragma once
// The recogniser under the text recognition service: reads the lines of text in a picture the
// service has prepared. The real one (Tesseract) lives in the glimpo-text module, which the
// service loads on first use through the one factory below.

#include <QImage>
#include <QRect>

#include <memory>
#include <string>
#include <vector>

#include "kit/CodeText.h"

namespace platform::ocr {

struct EngineLine {
    // UTF-8, without the line's terminator.
    std::string text;
    // Pixels of the picture given to read, y down.
    QRect box;
    // Its characters in reading order, boxes in the same pixels.
    std::vector<kit::ReadGlyph> glyphs;
};

class TextEngine {
public:
    virtual ~TextEngine() = default;

    // `picture` is 8-bit grey; `dotsPerInch` its resolution. Throws an exception whose message is
    // a sentence for the user when the recogniser fails.
    virtual std::vector<EngineLine> read(const QImage& picture, int dotsPerInch) = 0;
};

// The module's factory: loads the model (slow) and hands over a ready engine, or throws.
using MakeTextEngine = void(std::unique_ptr<TextEngine>& engine);
inline constexpr const char* textModule = "text";
inline constexpr const char* makeTextEngineSymbol = "glimpo_make_text_engine";

} // namespace platform::ocr
