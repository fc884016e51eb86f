#pragma once
// The markup editor's tool bar: the tools (each with its key), then the choices for marks
// (colour, stroke, fill, text size, text on a box). A choice applies to new marks and to the
// selected ones; the window decides what that means and tells the bar what is chosen.

#include <map>

#include <QToolBar>

#include "app/markup/MarkupItem.h"
#include "app/markup/MarkupTool.h"

class QActionGroup;
class QToolButton;

class MarkupToolBar : public QToolBar {
    Q_OBJECT

public:
    explicit MarkupToolBar(QWidget* parent = nullptr);

    QAction* toolAction(MarkupTool tool) const { return tools_.at(tool); }
    // Shows what is chosen.
    void showTool(MarkupTool tool);
    void showStyle(const MarkupItem::Style& style);

signals:
    void toolChosen(MarkupTool tool);
    void colourChosen(const QColor& colour);
    void strokeChosen(double points);
    void textSizeChosen(double points);
    void filledChosen(bool filled);
    void textBoxChosen(bool textBox);

private:
    void addChoices();
    QToolButton* menuButton(const QString& tip);

    std::map<MarkupTool, QAction*> tools_;
    QToolButton* colourButton_ = nullptr;
    QToolButton* strokeButton_ = nullptr;
    QToolButton* textSizeButton_ = nullptr;
    QAction* filled_ = nullptr;
    QAction* textBox_ = nullptr;
    QActionGroup* strokes_ = nullptr;
    QActionGroup* textSizes_ = nullptr;
    QColor colour_;
};
