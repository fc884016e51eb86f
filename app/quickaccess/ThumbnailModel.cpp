#include "app/quickaccess/ThumbnailModel.h"

ThumbnailModel::ThumbnailModel(Capture capture, std::optional<QImage> preview)
    : capture_(std::move(capture)) {
    setPreview(std::move(preview));
}

void ThumbnailModel::setCapture(Capture capture) {
    capture.id = capture_.peek().id;
    capture_.set(std::move(capture));
}

void ThumbnailModel::setPreview(std::optional<QImage> preview) {
    // A null image is no picture at all.
    if (preview && preview->isNull()) preview.reset();
    preview_.set(std::move(preview));
}

void ThumbnailModel::setStatus(Status status) {
    status_.set(std::move(status));
}

void ThumbnailModel::setHovering(bool hovering) {
    isHovering_.set(hovering);
}

void ThumbnailModel::setDragging(bool dragging) {
    isDragging_.set(dragging);
}
