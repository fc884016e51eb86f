// The glimpo-text module's one entry point: the program finds it by name and stays free of
// Tesseract until the first text capture or the warm-up.

#include "app/platform/ocr/TesseractTextEngine.h"

extern "C" void glimpo_make_text_engine(std::unique_ptr<platform::ocr::TextEngine>& engine) {
    engine = std::make_unique<platform::ocr::TesseractTextEngine>();
}
