#include "app/markup/MarkupScene.h"

#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>

#include <algorithm>
#include <cmath>

#include "app/base/LargeImage.h"
#include "app/markup/MarkupCommands.h"
#include "app/markup/StepItem.h"
#include "app/markup/TextItem.h"
#include "kit/MarkupStyle.h"
#include "kit/Pixelation.h"

namespace {

// Around the picture when the window is larger than it.
const QColor surround(46, 46, 46);

QImage paintable(QImage picture) {
    // Painting and pixelating read 32-bit pixels; an opaque picture stays without alpha.
    const QImage::Format format = picture.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (picture.format() != format) picture.convertTo(format);
    picture.setDevicePixelRatio(1);
    return picture;
}

} // namespace

MarkupScene::MarkupScene(QImage picture, double density, QObject* parent)
    : QGraphicsScene(parent), picture_(paintable(std::move(picture))), density_(density > 0 ? density : 1) {
    // A few hundred marks at most: walking them beats keeping an index current while drawing.
    setItemIndexMethod(NoIndex);
    canvas_ = pictureRect();
    setSceneRect(canvas_);
}

MarkupScene::~MarkupScene() {
    // The undo steps hold marks out of the scene; they go before the scene's own.
    undoStack_.clear();
    clear();
}

kit::Pixelation::Mosaic& MarkupScene::mosaic() const {
    if (!mosaic_) {
        // 32-bit words either way (paintable): opaque RGB32 ones are premultiplied ARGB already.
        mosaic_ = std::make_unique<kit::Pixelation::Mosaic>(reinterpret_cast<const std::uint32_t*>(picture_.constBits()),
                                                            picture_.width(), picture_.height(),
                                                            picture_.bytesPerLine() / 4, kit::Pixelation::blockSize(density_));
    }
    return *mosaic_;
}

QRectF MarkupScene::pictureRect() const {
    return QRectF(0, 0, picture_.width() / density_, picture_.height() / density_);
}

void MarkupScene::setCanvas(const QRectF& canvas) {
    if (canvas == canvas_) return;
    canvas_ = canvas;
    setSceneRect(canvas_);
    update();
    emit canvasChanged();
}

std::vector<MarkupItem*> MarkupScene::marks() const {
    std::vector<MarkupItem*> found;
    // Without an index the scene lists items as they came, not as they stack.
    for (QGraphicsItem* item : items()) {
        if (item->type() == MarkupItem::itemType) found.push_back(static_cast<MarkupItem*>(item));
    }
    std::stable_sort(found.begin(), found.end(), [](const MarkupItem* a, const MarkupItem* b) { return a->zValue() < b->zValue(); });
    return found;
}

bool MarkupScene::isHidden(const MarkupItem& mark, const QRectF& area) const {
    // Called for every mark painted: the cheap tests first.
    for (const QGraphicsItem* other : items()) {
        if (other->type() != MarkupItem::itemType || other->zValue() <= mark.zValue()) continue;
        const auto* above = static_cast<const MarkupItem*>(other);
        const auto kind = above->kind();
        if ((kind != MarkupItem::Kind::redact && kind != MarkupItem::Kind::pixelate) || !above->isVisible() ||
            !above->frame().translated(above->pos()).contains(area))
            continue;
        const QRectF opaque = other->mapRectToScene(other->opaqueArea().boundingRect());
        // A point inwards: what an edge half covers stays drawn.
        if (!opaque.isEmpty() && opaque.adjusted(1, 1, -1, -1).contains(area)) return true;
    }
    return false;
}

void MarkupScene::adopt(MarkupItem& item) {
    item.setZValue(nextZ_++);
    if (auto* text = dynamic_cast<TextItem*>(&item)) {
        connect(&text->editor(), &TextEditor::editingFinished, this, [this, text] { typingEnded(*text); });
    }
}

void MarkupScene::beginDrawing(std::unique_ptr<MarkupItem> item) {
    finishDrawing(false);
    adopt(*item);
    drawing_ = item.release();
    addItem(drawing_);
    if (drawing_->kind() == MarkupItem::Kind::step) marksChanged();
}

void MarkupScene::finishDrawing(bool keep) {
    MarkupItem* item = std::exchange(drawing_, nullptr);
    if (!item) return;
    if (keep) {
        undoStack_.push(new PresenceCommand(*this, PresenceCommand::Change::add, {item}, tr("Draw")));
        return;
    }
    removeItem(item);
    std::unique_ptr<MarkupItem> dropped(item);
    marksChanged();
}

void MarkupScene::place(std::vector<std::unique_ptr<MarkupItem>> items, const QString& text) {
    if (items.empty()) return;
    for (const auto& item : items) adopt(*item);
    undoStack_.push(new PresenceCommand(*this, std::move(items), text));
}

void MarkupScene::removeSelected() {
    endTyping();
    std::vector<MarkupItem*> selected;
    for (MarkupItem* item : marks())
        if (item->isSelected()) selected.push_back(item);
    if (selected.empty()) return;
    undoStack_.push(new PresenceCommand(*this, PresenceCommand::Change::remove, std::move(selected), tr("Delete")));
}

void MarkupScene::nudgeSelected(const QPointF& by) {
    std::vector<GeometryCommand::Change> changes;
    for (MarkupItem* item : marks()) {
        if (!item->isSelected()) continue;
        const MarkupItem::Geometry before = item->geometry();
        item->setPos(item->pos() + by);
        if (item->geometry() != before) changes.push_back({item, before, item->geometry()});
    }
    if (!changes.empty()) undoStack_.push(new GeometryCommand(std::move(changes)));
}

void MarkupScene::restyleSelected(const std::function<void(MarkupItem::Style&)>& change, const QString& text) {
    std::vector<StyleCommand::Change> changes;
    for (MarkupItem* item : marks()) {
        if (!item->isSelected()) continue;
        MarkupItem::Style after = item->style();
        change(after);
        if (after != item->style()) changes.push_back({item, item->style(), after});
    }
    if (!changes.empty()) undoStack_.push(new StyleCommand(std::move(changes), text));
}

QRectF MarkupScene::snapped(const QRectF& area) const {
    const QRectF r = area.normalized() & pictureRect();
    const auto onGrid = [this](double v) { return std::round(v * density_) / density_; };
    return QRectF(QPointF(onGrid(r.left()), onGrid(r.top())), QPointF(onGrid(r.right()), onGrid(r.bottom())));
}

void MarkupScene::crop(const QRectF& area) {
    const QRectF kept = snapped(area);
    // Less than a pixel either way is no picture.
    if (kept.width() * density_ < 1 || kept.height() * density_ < 1 || kept == canvas_) return;
    undoStack_.push(new CropCommand(*this, canvas_, kept));
}

TextItem& MarkupScene::beginText(const MarkupItem::Style& style, const QPointF& topLeft) {
    endTyping();
    auto item = std::make_unique<TextItem>(style, topLeft);
    adopt(*item);
    newText_ = item.get();
    addItem(item.release());
    newText_->beginEditing();
    return *newText_;
}

void MarkupScene::editText(TextItem& item) {
    if (&item != newText_) endTyping();
    item.beginEditing();
}

void MarkupScene::endTyping() {
    for (MarkupItem* item : marks()) {
        if (auto* text = dynamic_cast<TextItem*>(item); text && text->isEditing()) typingEnded(*text);
    }
    if (newText_) typingEnded(*newText_);
}

void MarkupScene::typingEnded(TextItem& item) {
    const bool isNew = &item == newText_;
    if (!item.isEditing() && !isNew) return;
    if (isNew) newText_ = nullptr;
    // Giving up the keyboard reports the end again; by then it is over.
    item.endEditing();
    const QString text = item.text();
    if (isNew) {
        // Typing nothing leaves nothing.
        if (text.trimmed().isEmpty()) {
            removeItem(&item);
            std::unique_ptr<MarkupItem> dropped(&item);
            return;
        }
        undoStack_.push(new PresenceCommand(*this, PresenceCommand::Change::add, {&item}, tr("Text")));
        return;
    }
    if (text == item.textBeforeEditing()) return;
    if (text.trimmed().isEmpty()) {
        // Emptied: it goes, and undo brings back what it said.
        item.setText(item.textBeforeEditing());
        item.setSelected(true);
        undoStack_.push(new PresenceCommand(*this, PresenceCommand::Change::remove, {&item}, tr("Delete")));
        return;
    }
    undoStack_.push(new TextCommand(item, item.textBeforeEditing(), text));
}

void MarkupScene::marksChanged() {
    std::vector<StepItem*> steps;
    std::vector<std::uint64_t> orders;
    for (MarkupItem* item : marks()) {
        if (auto* step = dynamic_cast<StepItem*>(item)) {
            steps.push_back(step);
            orders.push_back(step->order());
        }
    }
    const std::vector<int> numbers = kit::MarkupStyle::stepNumbers(orders);
    for (std::size_t i = 0; i < steps.size(); ++i) steps[i]->setNumber(numbers[i]);
}

void MarkupScene::drawBackground(QPainter* painter, const QRectF& rect) {
    // Only the bands beside the picture are filled, and without smoothing: filling under a 4K
    // picture as well tripled the editor's first paint.
    if (!canvas_.contains(rect)) {
        const QRect inner(QPoint(std::ceil(canvas_.left()), std::ceil(canvas_.top())),
                          QPoint(std::floor(canvas_.right()) - 1, std::floor(canvas_.bottom()) - 1));
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        for (const QRect& band : QRegion(rect.toAlignedRect()).subtracted(inner)) painter->fillRect(band, surround);
        painter->restore();
    }
    const QRectF shown = rect & canvas_;
    if (shown.isEmpty()) return;
    const QRectF source(shown.topLeft() * density_, shown.size() * density_);
    painter->drawImage(shown, picture_, source);
}

void MarkupScene::mousePressEvent(QGraphicsSceneMouseEvent* event) {
    QGraphicsScene::mousePressEvent(event);
    dragStart_.clear();
    if (event->button() != Qt::LeftButton) return;
    for (MarkupItem* item : marks())
        if (item->isSelected()) dragStart_[item] = item->geometry();
}

void MarkupScene::mouseReleaseEvent(QGraphicsSceneMouseEvent* event) {
    QGraphicsScene::mouseReleaseEvent(event);
    std::vector<GeometryCommand::Change> changes;
    for (const auto& [item, before] : std::exchange(dragStart_, {})) {
        if (item->scene() == this && item->geometry() != before) changes.push_back({item, before, item->geometry()});
    }
    if (!changes.empty()) undoStack_.push(new GeometryCommand(std::move(changes)));
}

QImage MarkupScene::render(Marks which) const {
    const QRect area(QPoint(static_cast<int>(std::lround(canvas_.left() * density_)),
                            static_cast<int>(std::lround(canvas_.top() * density_))),
                     QSize(static_cast<int>(std::lround(canvas_.width() * density_)),
                           static_cast<int>(std::lround(canvas_.height() * density_))));
    QImage out = LargeImage::make(area.size(), picture_.format());
    if (out.isNull()) return out;
    const int dotsPerMeter = static_cast<int>(std::lround(density_ * 72 / 0.0254));
    out.setDotsPerMeterX(dotsPerMeter);
    out.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPoint(0, 0), picture_, area);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.scale(density_, density_);
    painter.translate(-canvas_.topLeft());
    const QTransform base = painter.worldTransform();
    QStyleOptionGraphicsItem option;
    // Each mark with what it holds (a text's typing surface); nothing else the editor shows.
    const auto draw = [&](QGraphicsItem* item) {
        if (!item->isVisible()) return;
        painter.save();
        painter.setWorldTransform(item->sceneTransform() * base);
        option.exposedRect = item->boundingRect();
        option.rect = option.exposedRect.toAlignedRect();
        option.state = QStyle::State_None;
        item->paint(&painter, &option, nullptr);
        painter.restore();
    };
    for (MarkupItem* mark : marks()) {
        const bool hides = mark->kind() == MarkupItem::Kind::redact || mark->kind() == MarkupItem::Kind::pixelate;
        if (which == Marks::redactions && !hides) continue;
        draw(mark);
        for (QGraphicsItem* child : mark->childItems()) draw(child);
    }
    return out;
}
