// The recognition service with a fake recogniser (its thread, its one model, its boxes and its
// failures), then with Tesseract on images without text and on the rendered screen-text set.

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <stdexcept>

#include <sys/resource.h>
#include <unistd.h>

#include "ScreenTextSamples.h"
#include "TextDistance.h"
#include "TestSupport.h"
#include "app/base/Log.h"
#include "app/platform/ocr/TesseractTextEngine.h"
#include "app/text/ScreenTextRecognitionService.h"
#include "kit/Error.h"

namespace {

using platform::ocr::EngineLine;
using platform::ocr::TextEngine;

// What the fake recogniser saw, written on the pool thread and read once the work is awaited.
struct Seen {
    std::atomic<int> made{0};
    int failMaking = 0;
    std::set<pid_t> threads;
    int niceness = 0;
    std::vector<EngineLine> lines;
    std::string readFailure;
};

class FakeEngine : public TextEngine {
public:
    explicit FakeEngine(Seen& seen) : seen_(seen) {}
    std::vector<EngineLine> read(const QImage&, int) override {
        seen_.threads.insert(gettid());
        seen_.niceness = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        if (!seen_.readFailure.empty()) throw std::runtime_error(seen_.readFailure);
        return seen_.lines;
    }

private:
    Seen& seen_;
};

ScreenTextRecognitionService::EngineFactory fakeFactory(Seen& seen) {
    return [&seen]() -> std::unique_ptr<TextEngine> {
        ++seen.made;
        if (seen.failMaking > 0 && seen.failMaking-- > 0) throw std::runtime_error("The model is missing.");
        return std::make_unique<FakeEngine>(seen);
    };
}

QImage white(int width = 600, int height = 200) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

TEST(ScreenTextRecognitionService, ReadsOnOneLowPriorityThreadWithOneModelAndFailuresReachTheCaller) {
    Seen seen;
    seen.failMaking = 1;
    MemoryLogSink log;
    ScreenTextRecognitionService service(fakeFactory(seen));
    service.warmUp();
    ASSERT_TRUE(testsupport::waitUntil(
        [&] { return log.contains("ocr", "text model warm-up failed error=The model is missing."); }));
    // A failed warm-up is no verdict: the next recognition loads again, and keeps the model.
    seen.lines = {{"Back", QRect(10, 10, 50, 20)}};
    EXPECT_EQ(testsupport::await(service.recognize(white())), "Back");
    testsupport::await(service.recognize(white()));
    EXPECT_EQ(seen.made, 2);
    ASSERT_EQ(seen.threads.size(), 1u);
    EXPECT_NE(*seen.threads.begin(), gettid());
    EXPECT_GE(seen.niceness, 5);

    seen.readFailure = "The picture could not be read.";
    EXPECT_EQ(testsupport::errorOf<kit::Error>([&] { testsupport::await(service.recognize(white())); }),
              "The picture could not be read.");
}

// Tesseract itself: one service, so the model loads once for the whole suite.
class TesseractRecognition : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        service = std::make_unique<ScreenTextRecognitionService>(
            [] { return std::make_unique<platform::ocr::TesseractTextEngine>(); });
    }
    static void TearDownTestSuite() { service.reset(); }
    static std::string read(const QImage& image) { return testsupport::await(service->recognize(image), 30000); }

    static inline std::unique_ptr<ScreenTextRecognitionService> service;
};

TEST_F(TesseractRecognition, ImagesWithoutTextGiveTheEmptyString) {
    QImage black = white();
    black.fill(Qt::black);
    for (const QImage& image : {QImage(), black, white(), white(1, 1)}) EXPECT_EQ(read(image), "") << image.size().width();
}

// Every area reads with at most a few slips (a lost accent; in code a bracket read as a letter),
// the set as a whole, and code, commands, paths and logs alone, with fewer than one character in
// two hundred wrong, and half of the code areas exactly.
TEST_F(TesseractRecognition, ReadsTheRenderedScreenTextSet) {
    std::size_t errors = 0, characters = 0, codeErrors = 0, codeCharacters = 0;
    int codeAreas = 0, codeExact = 0;
    for (const screentext::Sample& sample : screentext::all()) {
        const std::string text = read(sample.image);
        const std::size_t wrong = screentext::editDistance(sample.truth, QString::fromStdString(text));
        const std::size_t length = sample.truth.toUcs4().size();
        errors += wrong;
        characters += length;
        if (sample.code) {
            codeErrors += wrong;
            codeCharacters += length;
            ++codeAreas;
            codeExact += wrong == 0;
        }
        EXPECT_LE(wrong * 100, length * (sample.code ? 4 : 3)) << sample.name.toStdString() << "\n--- truth\n"
                                                 << sample.truth.toStdString() << "\n--- read\n"
                                                 << text;
    }
    EXPECT_LT(errors * 200, characters) << errors << " of " << characters << " characters wrong";
    EXPECT_LT(codeErrors * 200, codeCharacters) << codeErrors << " of " << codeCharacters << " code characters wrong";
    EXPECT_GE(codeExact * 2, codeAreas) << codeExact << " of " << codeAreas << " code areas exact";
}

} // namespace
