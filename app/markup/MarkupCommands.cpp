#include "app/markup/MarkupCommands.h"

#include <QCoreApplication>

#include "app/markup/MarkupScene.h"
#include "app/markup/TextItem.h"

PresenceCommand::PresenceCommand(MarkupScene& scene, Change change, std::vector<MarkupItem*> inScene, const QString& text)
    : QUndoCommand(text), scene_(scene), change_(change), items_(std::move(inScene)), applied_(change == Change::add) {}

PresenceCommand::PresenceCommand(MarkupScene& scene, std::vector<std::unique_ptr<MarkupItem>> outOfScene, const QString& text)
    : QUndoCommand(text), scene_(scene), change_(Change::add), held_(std::move(outOfScene)), applied_(false) {
    for (const auto& item : held_) items_.push_back(item.get());
}

PresenceCommand::~PresenceCommand() = default;

void PresenceCommand::show() {
    for (auto& item : held_) scene_.addItem(item.release());
    held_.clear();
    scene_.marksChanged();
}

void PresenceCommand::hide() {
    for (MarkupItem* item : items_) {
        item->setSelected(false);
        scene_.removeItem(item);
        held_.emplace_back(item);
    }
    scene_.marksChanged();
}

void PresenceCommand::redo() {
    if (std::exchange(applied_, false)) {
        scene_.marksChanged();
        return;
    }
    change_ == Change::add ? show() : hide();
}

void PresenceCommand::undo() {
    change_ == Change::add ? hide() : show();
}

GeometryCommand::GeometryCommand(std::vector<Change> changes)
    : QUndoCommand(QCoreApplication::translate("MarkupWindow", "Move")), changes_(std::move(changes)) {}

void GeometryCommand::undo() {
    for (const Change& change : changes_) change.item->setGeometry(change.before);
}

void GeometryCommand::redo() {
    for (const Change& change : changes_) change.item->setGeometry(change.after);
}

StyleCommand::StyleCommand(std::vector<Change> changes, const QString& text)
    : QUndoCommand(text), changes_(std::move(changes)) {}

void StyleCommand::undo() {
    for (const Change& change : changes_) change.item->setStyle(change.before);
}

void StyleCommand::redo() {
    for (const Change& change : changes_) change.item->setStyle(change.after);
}

TextCommand::TextCommand(TextItem& item, QString before, QString after)
    : QUndoCommand(QCoreApplication::translate("MarkupWindow", "Typing")), item_(item), before_(std::move(before)),
      after_(std::move(after)) {}

void TextCommand::undo() {
    item_.setText(before_);
}

void TextCommand::redo() {
    item_.setText(after_);
}

CropCommand::CropCommand(MarkupScene& scene, const QRectF& before, const QRectF& after)
    : QUndoCommand(QCoreApplication::translate("MarkupWindow", "Crop")), scene_(scene), before_(before), after_(after) {}

void CropCommand::undo() {
    scene_.setCanvas(before_);
}

void CropCommand::redo() {
    scene_.setCanvas(after_);
}
