#pragma once
// Holds a DragSourceView for a capture's file and keeps its picture current: a movie's picture
// arrives after the thumbnail is shown. The file itself is fixed at creation.

#include <filesystem>
#include <functional>
#include <optional>

#include <QImage>
#include <QWidget>

#include "app/quickaccess/DragSourceView.h"

class DraggableFileView : public QWidget {
    Q_OBJECT

public:
    DraggableFileView(std::filesystem::path fileURL, std::optional<QImage> image,
                      std::function<void(bool accepted)> onDragEnded, QWidget* parent = nullptr);

    void setImage(std::optional<QImage> image);
    DragSourceView& source() { return *source_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    DragSourceView* source_;
};
