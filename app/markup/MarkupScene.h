#pragma once
// The markup editor's model: the picture (in its own pixels, shown in points), the marks on it as
// graphics items, the canvas (the part of the picture a crop keeps) and the undo stack through
// which every change goes. It renders the picture as it leaves the editor: the canvas at the
// picture's own pixel density with every mark burnt in.

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include <QGraphicsScene>
#include <QImage>
#include <QUndoStack>

#include "app/markup/MarkupItem.h"

class TextItem;
namespace kit::Pixelation {
class Mosaic;
}

class MarkupScene : public QGraphicsScene {
    Q_OBJECT

public:
    // `density` is the picture's pixels per point (2 for a capture of a display at scale 2).
    MarkupScene(QImage picture, double density, QObject* parent = nullptr);
    ~MarkupScene() override;

    const QImage& picture() const { return picture_; }
    double density() const { return density_; }
    // The picture's pixelation blocks, which every pixelation on it shows.
    kit::Pixelation::Mosaic& mosaic() const;
    // The whole picture in points.
    QRectF pictureRect() const;
    // What a crop keeps, in points; the whole picture until cropped.
    QRectF canvas() const { return canvas_; }
    void setCanvas(const QRectF& canvas);

    QUndoStack& undoStack() { return undoStack_; }
    // The marks, bottom first.
    std::vector<MarkupItem*> marks() const;

    // A mark being drawn by a tool: shown now, placed as one undo step when finished, or
    // dropped.
    void beginDrawing(std::unique_ptr<MarkupItem> item);
    MarkupItem* drawing() const { return drawing_; }
    void finishDrawing(bool keep);

    // Marks added as one undo step.
    void place(std::vector<std::unique_ptr<MarkupItem>> items, const QString& text);
    void removeSelected();
    // Moves the selected marks by `by` points, as one undo step.
    void nudgeSelected(const QPointF& by);
    // Applies `change` to the style of each selected mark, as one undo step; nothing when none
    // changes.
    void restyleSelected(const std::function<void(MarkupItem::Style&)>& change, const QString& text);
    // Keeps only `area` (points; snapped to whole pixels, within the picture), as one undo step.
    void crop(const QRectF& area);
    // A new text mark, typed in place; it becomes an undo step when the typing ends with text.
    TextItem& beginText(const MarkupItem::Style& style, const QPointF& topLeft);
    // Types again into a text mark already placed.
    void editText(TextItem& item);
    // Ends any typing.
    void endTyping();

    // The order the next numbered step is placed in.
    std::uint64_t nextStepOrder() { return ++stepOrder_; }
    // Steps numbered 1, 2, 3 ... in the order placed; called whenever marks come or go.
    void marksChanged();

    // Whether `area` (scene points) of the mark lies wholly under an opaque mark above it.
    bool isHidden(const MarkupItem& mark, const QRectF& area) const;

    enum class Marks { all, redactions };
    // The canvas at the picture's density with every mark drawn in, as it leaves the editor; or
    // with only what hides part of it, as the text left to hide is read.
    QImage render(Marks which = Marks::all) const;

    // Whether there is anything the picture as it leaves would differ by.
    bool isEdited() const { return !undoStack_.isClean(); }

signals:
    void canvasChanged();

protected:
    void drawBackground(QPainter* painter, const QRectF& rect) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

private:
    void adopt(MarkupItem& item);
    void typingEnded(TextItem& item);
    QRectF snapped(const QRectF& area) const;

    QImage picture_;
    double density_;
    // Made when first pixelated.
    mutable std::unique_ptr<kit::Pixelation::Mosaic> mosaic_;
    QRectF canvas_;
    QUndoStack undoStack_;
    MarkupItem* drawing_ = nullptr;
    // Text being typed that no undo step holds yet.
    TextItem* newText_ = nullptr;
    std::uint64_t stepOrder_ = 0;
    // Stacking: each new mark above the last, kept through undo and redo.
    double nextZ_ = 1;
    // Where the selected marks were when a drag began.
    std::map<MarkupItem*, MarkupItem::Geometry> dragStart_;
};
