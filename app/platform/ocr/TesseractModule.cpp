#include "app/platform/ocr/TesseractModule.h"

#include "app/platform/ocr/TesseractTextEngine.h"

namespace platform::ocr {

std::unique_ptr<TextEngine> TesseractModule::makeEngine() const {
    return std::make_unique<TesseractTextEngine>();
}

} // namespace platform::ocr
