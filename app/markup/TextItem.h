#pragma once
// Text on the picture, typed in place: in the colour chosen, or on a box of that colour in black
// or white, whichever reads. Its size follows the text size; it moves, recolours and is edited
// again by a double-click.

#include <QGraphicsTextItem>

#include "app/markup/MarkupItem.h"

// The typing surface inside a text mark; says when the typing is over.
class TextEditor : public QGraphicsTextItem {
    Q_OBJECT

public:
    explicit TextEditor(QGraphicsItem* parent);

signals:
    void editingFinished();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class TextItem : public MarkupItem {
public:
    TextItem(Style style, const QPointF& topLeft, const QString& text = {});

    QString text() const;
    void setText(const QString& text);

    TextEditor& editor() { return *editor_; }
    // Puts the cursor at the end of the text and takes the keyboard.
    void beginEditing();
    void endEditing();
    bool isEditing() const;
    // The text as it was when the typing began.
    const QString& textBeforeEditing() const { return textBeforeEditing_; }

protected:
    void paintContent(QPainter& painter) const override;
    void changed() override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;

private:
    double padding() const;
    // Fits the frame to the text as it is now.
    void refit();

    // A child, owned by Qt through this item.
    TextEditor* editor_;
    bool refitting_ = false;
    QString textBeforeEditing_;
};
