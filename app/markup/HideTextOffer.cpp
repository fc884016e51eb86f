#include "app/markup/HideTextOffer.h"

#include <QPainter>

#include "app/markup/MarkupScene.h"
#include "app/markup/RedactionItem.h"

namespace {

// Above every mark.
constexpr double offerZ = 1e9;

} // namespace

CandidateBox::CandidateBox(const QRectF& rect, bool chosen, const QString& text) : rect_(rect), chosen_(chosen) {
    setZValue(offerZ);
    setToolTip(text);
}

void CandidateBox::toggle() {
    chosen_ = !chosen_;
    update();
    emit toggled();
}

QRectF CandidateBox::boundingRect() const {
    return rect_.adjusted(-2, -2, 2, 2);
}

void CandidateBox::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
    painter->setRenderHint(QPainter::Antialiasing, false);
    if (chosen_) {
        // What will be covered: dark, with a bright edge so it shows on dark pictures too.
        painter->fillRect(rect_, QColor(0, 0, 0, 150));
        painter->setPen(QPen(QColor(255, 196, 0), 0));
    } else {
        painter->fillRect(rect_, QColor(255, 196, 0, 40));
        painter->setPen(QPen(QColor(255, 196, 0), 0, Qt::DashLine));
    }
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect_);
}

HideTextOffer::HideTextOffer(MarkupScene& scene, const std::vector<kit::SensitiveText::Candidate>& candidates, QPoint origin)
    : scene_(scene) {
    const double density = scene_.density();
    for (const auto& candidate : candidates) {
        const QRectF pixels(candidate.box.minX() + origin.x(), candidate.box.minY() + origin.y(), candidate.box.width(),
                            candidate.box.height());
        const QRectF points(pixels.topLeft() / density, pixels.size() / density);
        const QRectF shown = points & scene_.canvas();
        if (shown.isEmpty()) continue;
        auto box = std::make_unique<CandidateBox>(shown, candidate.preselected, QString::fromStdString(candidate.text));
        connect(box.get(), &CandidateBox::toggled, this, [this] { emit choiceChanged(chosenCount()); });
        scene_.addItem(box.get());
        boxes_.push_back(std::move(box));
    }
}

HideTextOffer::~HideTextOffer() {
    for (const auto& box : boxes_)
        if (box->scene()) scene_.removeItem(box.get());
}

int HideTextOffer::chosenCount() const {
    return static_cast<int>(std::count_if(boxes_.begin(), boxes_.end(), [](const auto& box) { return box->isChosen(); }));
}

void HideTextOffer::apply(const MarkupItem::Style& style) {
    std::vector<std::unique_ptr<MarkupItem>> redactions;
    for (const auto& box : boxes_) {
        if (!box->isChosen()) continue;
        redactions.push_back(std::make_unique<RedactionItem>(MarkupItem::Kind::redact, style, box->boundingRect().adjusted(2, 2, -2, -2),
                                                             scene_.density()));
    }
    scene_.place(std::move(redactions), tr("Hide Text"));
}
