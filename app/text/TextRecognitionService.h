#pragma once
// Turns a picture into text, on the machine.

#include <string>

#include <QImage>
#include <qcoro/qcorotask.h>

class TextRecognitionService {
public:
    virtual ~TextRecognitionService() = default;

    // The recognised text, possibly empty; throws when recognition fails.
    virtual QCoro::Task<std::string> recognize(QImage image) = 0;
    // Loads the recogniser ahead of the first capture.
    virtual void warmUp() = 0;
};
