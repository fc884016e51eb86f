#include "app/text/ScreenTextRecognitionService.h"

#include <QFuture>
#include <QtConcurrent/QtConcurrent>
#include <qcoro/qcorofuture.h>

#include <cerrno>
#include <chrono>
#include <exception>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "app/base/Log.h"
#include "app/base/Modules.h"
#include "app/text/GlyphShapes.h"
#include "kit/CodeText.h"
#include "kit/Error.h"
#include "kit/RecognizedText.h"
#include "kit/Result.h"

namespace {

// Below the program's own threads, above the niced builds and batch work of the desktop: the
// user is waiting, but the desktop must stay responsive.
constexpr int recognitionNiceness = 5;

using Outcome = kit::Result<std::string, std::string>;

QCoro::Task<std::string> textOf(QFuture<Outcome> reading) {
    const Outcome outcome = co_await reading;
    if (!outcome.ok()) throw kit::Error(outcome.error());
    co_return outcome.value();
}

// Code as it stands on the screen, character for character; any other line as the recogniser,
// with its dictionaries, read it.
std::string exactText(const platform::ocr::EngineLine& line, const QImage& picture) {
    if (!kit::CodeText::looksLikeCode(line.glyphs)) return line.text;
    std::vector<kit::Rect> ink;
    for (const QRect& blob : ScreenTextPreparation::lineInk(picture, ScreenTextPreparation::aroundLine(line.box))) {
        ink.push_back(kit::Rect::make(blob.x(), blob.y(), blob.width(), blob.height()));
    }
    return kit::CodeText::read(line.glyphs, ink);
}

using LinesOutcome = kit::Result<std::vector<kit::TextLine>, std::string>;

QCoro::Task<std::vector<kit::TextLine>> linesOf(QFuture<LinesOutcome> reading) {
    const LinesOutcome outcome = co_await reading;
    if (!outcome.ok()) throw kit::Error(outcome.error());
    co_return outcome.value();
}

// A box of the prepared picture in the captured picture's pixels, y down.
kit::Rect sourceBox(const PreparedPicture& prepared, const QRect& box) {
    const kit::Rect unit = prepared.normalisedBox(box);
    const double width = prepared.source.width(), height = prepared.source.height();
    return kit::Rect::make(unit.minX() * width, (1 - unit.maxY()) * height, unit.width() * width, unit.height() * height);
}

// The line's words as the recogniser's glyphs group them.
std::vector<kit::TextWord> wordsOf(const platform::ocr::EngineLine& line, const PreparedPicture& prepared) {
    std::vector<std::pair<std::string, QRect>> found;
    for (const kit::ReadGlyph& glyph : line.glyphs) {
        if (found.empty() || glyph.startsWord) found.emplace_back();
        found.back().first += glyph.text;
        found.back().second |= ScreenTextPreparation::pixelBox(glyph.box);
    }
    std::vector<kit::TextWord> words;
    for (const auto& [text, box] : found) {
        if (!text.empty() && !box.isEmpty()) words.push_back({text, sourceBox(prepared, box)});
    }
    return words;
}

} // namespace

class ScreenTextRecognitionService::Worker {
public:
    Worker(EngineFactory makeEngine, double targetXHeight)
        : makeEngine_(std::move(makeEngine)), targetXHeight_(targetXHeight) {}

    Outcome recognize(const QImage& image) {
        lowerPriority();
        try {
            if (image.isNull()) return Outcome::success({});
            const PreparedPicture prepared = ScreenTextPreparation::prepare(image, targetXHeight_);
            std::vector<kit::RecognizedLine> lines;
            for (const platform::ocr::EngineLine& line : readPrepared(prepared)) {
                // A line the recogniser found no text for has no candidate.
                if (line.text.find_first_not_of(" \t") == std::string::npos) continue;
                lines.push_back({exactText(line, prepared.picture), prepared.normalisedBox(line.box)});
            }
            return Outcome::success(kit::RecognizedText::join(lines));
        } catch (...) {
            return Outcome::failure(kit::describe(std::current_exception()));
        }
    }

    LinesOutcome readLines(const QImage& image) {
        lowerPriority();
        try {
            std::vector<kit::TextLine> lines;
            if (image.isNull()) return LinesOutcome::success(lines);
            const PreparedPicture prepared = ScreenTextPreparation::prepare(image, targetXHeight_);
            for (const platform::ocr::EngineLine& line : readPrepared(prepared)) {
                if (line.text.find_first_not_of(" \t") == std::string::npos) continue;
                lines.push_back({exactText(line, prepared.picture), sourceBox(prepared, line.box), wordsOf(line, prepared)});
            }
            return LinesOutcome::success(std::move(lines));
        } catch (...) {
            return LinesOutcome::failure(kit::describe(std::current_exception()));
        }
    }

    void warmUp() {
        lowerPriority();
        const auto start = std::chrono::steady_clock::now();
        QImage blank(64, 32, QImage::Format_Grayscale8);
        if (blank.isNull()) return;
        blank.fill(0);
        const Outcome outcome = recognize(blank);
        if (!outcome.ok()) {
            log_.error("text model warm-up failed error={}", outcome.error());
            return;
        }
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
        log_.info("text model ready seconds={}", static_cast<long long>(seconds.count()));
    }

private:
    std::vector<platform::ocr::EngineLine> readPrepared(const PreparedPicture& prepared) {
        std::vector<platform::ocr::EngineLine> lines = engine().read(prepared.picture, prepared.dotsPerInch);
        GlyphShapes::settle(lines, prepared.picture);
        return lines;
    }

    platform::ocr::TextEngine& engine() {
        // A failed load is not kept: the next recognition tries again.
        if (!engine_) engine_ = makeEngine_();
        return *engine_;
    }

    static void lowerPriority() {
        // Per thread on Linux; threads the recogniser starts inherit it. Never raised above where
        // the program already runs.
        const auto thread = static_cast<id_t>(gettid());
        errno = 0;
        const int niceness = getpriority(PRIO_PROCESS, thread);
        if (errno == 0 && niceness < recognitionNiceness) setpriority(PRIO_PROCESS, thread, recognitionNiceness);
    }

    EngineFactory makeEngine_;
    double targetXHeight_;
    std::unique_ptr<platform::ocr::TextEngine> engine_;
    Logger log_{"ocr"};
};

std::unique_ptr<platform::ocr::TextEngine> ScreenTextRecognitionService::moduleEngine() {
    return Modules::load<platform::ocr::TextEngineModule>("text").makeEngine();
}

ScreenTextRecognitionService::ScreenTextRecognitionService(EngineFactory makeEngine, double targetXHeight)
    : worker_(std::make_unique<Worker>(std::move(makeEngine), targetXHeight)) {
    pool_.setMaxThreadCount(1);
    // The one thread stays, so the recogniser keeps running where its memory is.
    pool_.setExpiryTimeout(-1);
}

ScreenTextRecognitionService::~ScreenTextRecognitionService() {
    pool_.waitForDone();
}

QCoro::Task<std::string> ScreenTextRecognitionService::recognize(QImage image) {
    // Not a coroutine itself: GCC 12 frees a coroutine's by-value parameter twice when a lambda
    // captures it, so the picture goes to the pool from a plain function.
    Worker* worker = worker_.get();
    return textOf(QtConcurrent::run(&pool_, [worker, image = std::move(image)] { return worker->recognize(image); }));
}

QCoro::Task<std::vector<kit::TextLine>> ScreenTextRecognitionService::readLines(QImage image) {
    Worker* worker = worker_.get();
    return linesOf(QtConcurrent::run(&pool_, [worker, image = std::move(image)] { return worker->readLines(image); }));
}

void ScreenTextRecognitionService::warmUp() {
    Worker* worker = worker_.get();
    // Never awaited: its only traces are its log lines.
    pool_.start([worker] { worker->warmUp(); });
}
