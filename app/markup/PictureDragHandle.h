#pragma once
// A small picture in the markup editor's tool bar that is dragged out of the editor into another
// app: a press that moves on asks for the file to drag.

#include <optional>

#include <QImage>
#include <QPointF>
#include <QWidget>

class PictureDragHandle : public QWidget {
    Q_OBJECT

public:
    explicit PictureDragHandle(QWidget* parent = nullptr);

    // What it shows: the picture, scaled down once.
    void setPicture(const QImage& picture);

    QSize sizeHint() const override;

signals:
    // A drag began; the receiver runs it.
    void dragRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage preview_;
    std::optional<QPointF> pressedAt_;
};
