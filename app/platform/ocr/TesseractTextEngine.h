#pragma once
// Tesseract's LSTM engine with English and Italian and dictionary correction: the model is
// loaded once, when the engine is made, and reused for every picture.

#include <memory>
#include <vector>

#include "app/platform/ocr/TextEngine.h"

namespace tesseract {
class TessBaseAPI;
}

namespace platform::ocr {

class TesseractTextEngine : public TextEngine {
public:
    // Throws when the model can't be loaded.
    TesseractTextEngine();
    ~TesseractTextEngine() override;

    std::vector<EngineLine> read(const QImage& picture, int dotsPerInch) override;

private:
    std::unique_ptr<tesseract::TessBaseAPI> api_;
};

} // namespace platform::ocr
