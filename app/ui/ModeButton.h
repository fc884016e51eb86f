#pragma once
// One mode of the all-in-one bar: a flat 72 x 50 button showing a glyph over its title, tinted
// with the accent colour while selected. A title longer than the button (in some languages)
// widens it.

#include <string>

#include <QAbstractButton>
#include <QIcon>

class ModeButton : public QAbstractButton {
    Q_OBJECT

public:
    ModeButton(const QString& title, std::string systemImage, QWidget* parent = nullptr);

    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    const std::string& systemImage() const { return systemImage_; }
    void setTitle(const QString& title);

    QSize sizeHint() const override;

    static constexpr int width = 72;
    static constexpr int height = 50;
    static constexpr int glyphSide = 22;
    static constexpr int titlePixels = 11;
    static constexpr int spacing = 4;
    // Between a long title and the button's edges.
    static constexpr int titleMargin = 6;
    static constexpr double cornerRadius = 8;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::string systemImage_;
    QIcon glyph_;
    bool selected_ = false;
};
