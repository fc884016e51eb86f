#pragma once
// Fakes of the services the coordinator works through, but for capture, which runs over the
// scripted backend of capture/FakeCaptureBackend.h. Each records what it was asked and
// answers what the test set up.

#include <exception>
#include <optional>
#include <string>
#include <vector>

#include <QImage>

#include "app/capture/DisplayLocator.h"
#include "app/capture/ScreenCaptureService.h"
#include "app/capture/SelectionOverlayController.h"
#include "app/base/Observation.h"
#include "app/platform/audio/SoundPlayer.h"
#include "app/recording/ScreenRecorder.h"
#include "app/text/TextRecognitionService.h"

namespace fakes {

// QCoro 0.8 moves from a non-const lvalue given to co_return, so the fakes return copies of
// the answers they keep.
template <class T> T copy(const T& value) { return value; }

// Makes a fake to hand over and keeps a pointer to it for the test.
template <class T> std::unique_ptr<T> kept(T*& raw) {
    auto made = std::make_unique<T>();
    raw = made.get();
    return made;
}

inline CapturedImage image(int width, int height) {
    QImage picture(width, height, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    return {picture, kit::Size{double(width), double(height)}};
}

class Overlay : public SelectionOverlayController {
public:
    struct Begin {
        SelectionMode mode;
        bool allowsWindowMode;
        SelectionPurpose purpose;
    };
    std::vector<Begin> begins;

    void begin(SelectionMode mode, bool allowsWindowMode, SelectionPurpose purpose) override {
        begins.push_back({mode, allowsWindowMode, purpose});
    }
};

class Recorder : public ScreenRecorder {
public:
    struct Start {
        std::optional<kit::Rect> area;
        std::uint32_t displayID;
        bool microphone;
        bool systemAudio;
    };
    std::vector<Start> starts;
    int stops = 0;
    std::exception_ptr startFailure;
    std::optional<FinishedRecordingCapture> finished;
    Observed<std::optional<Elapsed>> running;

    std::optional<Elapsed> elapsed() const override { return running.get(); }

    QCoro::Task<void> start(std::optional<kit::Rect> area, std::uint32_t displayID, bool microphone,
                            bool systemAudio) override {
        starts.push_back({area, displayID, microphone, systemAudio});
        if (startFailure) std::rethrow_exception(startFailure);
        running.set(Elapsed(0));
        co_return;
    }
    QCoro::Task<std::optional<FinishedRecordingCapture>> stop() override {
        ++stops;
        running.set(std::nullopt);
        co_return copy(finished);
    }
};

class Recognizer : public TextRecognitionService {
public:
    std::string text;
    std::exception_ptr failure;
    double pixelsPerPoint = 0;

    QCoro::Task<std::string> recognize(QImage image) override {
        pixelsPerPoint = image.devicePixelRatio();
        if (failure) std::rethrow_exception(failure);
        co_return copy(text);
    }
    QCoro::Task<std::vector<kit::TextLine>> readLines(QImage) override {
        if (failure) std::rethrow_exception(failure);
        co_return std::vector<kit::TextLine>{};
    }
    void warmUp() override {}
};

class Sounds : public SoundPlayer {
public:
    std::vector<kit::CaptureSound> played;
    void play(kit::CaptureSound sound) override { played.push_back(sound); }
};

// Displays side by side along y = 0 (global, y up); the first is the primary one, 1080 high.
class Displays : public DisplayLocator {
public:
    std::vector<Screen> screens{{1, kit::Rect::make(0, 0, 1920, 1080), kit::Rect::make(0, 40, 1920, 1040)}};
    kit::Point pointer{100, 100};

    kit::Point pointerLocation() const override { return pointer; }
    std::optional<Screen> screenContaining(kit::Point p) const override {
        for (const auto& s : screens)
            if (s.frame.contains(p)) return s;
        return std::nullopt;
    }
    std::optional<Screen> mainScreen() const override {
        return screens.empty() ? std::nullopt : std::optional<Screen>(screens.front());
    }
    std::vector<Screen> allScreens() const override { return screens; }
    QRect toTopLeft(const kit::Rect& r) const override {
        return QRectF(r.minX(), 1080 - r.maxY(), r.width(), r.height()).toRect();
    }
};

} // namespace fakes
