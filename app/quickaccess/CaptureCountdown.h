#pragma once
// The wait before a delayed capture: a notice in the lower right corner of the display under the
// pointer counts the seconds down, and leaves the screen before the capture starts, so it shows
// in nothing captured. Cancelled by the delegate (Escape, a new request). Main thread only.

#include <memory>

#include <QObject>
#include <QTimer>
#include <qcoro/qcorotask.h>

#include "app/base/Observation.h"
#include "app/capture/DisplayLocator.h"
#include "kit/CaptureVocabulary.h"

class FloatingPanel;

class CaptureCountdown : public QObject {
    Q_OBJECT

public:
    // Placed on `screens`; without them the notice shows wherever it last was.
    explicit CaptureCountdown(DisplayLocator* screens, QObject* parent = nullptr);
    ~CaptureCountdown() override;

    // Counts `seconds` down before `action`, replacing a countdown that runs.
    void start(kit::CaptureAction action, int seconds);
    // Stops counting and takes the notice away; nothing follows.
    void cancel();

    // A tracked read: from start until finished or cancelled.
    bool isRunning() const { return running_.get(); }
    // The notice, made at the first countdown.
    FloatingPanel* panel() const { return panel_.get(); }
    // The seconds the notice shows now.
    int remaining() const { return remaining_; }

    // How far the notice keeps from the display's visible edges.
    static constexpr double cornerInset = 24;

signals:
    // The time is up and the notice is off the screen.
    void finished();

private:
    void show();
    void tick();
    QCoro::Task<void> finish(int run);

    DisplayLocator* screens_;
    std::unique_ptr<FloatingPanel> panel_;
    QTimer ticker_;
    kit::CaptureAction action_ = kit::CaptureAction::fullscreen;
    int remaining_ = 0;
    // Tells a finish that outlived its countdown from the current one.
    int run_ = 0;
    Observed<bool> running_{false};
};
