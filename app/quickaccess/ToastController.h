#pragma once
// Short notices: one at a time, centred on the whole display under the pointer (elsewhere when
// that would cover what a recording shows), click-through, hidden after their time or replaced
// by the next one. A notice's time counts from when it is drawn, so one shown while Glimpo is
// busy (at launch) stays as long as any. A replaced notice's timer never hides its successor.
// Main thread only.

#include <memory>
#include <optional>
#include <string>

#include <QObject>
#include <QTimer>

#include "app/capture/DisplayLocator.h"
#include "app/quickaccess/Presenters.h"

class FloatingPanel;
class ToastView;

class ToastController : public QObject, public NoticePresenter {
    Q_OBJECT

public:
    explicit ToastController(std::shared_ptr<DisplayLocator> screens, QObject* parent = nullptr);
    ~ToastController() override;

    // Without seconds the notice stays until the next one replaces it.
    void show(const std::string& message, const std::string& systemImage, std::optional<double> seconds) override;

    // The panel, made at the first notice and kept.
    FloatingPanel* panel() const { return panel_.get(); }
    // The notice showing, if any.
    const ToastView* currentView() const;
    bool isShowing() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();

    std::shared_ptr<DisplayLocator> screens_;
    QSize size_;
    std::unique_ptr<FloatingPanel> panel_;
    QTimer hideTask_;
    // The current notice's time, until it is first drawn.
    std::optional<int> undrawnMilliseconds_;
};
