#pragma once
// Turns a picture into text, on the machine.

#include <string>
#include <vector>

#include <QImage>
#include <qcoro/qcorotask.h>

#include "kit/SensitiveText.h"

class TextRecognitionService {
public:
    virtual ~TextRecognitionService() = default;

    // The recognised text, possibly empty; throws when recognition fails.
    virtual QCoro::Task<std::string> recognize(QImage image) = 0;
    // The lines read and their words, with boxes in the picture's pixels (y down), in the order
    // the recogniser found them; throws when recognition fails.
    virtual QCoro::Task<std::vector<kit::TextLine>> readLines(QImage image) = 0;
    // Loads the recogniser ahead of the first capture.
    virtual void warmUp() = 0;
};
