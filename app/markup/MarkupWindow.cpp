#include "app/markup/MarkupWindow.h"

#include <QAction>
#include <QApplication>
#include <QBackingStore>
#include <QCloseEvent>
#include <QCursor>
#include <QDrag>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>

#include "app/base/GlimpoUIState.h"
#include "app/base/LargeImage.h"
#include "app/markup/HideTextOffer.h"
#include "app/markup/MarkupCanvas.h"
#include "app/markup/MarkupIcons.h"
#include "app/markup/MarkupScene.h"
#include "app/markup/MarkupToolBar.h"
#include "app/markup/PictureDragHandle.h"
#include "app/storage/CaptureLibrary.h"
#include "app/text/TextRecognitionService.h"
#include "app/widgets/Icons.h"
#include "kit/Error.h"
#include "kit/SensitiveText.h"

namespace {

// While an editor has the keyboard, Escape is its own, even during a recording.
const std::string surfaceName = "markup";
// Of the available screen, at most.
constexpr double windowShare = 0.9;

QAction* addShortcut(QWidget& window, const QKeySequence& keys, const QString& text) {
    auto* action = new QAction(text, &window);
    action->setShortcut(keys);
    window.addAction(action);
    return action;
}

} // namespace

MarkupWindow::MarkupWindow(Picture picture, CaptureLibrary& library, SettingsStore& store, TextRecognitionService& recognizer)
    : library_(library), choices_(store), recognizer_(recognizer),
      scene_(std::make_unique<MarkupScene>(std::move(picture.image), picture.density)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("%1 – Glimpo Markup").arg(picture.name));

    toolBar_ = new MarkupToolBar(this);
    addToolBar(Qt::TopToolBarArea, toolBar_);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    offerBar_ = new QWidget(central);
    offerBar_->setAutoFillBackground(true);
    auto* offerRow = new QHBoxLayout(offerBar_);
    offerRow->setContentsMargins(10, 6, 10, 6);
    offerText_ = new QLabel(offerBar_);
    offerText_->setWordWrap(true);
    offerApply_ = new QPushButton(offerBar_);
    auto* offerCancel = new QPushButton(tr("Cancel"), offerBar_);
    offerRow->addWidget(offerText_, 1);
    offerRow->addWidget(offerCancel);
    offerRow->addWidget(offerApply_);
    connect(offerCancel, &QPushButton::clicked, this, &MarkupWindow::endOffer);
    offerBar_->hide();
    canvas_ = new MarkupCanvas(*scene_, central);
    column->addWidget(offerBar_);
    column->addWidget(canvas_, 1);
    setCentralWidget(central);

    hint_ = new QLabel(this);
    zoomText_ = new QLabel(this);
    statusBar()->addWidget(hint_, 1);
    statusBar()->addPermanentWidget(zoomText_);
    statusBar()->setSizeGripEnabled(true);

    buildActions();

    const MarkupItem::Style style = choices_.style();
    canvas_->setStyle(style);
    toolBar_->showStyle(style);
    dragHandle_->setPicture(scene_->picture());
    chooseTool(MarkupTool::select);
    const auto showZoom = [this](double zoom) { zoomText_->setText(tr("%1%").arg(std::lround(zoom * 100))); };
    connect(canvas_, &MarkupCanvas::zoomChanged, this, showZoom);
    showZoom(canvas_->zoom());
    connect(scene_.get(), &MarkupScene::canvasChanged, this, [this] {
        const QRectF kept = scene_->canvas();
        const double density = scene_->density();
        dragHandle_->setPicture(scene_->picture().copy(QRectF(kept.topLeft() * density, kept.size() * density).toRect()));
    });

    // The picture at its real size, unless the screen is too small for it.
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    const QSize chrome(0, toolBar_->sizeHint().height() + statusBar()->sizeHint().height());
    QSize wanted = scene_->canvas().size().toSize() + chrome;
    wanted = wanted.expandedTo(QSize(toolBar_->sizeHint().width(), 360))
                 .boundedTo((QSizeF(available.size()) * windowShare).toSize());
    resize(wanted);
    move(available.center() - QPoint(wanted.width() / 2, wanted.height() / 2));
}

MarkupWindow::~MarkupWindow() {
    GlimpoUIState::shared().remove(surfaceName);
    offer_.reset();
}

void MarkupWindow::buildActions() {
    connect(toolBar_, &MarkupToolBar::toolChosen, this, &MarkupWindow::chooseTool);
    connect(toolBar_, &MarkupToolBar::colourChosen, this, [this](const QColor& colour) {
        choices_.setColour(colour);
        applyChoice([colour](MarkupItem::Style& s) { s.colour = colour; }, tr("Colour"));
    });
    connect(toolBar_, &MarkupToolBar::strokeChosen, this, [this](double width) {
        choices_.setStroke(width);
        applyChoice([width](MarkupItem::Style& s) { s.stroke = width; }, tr("Line Width"));
    });
    connect(toolBar_, &MarkupToolBar::textSizeChosen, this, [this](double size) {
        choices_.setTextSize(size);
        applyChoice([size](MarkupItem::Style& s) { s.textSize = size; }, tr("Text Size"));
    });
    connect(toolBar_, &MarkupToolBar::filledChosen, this, [this](bool on) {
        choices_.setFilled(on);
        applyChoice([on](MarkupItem::Style& s) { s.filled = on; }, tr("Fill"));
    });
    connect(toolBar_, &MarkupToolBar::textBoxChosen, this, [this](bool on) {
        choices_.setTextBox(on);
        applyChoice([on](MarkupItem::Style& s) { s.textBox = on; }, tr("Text Background"));
    });

    toolBar_->addSeparator();
    QUndoStack& undo = scene_->undoStack();
    QAction* undoAction = toolBar_->addAction(MarkupIcons::undo(false), tr("Undo"));
    undoAction->setShortcut(QKeySequence::Undo);
    undoAction->setToolTip(tr("Undo (Ctrl+Z)"));
    QAction* redoAction = toolBar_->addAction(MarkupIcons::undo(true), tr("Redo"));
    redoAction->setShortcuts({QKeySequence(tr("Ctrl+Shift+Z")), QKeySequence(tr("Ctrl+Y"))});
    redoAction->setToolTip(tr("Redo (Ctrl+Shift+Z)"));
    undoAction->setEnabled(false);
    redoAction->setEnabled(false);
    connect(&undo, &QUndoStack::canUndoChanged, undoAction, &QAction::setEnabled);
    connect(&undo, &QUndoStack::canRedoChanged, redoAction, &QAction::setEnabled);
    connect(undoAction, &QAction::triggered, this, [this] {
        endOffer();
        canvas_->cancelGesture();
        scene_->endTyping();
        scene_->undoStack().undo();
    });
    connect(redoAction, &QAction::triggered, this, [this] {
        endOffer();
        scene_->endTyping();
        scene_->undoStack().redo();
    });

    QAction* hide = toolBar_->addAction(MarkupIcons::hideText(), tr("Hide Text"));
    hide->setShortcut(QKeySequence(tr("K")));
    hide->setToolTip(tr("Hide Text (K): find the text in the picture and cover what you choose"));
    connect(hide, &QAction::triggered, this, [this] { hideText(); });

    auto* spacer = new QWidget(toolBar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar_->addWidget(spacer);
    dragHandle_ = new PictureDragHandle(toolBar_);
    toolBar_->addWidget(dragHandle_);
    connect(dragHandle_, &PictureDragHandle::dragRequested, this, &MarkupWindow::dragOut);
    QAction* copyAction = toolBar_->addAction(Icons::icon("doc.on.doc"), tr("Copy"));
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setToolTip(tr("Copy the picture (Ctrl+C)"));
    connect(copyAction, &QAction::triggered, this, &MarkupWindow::copy);
    QAction* saveAction = toolBar_->addAction(Icons::icon("square.and.arrow.down"), tr("Save"));
    saveAction->setShortcut(QKeySequence::Save);
    saveAction->setToolTip(tr("Save as a new picture in the save folder (Ctrl+S)"));
    connect(saveAction, &QAction::triggered, this, &MarkupWindow::save);
    for (QAction* action : {copyAction, saveAction}) {
        if (auto* button = qobject_cast<QToolButton*>(toolBar_->widgetForAction(action))) {
            button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        }
    }

    connect(addShortcut(*this, QKeySequence::Delete, tr("Delete")), &QAction::triggered, this,
            [this] { scene_->removeSelected(); });
    connect(addShortcut(*this, QKeySequence(Qt::Key_Backspace), tr("Delete")), &QAction::triggered, this,
            [this] { scene_->removeSelected(); });
    connect(addShortcut(*this, QKeySequence::SelectAll, tr("Select All")), &QAction::triggered, this, [this] {
        chooseTool(MarkupTool::select);
        for (MarkupItem* item : scene_->marks()) item->setSelected(true);
    });
    connect(addShortcut(*this, QKeySequence(tr("Ctrl+0")), tr("Actual Size")), &QAction::triggered, canvas_,
            &MarkupCanvas::actualSize);
    connect(addShortcut(*this, QKeySequence(tr("Ctrl+9")), tr("Fit in Window")), &QAction::triggered, canvas_,
            &MarkupCanvas::fitToWindow);
    connect(addShortcut(*this, QKeySequence::ZoomIn, tr("Zoom In")), &QAction::triggered, this,
            [this] { canvas_->zoomBy(1.25); });
    connect(addShortcut(*this, QKeySequence::ZoomOut, tr("Zoom Out")), &QAction::triggered, this,
            [this] { canvas_->zoomBy(0.8); });
    connect(addShortcut(*this, QKeySequence(Qt::Key_Escape), tr("Close")), &QAction::triggered, this,
            &MarkupWindow::escape);
    applyOffer_ = addShortcut(*this, QKeySequence(Qt::Key_Return), tr("Hide"));
    applyOffer_->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    applyOffer_->setEnabled(false);
    connect(applyOffer_, &QAction::triggered, offerApply_, &QPushButton::click);
    connect(offerApply_, &QPushButton::clicked, this, [this] {
        if (!offer_) return;
        offer_->apply(choices_.style());
        endOffer();
    });
}

void MarkupWindow::chooseTool(MarkupTool tool) {
    endOffer();
    canvas_->setTool(tool);
    toolBar_->showTool(tool);
    hint_->setText(MarkupTools::hint(tool));
}

void MarkupWindow::applyChoice(const std::function<void(MarkupItem::Style&)>& change, const QString& undoText) {
    const MarkupItem::Style style = choices_.style();
    canvas_->setStyle(style);
    toolBar_->showStyle(style);
    scene_->restyleSelected(change, undoText);
}

void MarkupWindow::escape() {
    if (scene_->focusItem()) {
        scene_->endTyping();
        return;
    }
    if (offer_ || reading_) {
        endOffer();
        return;
    }
    if (canvas_->cancelGesture()) return;
    close();
}

std::optional<Capture> MarkupWindow::exportCapture() {
    scene_->endTyping();
    const int at = scene_->undoStack().index();
    if (exported_ && exportedAt_ == at && std::filesystem::exists(exported_->fileURL)) return exported_;
    const QImage picture = scene_->render();
    const double density = scene_->density();
    try {
        Capture capture = library_.storeNow({picture, {picture.width() / density, picture.height() / density}});
        exported_ = capture;
        exportedAt_ = at;
        log_.info("picture exported file={} width={} height={}", capture.fileURL.filename().string(), picture.width(),
                  picture.height());
        return capture;
    } catch (const std::exception& e) {
        QMessageBox::warning(this, tr("Couldn't export the picture"), QString::fromStdString(kit::describe(e)));
        return std::nullopt;
    }
}

void MarkupWindow::left(const Capture& capture) {
    scene_->undoStack().setClean();
    emit exported(capture);
    leaving_ = true;
    close();
}

void MarkupWindow::save() {
    std::optional<Capture> capture = exportCapture();
    if (!capture) return;
    if (!capture->isSaved) {
        const kit::SaveResult result = library_.save(*capture);
        if (!result.ok()) {
            QMessageBox::warning(this, tr("Couldn't save"), QString::fromStdString(result.error().reason()));
            return;
        }
        capture->fileURL = result.value();
        capture->isSaved = true;
        exported_ = capture;
    }
    left(*capture);
}

void MarkupWindow::copy() {
    const std::optional<Capture> capture = exportCapture();
    if (!capture) return;
    library_.copy(*capture);
    left(*capture);
}

void MarkupWindow::dragOut() {
    const std::optional<Capture> capture = exportCapture();
    if (!capture) return;
    bool taken = false;
    if (dragRunner_) {
        taken = dragRunner_(capture->fileURL);
    } else {
        // The receiver may read the file's address after the session, when this window is gone.
        auto* drag = new QDrag(qApp);
        auto mime = std::make_unique<QMimeData>();
        mime->setUrls({QUrl::fromLocalFile(QFile::decodeName(capture->fileURL.native().c_str()))});
        drag->setMimeData(mime.release());
        QPixmap preview = QPixmap::fromImage(scene_->render().scaled(160, 160, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        drag->setPixmap(preview);
        drag->setHotSpot(QPoint(preview.width() / 2, preview.height() / 2));
        const QPointer<MarkupWindow> alive(this);
        taken = drag->exec(Qt::CopyAction, Qt::CopyAction) != Qt::IgnoreAction;
        if (!alive) return;
    }
    if (taken) left(*capture);
}

QCoro::Task<void> MarkupWindow::hideText() {
    if (reading_ || offer_) co_return;
    scene_->endTyping();
    canvas_->cancelGesture();
    const int run = ++readRun_;
    reading_ = true;
    showOfferBar(tr("Reading the text in the picture…"), false);
    const double density = scene_->density();
    const QRectF canvas = scene_->canvas();
    // Where the canvas starts in the picture, as the render cuts it.
    const QPoint origin(std::lround(canvas.left() * density), std::lround(canvas.top() * density));
    // What is hidden already is not offered again; the user's own marks are not read.
    QImage part = scene_->render(MarkupScene::Marks::redactions);
    // The recogniser sizes the text by the pixels per point.
    part.setDevicePixelRatio(density);
    const QPointer<MarkupWindow> self(this);
    std::vector<kit::TextLine> lines;
    std::string failure;
    try {
        lines = co_await recognizer_.readLines(std::move(part));
    } catch (const std::exception& e) {
        failure = kit::describe(e);
    }
    if (!self || run != readRun_) co_return;
    reading_ = false;
    if (!failure.empty()) {
        log_.error("hide text failed error={}", failure);
        showOfferBar(tr("The text couldn't be read: %1").arg(QString::fromStdString(failure)), false);
        co_return;
    }
    const auto candidates = kit::SensitiveText::candidates(lines);
    log_.info("hide text offered lines={} boxes={}", lines.size(), candidates.size());
    if (candidates.empty()) {
        showOfferBar(tr("No text found in the picture."), false);
        co_return;
    }
    offer_ = std::make_unique<HideTextOffer>(*scene_, candidates, origin);
    connect(offer_.get(), &HideTextOffer::choiceChanged, this, &MarkupWindow::updateOfferText);
    canvas_->setOffering(true);
    showOfferBar({}, true);
    updateOfferText();
}

void MarkupWindow::showOfferBar(const QString& text, bool choosing) {
    offerText_->setText(text);
    offerApply_->setVisible(choosing);
    applyOffer_->setEnabled(choosing);
    offerBar_->setBackgroundRole(QPalette::AlternateBase);
    offerBar_->show();
    // The tool's hint would tell of clicks that now only pick boxes.
    hint_->hide();
}

void MarkupWindow::updateOfferText() {
    if (!offer_) return;
    const int chosen = offer_->chosenCount();
    offerText_->setText(tr("Click a box to keep or drop it. E-mail addresses, long numbers and keys are chosen already. "
                           "%1 of %2 boxes chosen.")
                            .arg(chosen)
                            .arg(offer_->count()));
    offerApply_->setText(tr("Hide %n Boxes", nullptr, chosen));
    offerApply_->setEnabled(chosen > 0);
}

void MarkupWindow::endOffer() {
    // A reading still running is forgotten when it comes back.
    ++readRun_;
    reading_ = false;
    offer_.reset();
    canvas_->setOffering(false);
    applyOffer_->setEnabled(false);
    offerBar_->hide();
    hint_->show();
}

void MarkupWindow::closeEvent(QCloseEvent* event) {
    scene_->endTyping();
    if (!leaving_ && scene_->isEdited()) {
        QMessageBox ask(QMessageBox::Question, windowTitle(), tr("Discard changes?"), QMessageBox::NoButton, this);
        ask.setInformativeText(tr("The marks on this picture haven't been saved, copied or dragged anywhere."));
        QPushButton* discard = ask.addButton(tr("Discard"), QMessageBox::DestructiveRole);
        QPushButton* saveButton = ask.addButton(tr("Save"), QMessageBox::AcceptRole);
        ask.addButton(QMessageBox::Cancel);
        ask.setDefaultButton(QMessageBox::Cancel);
        ask.exec();
        if (ask.clickedButton() == saveButton) {
            event->ignore();
            save();
            return;
        }
        if (ask.clickedButton() != discard) {
            event->ignore();
            return;
        }
    }
    log_.info("editor closed edited={}", !leaving_ && scene_->isEdited());
    event->accept();
    emit closed();
}

bool MarkupWindow::event(QEvent* event) {
    // The window paints first, into its fresh backing store: as large as the screen.
    if (event->type() == QEvent::Paint && !painted_) {
        painted_ = true;
        if (QBackingStore* store = backingStore())
            if (const auto* image = dynamic_cast<const QImage*>(store->paintDevice())) LargeImage::populate(*image);
    }
    return QMainWindow::event(event);
}

void MarkupWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    if (isActiveWindow()) {
        GlimpoUIState::shared().insert(surfaceName);
    } else {
        GlimpoUIState::shared().remove(surfaceName);
    }
}
