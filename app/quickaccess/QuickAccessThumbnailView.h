#pragma once
// The content of one thumbnail panel: the capture's picture in a rounded frame, draggable as a
// file; on hover a scrim with two round buttons (save and copy, or copy and show for a saved
// capture); the copied and failed states; and a close button in the corner. It reads a
// ThumbnailModel and reports every gesture through ThumbnailActions; it decides nothing.

#include <memory>
#include <string>

#include <QAbstractButton>
#include <QRegion>
#include <QWidget>

#include "app/quickaccess/ThumbnailActions.h"
#include "app/quickaccess/ThumbnailModel.h"

class DragSourceView;

// A round icon button of the hover overlay: the whole circle is the hit area.
class ThumbnailIconButton : public QAbstractButton {
    Q_OBJECT

public:
    ThumbnailIconButton(std::string systemImage, const QString& help, QWidget* parent = nullptr);

    const std::string& systemImage() const { return systemImage_; }
    void setContent(std::string systemImage, const QString& help);

    static constexpr int diameter = 44;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    std::string systemImage_;
};

// A capsule text button of the failure overlay.
class ThumbnailButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit ThumbnailButton(const QString& title, QWidget* parent = nullptr);

    static constexpr QSize capsule{110, 24};

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The small white circle with a cross in the panel's corner.
class ThumbnailCloseButton : public QAbstractButton {
    Q_OBJECT

public:
    explicit ThumbnailCloseButton(QWidget* parent = nullptr);

    static constexpr int diameter = 22;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override;
};

class QuickAccessThumbnailView : public QWidget {
    Q_OBJECT

public:
    explicit QuickAccessThumbnailView(std::shared_ptr<ThumbnailModel> model, QWidget* parent = nullptr);
    ~QuickAccessThumbnailView() override;

    // The panel content: the thumbnail with its margin on every side.
    static QSize contentSize();
    // Where the thumbnail sits inside the content.
    static QRect thumbnailRect();
    // What the view draws, as a window shape for desktops without translucency.
    static QRegion drawnShape();

    const ThumbnailModel& model() const { return *model_; }
    // The user's gestures.
    const ThumbnailActions& actions() const { return actions_; }
    // Whether the scrim and its content are showing.
    bool isOverlayShown() const { return overlayShown_; }
    ThumbnailIconButton& firstButton() { return *first_; }
    ThumbnailIconButton& secondButton() { return *second_; }
    ThumbnailButton& tryAgainButton() { return *tryAgain_; }
    ThumbnailCloseButton& closeButton() { return *close_; }
    DragSourceView& dragSource() { return *dragSource_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    class Overlay;

    // Brings the widgets in line with the model; re-run whenever a field it read changes.
    void refresh();
    void setHovering(bool hovering);

    std::shared_ptr<ThumbnailModel> model_;
    ThumbnailActions actions_;
    bool overlayShown_ = false;
    // Children, owned by Qt through this view.
    DragSourceView* dragSource_;
    Overlay* overlay_;
    ThumbnailIconButton* first_;
    ThumbnailIconButton* second_;
    ThumbnailButton* tryAgain_;
    ThumbnailCloseButton* close_;
};
