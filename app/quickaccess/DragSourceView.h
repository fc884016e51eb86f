#pragma once
// Shows a capture's picture and drags its file out as text/uri-list. Windows of this process
// accept no such drop: a drag that ends inside Glimpo does nothing and reports false.

#include <filesystem>
#include <functional>
#include <optional>

#include <QImage>
#include <QPixmap>
#include <QPointF>
#include <QWidget>

class QDrag;

class DragSourceView : public QWidget {
    Q_OBJECT

public:
    // Runs the drag session and returns what the receiver did with it.
    using DragRunner = std::function<Qt::DropAction(QDrag& drag)>;

    // A press must move further than this before it becomes a drag.
    static constexpr double dragThreshold = 3.0;

    explicit DragSourceView(std::filesystem::path fileURL, std::optional<QImage> image = std::nullopt,
                            QWidget* parent = nullptr);

    const std::filesystem::path& fileURL() const { return fileURL_; }
    void setFileURL(std::filesystem::path fileURL) { fileURL_ = std::move(fileURL); }
    const std::optional<QImage>& image() const { return image_; }
    void setImage(std::optional<QImage> image);

    // Rounds the picture's corners to match a rounded frame around it.
    void setCornerRadius(double radius);
    // Where the last press was, in window coordinates; cleared when a drag starts.
    const std::optional<QPointF>& mouseDownPoint() const { return mouseDownPoint_; }
    // Replaces QDrag::exec, for tests.
    void setDragRunner(DragRunner runner) { runner_ = std::move(runner); }

signals:
    // Just before the session starts, so the owner can hold what the file's life depends on.
    void dragBegan();
    // The session is over; true when a receiver took the file.
    void dragEnded(bool accepted);
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void beginDraggingSession(QPointF hotSpot);
    // The picture scaled to fit the view, kept so painting never rescales a large capture.
    QPixmap fittedPixmap() const;

    std::filesystem::path fileURL_;
    std::optional<QImage> image_;
    std::optional<QPointF> mouseDownPoint_;
    DragRunner runner_;
    double cornerRadius_ = 0;
    mutable QPixmap fitted_;
};
