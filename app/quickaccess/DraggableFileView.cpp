#include "app/quickaccess/DraggableFileView.h"

#include <QResizeEvent>

DraggableFileView::DraggableFileView(std::filesystem::path fileURL, std::optional<QImage> image,
                                     std::function<void(bool)> onDragEnded, QWidget* parent)
    : QWidget(parent),
      // A child: Qt owns it with this view.
      source_(new DragSourceView(std::move(fileURL), std::move(onDragEnded), std::move(image), this)) {
    source_->setGeometry(rect());
}

void DraggableFileView::setImage(std::optional<QImage> image) {
    if (image == source_->image()) return;
    source_->setImage(std::move(image));
}

void DraggableFileView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    source_->setGeometry(rect());
}
