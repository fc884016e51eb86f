#pragma once
// "Hide Text": the boxes offered over the text the recogniser found, one per line and one per
// sensitive word or run, the sensitive ones chosen already. A click keeps or drops a box; the
// chosen ones become redactions in one undo step. The boxes are shown on the scene only while
// the offer stands and are never part of the picture.

#include <memory>
#include <vector>

#include <QGraphicsObject>
#include <QObject>

#include "app/markup/MarkupItem.h"
#include "kit/SensitiveText.h"

class MarkupScene;

class CandidateBox : public QGraphicsObject {
    Q_OBJECT

public:
    CandidateBox(const QRectF& rect, bool chosen, const QString& text);

    bool isChosen() const { return chosen_; }
    void toggle();

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

signals:
    void toggled();

private:
    QRectF rect_;
    bool chosen_;
};

class HideTextOffer : public QObject {
    Q_OBJECT

public:
    // `candidates` in pixels of the picture, y down, as read from the part at `origin` (pixels).
    HideTextOffer(MarkupScene& scene, const std::vector<kit::SensitiveText::Candidate>& candidates, QPoint origin);
    ~HideTextOffer() override;

    int count() const { return static_cast<int>(boxes_.size()); }
    int chosenCount() const;
    const std::vector<std::unique_ptr<CandidateBox>>& boxes() const { return boxes_; }
    // The chosen boxes become redactions in `style`'s colour, as one undo step.
    void apply(const MarkupItem::Style& style);

signals:
    void choiceChanged(int chosen);

private:
    MarkupScene& scene_;
    std::vector<std::unique_ptr<CandidateBox>> boxes_;
};
