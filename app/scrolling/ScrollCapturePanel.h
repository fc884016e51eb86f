#pragma once
// The small panel beside the area of a scrolling capture: the strip as it grows, its size, and
// how to stop. It is placed where it covers nothing of the area (else it would be in the frames),
// never takes the focus, and its button ends the capture where no click is heard globally.

#include <cstdint>
#include <optional>

#include <QImage>
#include <QRect>

#include "app/widgets/FloatingPanel.h"

class QLabel;
class QPushButton;
class DisplayLayout;

class ScrollCapturePanel : public FloatingPanel {
    Q_OBJECT

public:
    // What the user is asked to do.
    enum class Mode { scrolling, byHand, byHandNothingScrolled };

    ScrollCapturePanel();
    ~ScrollCapturePanel() override;

    // Shows the panel beside `rootArea` (root pixels); false, and nothing shown, when there is
    // no room for it outside the area on any display.
    bool showBeside(const QRect& rootArea, const DisplayLayout& layout);
    // Where it is, root pixels; none while hidden.
    std::optional<QRect> rootFrame() const;

    void setMode(Mode mode);
    // The strip so far: `width` pixels per row, `height` rows, of which those from `changedFrom`
    // on are new or redrawn.
    void showStrip(const std::uint32_t* rows, int width, int height, int changedFrom);

    // Where a panel of `size` goes beside `area` within `screen` (all root pixels), if anywhere:
    // right of it, else left, below or above.
    static std::optional<QRect> placeBeside(const QRect& area, const QRect& screen, const QSize& size, int gap);

signals:
    void stopClicked();

private:
    class StripView;

    StripView* strip_ = nullptr;
    QLabel* size_ = nullptr;
    QLabel* hint_ = nullptr;
    QPushButton* stop_ = nullptr;
    std::optional<QRect> rootFrame_;
};
