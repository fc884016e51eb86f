#include "app/markup/TextItem.h"

#include <QFont>
#include <QGraphicsScene>
#include <QKeyEvent>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>

#include "kit/MarkupStyle.h"

namespace {

bool wantsDarkText(const QColor& colour) {
    return kit::MarkupStyle::wantsDarkText({static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
                                            static_cast<std::uint8_t>(colour.blue())});
}

} // namespace

TextEditor::TextEditor(QGraphicsItem* parent) : QGraphicsTextItem(parent) {
    document()->setDocumentMargin(2);
}

void TextEditor::focusOutEvent(QFocusEvent* event) {
    QGraphicsTextItem::focusOutEvent(event);
    // A menu or a dialog borrowing the keyboard is no end of typing.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
    emit editingFinished();
}

void TextEditor::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        clearFocus();
        return;
    }
    QGraphicsTextItem::keyPressEvent(event);
}

TextItem::TextItem(Style style, const QPointF& topLeft, const QString& text)
    : MarkupItem(Kind::text, std::move(style)), editor_(new TextEditor(this)) {
    setPos(topLeft);
    editor_->setAcceptedMouseButtons(Qt::NoButton);
    editor_->setPlainText(text);
    QObject::connect(editor_->document(), &QTextDocument::contentsChanged, editor_, [this] { refit(); });
    refit();
}

QString TextItem::text() const {
    return editor_->toPlainText();
}

void TextItem::setText(const QString& text) {
    if (text != editor_->toPlainText()) editor_->setPlainText(text);
}

double TextItem::padding() const {
    return style().textBox ? std::round(style().textSize * 0.3) : 0;
}

void TextItem::refit() {
    if (refitting_) return;
    refitting_ = true;
    QFont font = editor_->font();
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(style().textSize))));
    font.setWeight(QFont::DemiBold);
    editor_->setFont(font);
    editor_->setDefaultTextColor(!style().textBox ? style().colour : wantsDarkText(style().colour) ? Qt::black : Qt::white);
    editor_->setPos(padding(), padding());
    const QRectF text = editor_->boundingRect();
    setFrame(QRectF(0, 0, text.width() + 2 * padding(), text.height() + 2 * padding()));
    refitting_ = false;
}

void TextItem::changed() {
    refit();
}

void TextItem::beginEditing() {
    if (!isEditing()) textBeforeEditing_ = text();
    editor_->setTextInteractionFlags(Qt::TextEditorInteraction);
    editor_->setAcceptedMouseButtons(Qt::AllButtons);
    editor_->setFocus(Qt::MouseFocusReason);
    QTextCursor cursor = editor_->textCursor();
    cursor.movePosition(QTextCursor::End);
    editor_->setTextCursor(cursor);
}

void TextItem::endEditing() {
    QTextCursor cursor = editor_->textCursor();
    cursor.clearSelection();
    editor_->setTextCursor(cursor);
    editor_->setTextInteractionFlags(Qt::NoTextInteraction);
    editor_->setAcceptedMouseButtons(Qt::NoButton);
    if (editor_->hasFocus()) editor_->clearFocus();
}

bool TextItem::isEditing() const {
    return editor_->textInteractionFlags() & Qt::TextEditable;
}

void TextItem::paintContent(QPainter& painter) const {
    if (!style().textBox) return;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(style().colour);
    const double radius = std::round(style().textSize * 0.2);
    painter.drawRoundedRect(frame(), radius, radius);
}

void TextItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) {
    beginEditing();
    MarkupItem::mouseDoubleClickEvent(event);
}
