// The markup editor's model: marks placed, moved, restyled, retyped, deleted and cropped, each
// undone and redone; steps renumbered; and the picture as it leaves, pixel by pixel.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QRandomGenerator>

#include "app/markup/BoxItem.h"
#include "app/markup/MarkupScene.h"
#include "app/markup/RedactionItem.h"
#include "app/markup/StepItem.h"
#include "app/markup/StrokeItem.h"
#include "app/markup/TextItem.h"
#include "kit/Pixelation.h"

namespace {

using Kind = MarkupItem::Kind;

const MarkupItem::Style red{QColor(229, 57, 53), 4, false, 20, false};

// Every pixel a different colour and none black, so a pixel that survives a redaction shows.
QImage noise(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) row[x] = 0xFF000000u | (random.generate() & 0xFFFFFF) | 0x010101u;
    }
    return image;
}

void drag(MarkupScene& scene, QPointF from, QPointF to) {
    const auto send = [&](QEvent::Type type, QPointF at, Qt::MouseButtons buttons) {
        QGraphicsSceneMouseEvent event(type);
        event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
        event.setButtons(buttons);
        event.setScenePos(at);
        event.setLastScenePos(from);
        event.setButtonDownScenePos(Qt::LeftButton, from);
        event.setButtonDownScreenPos(Qt::LeftButton, from.toPoint());
        event.setScreenPos(at.toPoint());
        QCoreApplication::sendEvent(&scene, &event);
    };
    send(QEvent::GraphicsSceneMousePress, from, Qt::LeftButton);
    send(QEvent::GraphicsSceneMouseMove, to, Qt::LeftButton);
    send(QEvent::GraphicsSceneMouseRelease, to, Qt::NoButton);
}

std::vector<int> stepNumbers(const MarkupScene& scene) {
    std::vector<int> numbers;
    for (MarkupItem* item : scene.marks())
        if (auto* step = dynamic_cast<StepItem*>(item)) numbers.push_back(step->number());
    return numbers;
}

TEST(MarkupScene, EveryChangeIsOneUndoStepAndStepsCloseUp) {
    MarkupScene scene(noise(400, 300), 1);
    QUndoStack& undo = scene.undoStack();

    scene.beginDrawing(std::make_unique<BoxItem>(Kind::rectangle, red, QRectF(10, 10, 50, 40)));
    scene.finishDrawing(true);
    // A mark dropped while drawing leaves no step.
    scene.beginDrawing(std::make_unique<StrokeItem>(Kind::arrow, red, QPointF(0, 0), QPointF(1, 1)));
    scene.finishDrawing(false);
    for (int i = 0; i < 3; ++i) {
        scene.beginDrawing(std::make_unique<StepItem>(red, QPointF(100 + 40 * i, 200), scene.nextStepOrder()));
        scene.finishDrawing(true);
    }
    EXPECT_EQ(undo.count(), 4);
    EXPECT_EQ(stepNumbers(scene), (std::vector<int>{1, 2, 3}));

    // The middle step goes: the last becomes 2; undo brings back 1, 2, 3.
    scene.marks()[2]->setSelected(true);
    scene.removeSelected();
    EXPECT_EQ(stepNumbers(scene), (std::vector<int>{1, 2}));
    undo.undo();
    EXPECT_EQ(stepNumbers(scene), (std::vector<int>{1, 2, 3}));

    // Moved by a drag, as the select tool does.
    MarkupItem* box = scene.marks()[0];
    scene.clearSelection();
    box->setSelected(true);
    drag(scene, QPointF(10, 30), QPointF(70, 90));
    EXPECT_EQ(box->pos(), QPointF(60, 60));
    undo.undo();
    EXPECT_EQ(box->pos(), QPointF(0, 0));
    undo.redo();
    EXPECT_EQ(box->pos(), QPointF(60, 60));
    // Resized by its bottom-right handle (the frame runs 10,10 to 60,50 from there).
    drag(scene, QPointF(120, 110), QPointF(150, 130));
    EXPECT_EQ(box->frame(), QRectF(10, 10, 80, 60));
    undo.undo();
    EXPECT_EQ(box->frame(), QRectF(10, 10, 50, 40));
    undo.redo();

    scene.restyleSelected([](MarkupItem::Style& style) { style.colour = Qt::blue; }, "Colour");
    EXPECT_EQ(box->style().colour, QColor(Qt::blue));
    undo.undo();
    EXPECT_EQ(box->style().colour, red.colour);
    const int steps = undo.count();
    scene.restyleSelected([](MarkupItem::Style& style) { style.colour = red.colour; }, "Colour");
    EXPECT_EQ(undo.count(), steps) << "no change, no step";

    // Text: placed when the typing ends with something; retyping is a step of its own.
    TextItem& text = scene.beginText(red, QPointF(20, 150));
    text.setText("Hello");
    scene.endTyping();
    const int afterText = undo.count();
    scene.editText(text);
    text.setText("Hello, world");
    scene.endTyping();
    EXPECT_EQ(undo.count(), afterText + 1);
    undo.undo();
    EXPECT_EQ(text.text(), "Hello");
    undo.undo();
    EXPECT_EQ(text.scene(), nullptr);
    undo.redo();
    undo.redo();
    EXPECT_EQ(text.text(), "Hello, world");
    const std::size_t marks = scene.marks().size();
    scene.beginText(red, QPointF(200, 150));
    scene.endTyping();
    EXPECT_EQ(scene.marks().size(), marks) << "typing nothing leaves nothing";

    scene.crop(QRectF(50.4, 40.2, 100, 80.6));
    EXPECT_EQ(scene.canvas(), QRectF(50, 40, 100, 81));
    EXPECT_EQ(scene.render().size(), QSize(100, 81));
    undo.undo();
    EXPECT_EQ(scene.render().size(), QSize(400, 300));
    EXPECT_TRUE(scene.isEdited());
}

TEST(MarkupScene, ThePictureLeavesAtItsOwnDensityWithRedactedPixelsGone) {
    // A capture of a display at scale 2: 300 x 200 pixels shown as 150 x 100 points.
    const QImage original = noise(300, 200);
    MarkupScene scene(original, 2);
    std::vector<std::unique_ptr<MarkupItem>> marks;
    MarkupItem::Style filled = red;
    filled.filled = true;
    marks.push_back(std::make_unique<BoxItem>(Kind::rectangle, filled, QRectF(10, 10, 20, 15)));
    // Half a pixel off the grid: the box grows to cover every pixel it touches.
    marks.push_back(std::make_unique<RedactionItem>(Kind::redact, MarkupItem::Style{Qt::black}, QRectF(40.25, 20, 30, 10), 2));
    marks.push_back(std::make_unique<RedactionItem>(Kind::pixelate, red, QRectF(80, 30, 40, 30), 2));
    scene.place(std::move(marks), "Marks");
    scene.crop(QRectF(5, 5, 130, 90));

    const QImage exported = scene.render().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(exported.size(), QSize(260, 180));
    EXPECT_EQ(exported.dotsPerMeterX(), qRound(144 / 0.0254));

    QImage expected = original.copy(10, 10, 260, 180);
    {
        QPainter painter(&expected);
        painter.translate(-10, -10);
        painter.fillRect(QRect(20, 20, 40, 30), red.colour);
        painter.fillRect(QRect(80, 40, 61, 20), Qt::black);
    }
    // The pixelation shows the picture's own blocks (kit::Pixelation) under it.
    QImage blocks(80, 60, QImage::Format_RGB32);
    kit::Pixelation::Mosaic(reinterpret_cast<const std::uint32_t*>(original.constBits()), 300, 200, 300, 24)
        .paint({160, 60, 80, 60}, reinterpret_cast<std::uint32_t*>(blocks.bits()), 80);
    QPainter(&expected).drawImage(150, 50, blocks);

    int differing = 0, survivors = 0;
    for (int y = 0; y < 180; ++y) {
        for (int x = 0; x < 260; ++x) {
            if (exported.pixel(x, y) != expected.pixel(x, y)) ++differing;
            const bool hidden = QRect(70, 30, 61, 20).contains(x, y) || QRect(150, 50, 80, 60).contains(x, y);
            if (hidden && exported.pixel(x, y) == original.pixel(x + 10, y + 10)) ++survivors;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(survivors, 0) << "original pixels left under a redaction";

    // As Hide Text reads it: the redactions without the other marks.
    QImage hidden = expected;
    QPainter(&hidden).drawImage(QPoint(10, 10), original, QRect(20, 20, 40, 30));
    EXPECT_EQ(scene.render(MarkupScene::Marks::redactions).convertToFormat(QImage::Format_RGB32), hidden);
}

TEST(MarkupScene, ShownZoomedOutEveryPixelBesideThePictureIsTheSurround) {
    // Cropped off the point grid and drawn smoothed at 87 %, as a 4K capture shows on a 4K screen.
    MarkupScene scene(noise(300, 200), 2);
    scene.crop(QRectF(5.5, 5, 130, 90));
    QImage shown(230, 160, QImage::Format_RGB32);
    shown.fill(Qt::red);
    {
        QPainter painter(&shown);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
        scene.QGraphicsScene::render(&painter, shown.rect(), QRectF(-20, -25, 230 / 0.87, 160 / 0.87));
    }
    int unpainted = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) unpainted += shown.pixel(x, y) == qRgb(255, 0, 0);
    EXPECT_EQ(unpainted, 0);
    EXPECT_EQ(shown.pixel(0, 0), qRgb(46, 46, 46));
    EXPECT_EQ(shown.pixel(229, 159), qRgb(46, 46, 46));
}

} // namespace
