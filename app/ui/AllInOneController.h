#pragma once
// Owns the all-in-one bar: opens it centred 60 points above the bottom of the visible frame of
// the display under the pointer (elsewhere while that would cover what a recording shows),
// closes it on the toggle, Escape or its close button, and hands
// the user's choice to the coordinator once the bar has left the screen. Main thread only.

#include <functional>
#include <memory>
#include <optional>

#include <QObject>

#include "app/capture/DisplayLocator.h"
#include "app/ui/AllInOneActions.h"

class AllInOneBarView;
class AllInOnePanel;
class AppSettings;
class CaptureCoordinator;

class AllInOneController : public QObject {
    Q_OBJECT

public:
    // Placed on the coordinator's displays; without them the bar opens wherever it last was.
    AllInOneController(AppSettings& settings, CaptureCoordinator& coordinator, QObject* parent = nullptr);
    ~AllInOneController() override;

    // Closes the bar when it shows, opens it otherwise.
    void toggle();
    bool isOpen() const;

    // Made at the first opening, then reused.
    AllInOnePanel* panel() const { return panel_.get(); }
    AllInOneBarView* view() const;

    static constexpr double heightAboveBottom = 60;

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
    CaptureCoordinator& coordinator_;
    std::unique_ptr<AllInOnePanel> panel_;
    // The application-local key monitor is installed.
    bool keyMonitor_ = false;
    // The display it opened on, kept while it grows or shrinks.
    std::optional<DisplayLocator::Screen> screen_;
    // Whose focus the bar took, to give it back.
    std::uint32_t previousFocus_ = 0;
};
