#pragma once
// The glimpo-text module's root object: makes Tesseract engines. The program's module loader asks
// for it by the interface's id, so the program stays free of Tesseract until the first text
// capture or the warm-up. Built into libglimpo-text.so only.

#include <QObject>

#include "app/platform/ocr/TextEngine.h"

namespace platform::ocr {

class TesseractModule : public QObject, public TextEngineModule {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID GLIMPO_TEXT_MODULE_IID)
    Q_INTERFACES(platform::ocr::TextEngineModule)

public:
    std::unique_ptr<TextEngine> makeEngine() const override;
};

} // namespace platform::ocr
