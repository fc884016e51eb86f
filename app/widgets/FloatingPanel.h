#pragma once
// A floating panel: a frameless top-level window above normal windows, on every workspace, that
// never takes focus and is shown without activating Glimpo. Without a compositing manager it
// cannot be translucent; it then takes the shape of what it draws instead.

#include <memory>

#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <qcoro/qcorotask.h>

class QPropertyAnimation;

class FloatingPanel : public QWidget {
    Q_OBJECT

public:
    struct Options {
        // Clicks go through to whatever lies below. Such a panel is not managed by the window
        // manager.
        bool ignoresMouse = false;
        QString title;
    };

    explicit FloatingPanel(Options options);
    ~FloatingPanel() override;

    // Replaces the content, which then fills the panel. The old content goes once control
    // returns to the event loop, so it may be the one calling.
    void setContent(std::unique_ptr<QWidget> content);
    QWidget* content() const { return content_; }

    // The drawn area in panel coordinates; the window's shape where nothing composites.
    void setShape(const QRegion& shape);
    bool isTranslucent() const { return translucent_; }

    // Moves and sizes the panel; sliding there when asked, from wherever it is now.
    void setFrame(const QRect& frame, bool animate);
    // The frame it was last given, which it has or is sliding to.
    QRect targetFrame() const;
    bool isAnimating() const;

    // Comes to the front without taking focus from the application that has it.
    void showInFront();
    void orderOut();

    // Ends once the window manager took the panel down and what it covered was drawn again
    // (waiting half a second at most), so that nothing captured next shows it. At once for a
    // panel that is gone or not showing.
    static QCoro::Task<void> untilGone(QPointer<FloatingPanel> panel);

    static constexpr int slideMilliseconds = 200;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyShape();

    bool translucent_;
    QRect frame_;
    QRegion shape_;
    QPointer<QWidget> content_;
    std::unique_ptr<QPropertyAnimation> slide_;
};
