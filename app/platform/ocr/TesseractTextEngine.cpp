#include "app/platform/ocr/TesseractTextEngine.h"

#include <QCoreApplication>
#include <tesseract/baseapi.h>
#include <tesseract/resultiterator.h>

#include <stdexcept>

#include <omp.h>

namespace platform::ocr {

namespace {

// "en-US" and "it-IT", in this order: English is tried first, Italian for words it reads badly.
constexpr const char* languages = "eng+ita";

std::string lineText(const tesseract::ResultIterator& lines) {
    const std::unique_ptr<char[]> raw(lines.GetUTF8Text(tesseract::RIL_TEXTLINE));
    std::string text = raw ? raw.get() : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::string symbolText(const tesseract::LTRResultIterator& symbol) {
    const std::unique_ptr<char[]> raw(symbol.GetUTF8Text(tesseract::RIL_SYMBOL));
    return raw ? raw.get() : "";
}

// The line's characters with their boxes and the engine's other readings of each.
std::vector<kit::ReadGlyph> lineGlyphs(const tesseract::ResultIterator& line) {
    std::vector<kit::ReadGlyph> glyphs;
    tesseract::ResultIterator symbol(line);
    do {
        int left = 0, top = 0, right = 0, bottom = 0;
        if (symbol.BoundingBox(tesseract::RIL_SYMBOL, &left, &top, &right, &bottom)) {
            // Built in place: the module links nothing of GlimpoKit.
            const kit::Rect box{{static_cast<double>(left), static_cast<double>(top)},
                                {static_cast<double>(right - left), static_cast<double>(bottom - top)}};
            kit::ReadGlyph glyph{symbolText(symbol), box,
                                 symbol.Confidence(tesseract::RIL_SYMBOL), {},
                                 !glyphs.empty() && symbol.IsAtBeginningOf(tesseract::RIL_WORD)};
            tesseract::ChoiceIterator choice(symbol);
            do {
                if (const char* text = choice.GetUTF8Text()) glyph.alternatives.push_back({text, choice.Confidence()});
            } while (choice.Next());
            glyphs.push_back(std::move(glyph));
        }
        if (symbol.IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_SYMBOL)) break;
    } while (symbol.Next(tesseract::RIL_SYMBOL));
    return glyphs;
}

} // namespace

TesseractTextEngine::TesseractTextEngine() : api_(std::make_unique<tesseract::TessBaseAPI>()) {
    // One thread: the engine's parallel loops spin more than they gain on a desktop's few busy
    // cores (twice the processor time for one area on two cores), and the program is alone
    // in using OpenMP.
    omp_set_max_active_levels(0);
    // The dictionaries (load_system_dawg, load_freq_dawg) stay at their default, on: they are the
    // language correction.
    if (api_->Init(nullptr, languages, tesseract::OEM_LSTM_ONLY) != 0) {
        throw std::runtime_error(
            QCoreApplication::translate("TesseractTextEngine",
                                        "The text recognition data for English and Italian isn't installed.")
                .toStdString());
    }
    api_->SetPageSegMode(tesseract::PSM_AUTO);
    // The engine's own notes ("Empty page!!", resolution warnings) would flood the journal.
    api_->SetVariable("debug_file", "/dev/null");
    // The service turns light-on-dark text around itself; retrying every doubtful line inverted
    // costs more than it finds.
    api_->SetVariable("tessedit_do_invert", "0");
    // Each character's best readings with their confidences, for the glyphs code is picky about.
    api_->SetVariable("lstm_choice_mode", "2");
}

TesseractTextEngine::~TesseractTextEngine() {
    api_->End();
}

std::vector<EngineLine> TesseractTextEngine::read(const QImage& picture, int dotsPerInch) {
    if (picture.isNull()) return {};
    const QImage grey = picture.format() == QImage::Format_Grayscale8 ? picture
                                                                      : picture.convertToFormat(QImage::Format_Grayscale8);
    api_->SetImage(grey.constBits(), grey.width(), grey.height(), 1, static_cast<int>(grey.bytesPerLine()));
    api_->SetSourceResolution(dotsPerInch);
    if (api_->Recognize(nullptr) != 0) {
        api_->Clear();
        throw std::runtime_error(
            QCoreApplication::translate("TesseractTextEngine", "The text recogniser couldn't read this picture.")
                .toStdString());
    }

    std::vector<EngineLine> result;
    {
        // The iterator points into the results, so it goes before they are cleared.
        const std::unique_ptr<tesseract::ResultIterator> lines(api_->GetIterator());
        if (lines && !lines->Empty(tesseract::RIL_TEXTLINE)) {
            do {
                int left = 0, top = 0, right = 0, bottom = 0;
                if (!lines->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom)) continue;
                result.push_back({lineText(*lines), QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)),
                                  lineGlyphs(*lines)});
            } while (lines->Next(tesseract::RIL_TEXTLINE));
        }
    }
    api_->Clear();
    return result;
}

} // namespace platform::ocr
