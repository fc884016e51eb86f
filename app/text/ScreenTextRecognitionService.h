#pragma once
// Text recognition on the machine: prepares the captured screen text, has the recogniser read
// it on one low-priority pool thread, takes lines that look like code character for character
// from their glyphs and ink, and joins the lines in reading order. The
// recogniser (and its model) is made once, by the warm-up or the first recognition, and kept
// for the life of the service.

#include <functional>
#include <memory>
#include <string>

#include <QImage>
#include <QThreadPool>
#include <qcoro/qcorotask.h>

#include "app/platform/ocr/TextEngine.h"
#include "app/text/ScreenTextPreparation.h"
#include "app/text/TextRecognitionService.h"

class ScreenTextRecognitionService : public TextRecognitionService {
public:
    // Makes the recogniser; called on the pool thread, may throw.
    using EngineFactory = std::function<std::unique_ptr<platform::ocr::TextEngine>()>;

    // The recogniser of the glimpo-text module.
    static std::unique_ptr<platform::ocr::TextEngine> moduleEngine();

    explicit ScreenTextRecognitionService(EngineFactory makeEngine = moduleEngine,
                                          double targetXHeight = ScreenTextPreparation::bestXHeight);
    // Waits for the recognition in progress, if any.
    ~ScreenTextRecognitionService() override;

    QCoro::Task<std::string> recognize(QImage image) override;
    QCoro::Task<std::vector<kit::TextLine>> readLines(QImage image) override;
    void warmUp() override;

private:
    class Worker;

    // Touched only on the pool's one thread, which serialises recognitions and the warm-up.
    std::unique_ptr<Worker> worker_;
    // Declared last: goes first, waiting for its thread, while the worker still exists.
    QThreadPool pool_;
};
