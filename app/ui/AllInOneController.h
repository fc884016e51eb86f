#pragma once
// Owns the all-in-one bar: opens it centred 60 points above the bottom of the visible frame of
// the display under the pointer (elsewhere while that would cover what a recording shows),
// closes it on the toggle, Escape or its close button, and reports the user's choice once the
// bar has left the screen. Main thread only.

#include <functional>
#include <memory>
#include <optional>

#include <QObject>

#include "app/capture/DisplayLocator.h"
#include "app/ui/AllInOneActions.h"
#include "kit/CaptureVocabulary.h"

class AllInOneBarView;
class AllInOnePanel;
class AppSettings;

class AllInOneController : public QObject {
    Q_OBJECT

public:
    // Placed on `displays`; without them the bar opens wherever it last was.
    AllInOneController(AppSettings& settings, DisplayLocator* displays, QObject* parent = nullptr);
    ~AllInOneController() override;

    // Closes the bar when it shows, opens it otherwise.
    void toggle();
    bool isOpen() const;

    // Made at the first opening, then reused.
    AllInOnePanel* panel() const { return panel_.get(); }
    AllInOneBarView* view() const;

    static constexpr double heightAboveBottom = 60;

signals:
    // The user chose a capture mode; the bar is gone from the screen.
    void captureChosen(kit::CaptureAction action);
    // The user started a recording: of the whole display under the pointer, or of an area still
    // to select. The bar is gone from the screen.
    void recordingChosen(bool fullscreen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void open();
    void close();
    void makePanel();
    void place();
    // Runs `work` once the bar is gone from the screen, so that it never shows in what follows.
    void whenGone(std::function<void()> work);

    AppSettings& settings_;
    DisplayLocator* displays_;
    std::unique_ptr<AllInOnePanel> panel_;
    // The application-local key monitor is installed.
    bool keyMonitor_ = false;
    // The display it opened on, kept while it grows or shrinks.
    std::optional<DisplayLocator::Screen> screen_;
    // Whose focus the bar took, to give it back.
    std::uint32_t previousFocus_ = 0;
};
