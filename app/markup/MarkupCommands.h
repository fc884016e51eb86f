#pragma once
// The undo steps of the markup editor, one per kind of change: marks added or removed, moved or
// resized, restyled, retyped, and the crop. A step made by a gesture that has already changed the
// scene (a drawn mark, a drag) starts out applied. Marks out of the scene belong to the step that
// took them out.

#include <memory>
#include <vector>

#include <QRectF>
#include <QString>
#include <QUndoCommand>

#include "app/markup/MarkupItem.h"

class MarkupScene;
class TextItem;

class PresenceCommand : public QUndoCommand {
public:
    enum class Change { add, remove };

    // Marks in the scene, to be removed, or shown already and now placed for good.
    PresenceCommand(MarkupScene& scene, Change change, std::vector<MarkupItem*> inScene, const QString& text);
    // Marks not yet in the scene, to be added.
    PresenceCommand(MarkupScene& scene, std::vector<std::unique_ptr<MarkupItem>> outOfScene, const QString& text);
    ~PresenceCommand() override;

    void undo() override;
    void redo() override;

private:
    void show();
    void hide();

    MarkupScene& scene_;
    Change change_;
    std::vector<MarkupItem*> items_;
    // Held while the marks are out of the scene.
    std::vector<std::unique_ptr<MarkupItem>> held_;
    bool applied_;
};

class GeometryCommand : public QUndoCommand {
public:
    struct Change {
        MarkupItem* item;
        MarkupItem::Geometry before;
        MarkupItem::Geometry after;
    };
    // Already applied.
    explicit GeometryCommand(std::vector<Change> changes);

    void undo() override;
    void redo() override;

private:
    std::vector<Change> changes_;
};

class StyleCommand : public QUndoCommand {
public:
    struct Change {
        MarkupItem* item;
        MarkupItem::Style before;
        MarkupItem::Style after;
    };
    StyleCommand(std::vector<Change> changes, const QString& text);

    void undo() override;
    void redo() override;

private:
    std::vector<Change> changes_;
};

class TextCommand : public QUndoCommand {
public:
    // Already applied.
    TextCommand(TextItem& item, QString before, QString after);

    void undo() override;
    void redo() override;

private:
    TextItem& item_;
    QString before_;
    QString after_;
};

class CropCommand : public QUndoCommand {
public:
    CropCommand(MarkupScene& scene, const QRectF& before, const QRectF& after);

    void undo() override;
    void redo() override;

private:
    MarkupScene& scene_;
    QRectF before_;
    QRectF after_;
};
