#pragma once
// The markup editor's choices for new marks (colour, stroke, text size, filled shapes, text on a
// box), kept in the settings store so the next picture starts where the last one left off.
// Stored values that make no sense read as the defaults.

#include <QColor>

#include "app/markup/MarkupItem.h"

class SettingsStore;

class MarkupChoices {
public:
    explicit MarkupChoices(SettingsStore& store);

    // As a style for new marks.
    MarkupItem::Style style() const;

    void setColour(const QColor& colour);
    void setStroke(double points);
    void setTextSize(double points);
    void setFilled(bool filled);
    void setTextBox(bool textBox);

private:
    SettingsStore& store_;
};
