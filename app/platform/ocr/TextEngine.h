#pragma once
// The recogniser under the text recognition service: reads the lines of text in a picture the
// service has prepared. The real one (Tesseract) lives in the glimpo-text module, which the
// service loads through app/base/Modules on first use and asks for an engine.

#include <QImage>
#include <QObject>
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

// The glimpo-text module's operation.
class TextEngineModule {
public:
    virtual ~TextEngineModule() = default;

    // Loads the model (slow) and hands over a ready engine, or throws.
    virtual std::unique_ptr<TextEngine> makeEngine() const = 0;
};

} // namespace platform::ocr

// Raised with every change to the types above: a module built against another version of them
// is refused rather than called.
#define GLIMPO_TEXT_MODULE_IID "org.glimpo.Glimpo.TextEngineModule/1"
Q_DECLARE_INTERFACE(platform::ocr::TextEngineModule, GLIMPO_TEXT_MODULE_IID)
