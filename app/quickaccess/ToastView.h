#pragma once
// One notice: an icon above a line of text in a rounded box.

#include <string>

#include <QRegion>
#include <QString>
#include <QWidget>

class ToastView : public QWidget {
    Q_OBJECT

public:
    ToastView(std::string message, std::string systemImage, QWidget* parent = nullptr);

    const std::string& message() const { return message_; }
    const std::string& systemImage() const { return systemImage_; }

    // The fitting size: the content with its inner spacing.
    QSize sizeHint() const override;
    // The rounded box of a notice of that size, as a window shape for desktops without
    // translucency.
    static QRegion drawnShape(const QSize& size);

    static constexpr int iconSide = 34;
    static constexpr int spacing = 10;
    static constexpr int horizontalInset = 28;
    static constexpr int verticalInset = 22;
    static constexpr double cornerRadius = 16;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont messageFont() const;

    std::string message_;
    std::string systemImage_;
};
