#include "app/quickaccess/QuickAccessController.h"

#include "app/base/KitText.h"

#include <QFile>
#include <QFuture>
#include <QImageReader>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "app/base/AppSettings.h"
#include "app/base/Observation.h"
#include "app/markup/MarkupEditors.h"
#include "app/platform/x11/X11HotKeyBackend.h"
#include "app/platform/desktop/FileReveal.h"
#include "app/recording/RecordingModule.h"
#include "app/widgets/FloatingPanel.h"
#include "app/quickaccess/QuickAccessThumbnailView.h"
#include "app/storage/CaptureLibrary.h"
#include "kit/CaptureVocabulary.h"
#include "kit/ThumbnailLayout.h"

namespace {

// Reduced off the main thread to what the sharpest screen shows of a thumbnail: drawing a whole
// large screen that small would take the main thread tens of milliseconds.
QImage reduced(const QImage& image) {
    const QSize bound = QSizeF(kit::ThumbnailLayout::size.width, kit::ThumbnailLayout::size.height).toSize() * 3;
    if (image.width() <= bound.width() && image.height() <= bound.height()) return image;
    return image.scaled(bound, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

std::optional<QImage> readImage(const std::filesystem::path& file) {
    QImageReader reader(QFile::decodeName(file.native().c_str()));
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    return reduced(image);
}

// Thumbnails that keep their capture's pixels, newest first: a burst of captures would otherwise
// hold a whole screen each until their thumbnails go.
constexpr std::size_t heldPictures = 2;

// Return and the keypad's Enter, as the hot key service numbers keys.
constexpr std::uint32_t returnKey = 36;
constexpr std::uint32_t keypadEnterKey = 76;

void assertMainThread() {
    Q_ASSERT(QThread::currentThread() == qApp->thread());
}

} // namespace

QuickAccessController::Platform QuickAccessController::Platform::standard(std::shared_ptr<DisplayLocator> screens) {
    Platform platform;
    platform.screens = std::move(screens);
    platform.loadImage = readImage;
    platform.firstFrame = [](const std::filesystem::path& movie) { return RecordingModule::load().firstFrame(movie); };
    platform.reveal = platform::desktop::revealFile;
    platform.makeKeys = []() -> std::unique_ptr<platform::HotKeyBackend> {
        if (!platform::x11::X11HotKeyBackend::isAvailable()) return nullptr;
        return std::make_unique<platform::x11::X11HotKeyBackend>();
    };
    return platform;
}

void QuickAccessController::PanelDeleter::operator()(FloatingPanel* panel) const {
    // The panel may be the one whose button is calling; it goes once that call has returned.
    panel->orderOut();
    panel->deleteLater();
}

void QuickAccessController::TimerDeleter::operator()(QTimer* timer) const {
    timer->stop();
    timer->deleteLater();
}

QuickAccessController::QuickAccessController(CaptureLibrary& library, AppSettings& settings, Platform platform,
                                             MarkupEditors* editors, QObject* parent)
    : QObject(parent), library_(library), settings_(settings), platform_(std::move(platform)), editors_(editors) {
    // A recording that starts or ends moves the thumbnails off the area it shows.
    if (platform_.screens) {
        observeChanges(this, [this] {
            platform_.screens->recordedArea();
            layout();
        });
    }
}

QuickAccessController::~QuickAccessController() {
    armEnterKey(std::nullopt);
}

void QuickAccessController::show(const Capture& capture, const std::optional<std::string>& failure,
                                 const CapturedImage& picture) {
    assertMainThread();
    auto model = std::make_shared<ThumbnailModel>(capture);
    PanelHandle panel = makePanel(model);
    FloatingPanel& shown = *panel;
    const bool still = capture.kind == kit::CaptureKind::image && !picture.image.isNull();
    entries_.push_back(Entry{model, std::move(panel), nullptr, std::nullopt, false, still ? picture : CapturedImage{}, {}});
    for (std::size_t i = 0; i + heldPictures < entries_.size(); ++i) entries_[i].picture = {};
    layout();
    if (failure) model->setStatus(ThumbnailModel::Status::failed(*failure));
    // A picture's thumbnail shows with its picture; a movie's at once, its first frame following.
    const bool withPicture = capture.kind == kit::CaptureKind::image && platform_.loadImage;
    loadPreview(model, withPicture, still ? picture.image : QImage());
    if (!withPicture) shown.showInFront();
    if (!failure) scheduleDismiss(capture.id);
}

std::vector<QUuid> QuickAccessController::thumbnailIDs() const {
    std::vector<QUuid> ids;
    ids.reserve(entries_.size());
    for (const auto& e : entries_) ids.push_back(e.model->capture().id);
    return ids;
}

const ThumbnailModel* QuickAccessController::thumbnailModel(const QUuid& id) const {
    const Entry* e = entry(id);
    return e ? e->model.get() : nullptr;
}

FloatingPanel* QuickAccessController::thumbnailPanel(const QUuid& id) const {
    const Entry* e = entry(id);
    return e ? e->panel.get() : nullptr;
}

QuickAccessThumbnailView* QuickAccessController::thumbnailView(const QUuid& id) const {
    const Entry* e = entry(id);
    return e ? qobject_cast<QuickAccessThumbnailView*>(e->panel->content()) : nullptr;
}

bool QuickAccessController::isEditing(const QUuid& id) const {
    const Entry* e = entry(id);
    return e && e->editing;
}

bool QuickAccessController::isDismissPending(const QUuid& id) const {
    const Entry* e = entry(id);
    return e && e->dismissTask && e->dismissTask->isActive();
}

QuickAccessController::Entry* QuickAccessController::entry(const QUuid& id) {
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [&id](const Entry& e) { return e.model->capture().id == id; });
    return found == entries_.end() ? nullptr : &*found;
}

const QuickAccessController::Entry* QuickAccessController::entry(const QUuid& id) const {
    return const_cast<QuickAccessController*>(this)->entry(id);
}

ThumbnailModel* QuickAccessController::model(const QUuid& id) {
    Entry* e = entry(id);
    return e ? e->model.get() : nullptr;
}

QuickAccessController::PanelHandle QuickAccessController::makePanel(const std::shared_ptr<ThumbnailModel>& model) {
    PanelHandle panel(new FloatingPanel({.ignoresMouse = false, .title = QStringLiteral("Glimpo Thumbnail")}));
    auto view = std::make_unique<QuickAccessThumbnailView>(model);
    connectActions(view->actions(), model->capture().id);
    panel->resize(view->size());
    panel->setContent(std::move(view));
    panel->setShape(QuickAccessThumbnailView::drawnShape());
    return panel;
}

void QuickAccessController::connectActions(const ThumbnailActions& actions, const QUuid& id) {
    // An action that arrives after its thumbnail was dismissed finds no entry and does nothing.
    connect(&actions, &ThumbnailActions::save, this, [this, id] { save(id); });
    connect(&actions, &ThumbnailActions::copy, this, [this, id] { copy(id); });
    connect(&actions, &ThumbnailActions::showInFolder, this, [this, id] { showInFolder(id); });
    connect(&actions, &ThumbnailActions::close, this, [this, id] { close(id); });
    connect(&actions, &ThumbnailActions::hoverChanged, this, [this, id](bool hovering) { hoverChanged(id, hovering); });
    connect(&actions, &ThumbnailActions::dragEnded, this, [this, id](bool accepted) { dragEnded(id, accepted); });
    connect(&actions, &ThumbnailActions::edit, this, [this, id] { edit(id); });
}

void QuickAccessController::layout() {
    if (!platform_.screens) return;
    const auto screen = screenUnderPointer(*platform_.screens);
    if (!screen) return;
    std::vector<kit::Rect> frames = kit::ThumbnailLayout::frames(static_cast<int>(entries_.size()), screen->visibleFrame);
    if (frames.empty()) return;
    for (kit::Rect& frame : frames) frame = kit::ThumbnailLayout::panelFrame(frame);
    // The stack moves as one.
    const kit::Rect stack = kit::Rect::make(frames.front().minX(), frames.front().minY(), frames.front().width(),
                                            frames.back().maxY() - frames.front().minY());
    const kit::Rect placed = clearOfRecording(*platform_.screens, *screen, stack, &DisplayLocator::Screen::visibleFrame);
    for (std::size_t i = 0; i < entries_.size() && i < frames.size(); ++i) {
        FloatingPanel& panel = *entries_[i].panel;
        const QRect target = platform_.screens->toTopLeft(
            frames[i].offsetBy(placed.minX() - stack.minX(), placed.minY() - stack.minY()));
        panel.setFrame(target, panel.isVisible());
    }
}

double QuickAccessController::dismissSeconds() const {
    const double seconds = settings_.thumbnailSeconds();
    // A broken setting must not make a fresh capture vanish at once, or overflow the timer.
    if (!std::isfinite(seconds) || seconds <= 0) return fallbackSeconds;
    return std::min(seconds, INT_MAX / 1000.0);
}

void QuickAccessController::scheduleDismiss(const QUuid& id) {
    cancelDismiss(id);
    Entry* e = entry(id);
    if (!e) return;
    TimerHandle timer(new QTimer);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(static_cast<int>(std::lround(dismissSeconds() * 1000.0)));
    connect(timer.get(), &QTimer::timeout, this, [this, id] { expire(id); });
    timer->start();
    e->dismissTask = std::move(timer);
}

void QuickAccessController::cancelDismiss(const QUuid& id) {
    if (Entry* e = entry(id)) e->dismissTask.reset();
}

void QuickAccessController::expire(const QUuid& id) {
    Entry* e = entry(id);
    if (!e) return;
    e->dismissTask.reset();
    const Capture capture = e->model->capture();
    const bool deletes = kit::CaptureDismissal::deletesFile(capture.isSaved);
    if (e->model->isDragging()) {
        // Deleting the file now would hand the receiver a file that is gone.
        e->dismissAfterDrag = deletes || e->dismissAfterDrag.value_or(false);
        return;
    }
    if (deletes) library_.discard(capture);
    dismiss(id);
}

void QuickAccessController::dismiss(const QUuid& id) {
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [&id](const Entry& e) { return e.model->capture().id == id; });
    if (found == entries_.end()) return;
    found->dismissTask.reset();
    if (found->model->isDragging()) {
        // The panel runs the drag session; it goes when the session ends.
        if (!found->dismissAfterDrag) found->dismissAfterDrag = false;
        return;
    }
    // What an edit replaced was never shown again; only the thumbnail held it.
    for (const Capture& replaced : found->replaced) library_.discard(replaced);
    if (hovered_ == id) armEnterKey(std::nullopt);
    entries_.erase(found);
    layout();
}

void QuickAccessController::loadPreview(const std::shared_ptr<ThumbnailModel>& model, bool reveal, const QImage& picture) {
    const Capture& capture = model->capture();
    auto load = capture.kind == kit::CaptureKind::image ? platform_.loadImage : platform_.firstFrame;
    if (!load) return;
    // Decoding a large picture, let alone a movie, would stall the main thread.
    QtConcurrent::run([load, file = capture.fileURL, picture]() -> std::optional<QImage> {
        try {
            if (!picture.isNull()) return reduced(picture);
            return load(file);
        } catch (...) {
            return std::nullopt;
        }
    }).then(this, [this, model, reveal, file = capture.fileURL](std::optional<QImage> image) {
        // An edit may have replaced the file meanwhile; its own preview is on the way.
        if (model->capture().fileURL != file) return;
        model->setPreview(std::move(image));
        if (Entry* e = reveal ? entry(model->capture().id) : nullptr) e->panel->showInFront();
    });
}

void QuickAccessController::save(const QUuid& id) {
    Entry* e = entry(id);
    if (!e) return;
    const kit::SaveResult result = library_.save(e->model->capture());
    if (result.ok()) {
        dismiss(id);
        return;
    }
    if (ThumbnailModel* m = model(id)) {
        m->setStatus(ThumbnailModel::Status::failed(
            tr("Couldn't save: %1").arg(KitText::reason(result.error())).toStdString()));
    }
    cancelDismiss(id);
}

void QuickAccessController::copy(const QUuid& id) {
    Entry* e = entry(id);
    if (!e) return;
    library_.copy(e->model->capture());
    e->model->setStatus(ThumbnailModel::Status::copied());
    cancelDismiss(id);
    QTimer::singleShot(copiedConfirmation, this, [this, id] { dismiss(id); });
}

void QuickAccessController::showInFolder(const QUuid& id) {
    Entry* e = entry(id);
    if (!e) return;
    if (platform_.reveal) platform_.reveal(e->model->capture().fileURL);
    dismiss(id);
}

void QuickAccessController::close(const QUuid& id) {
    Entry* e = entry(id);
    if (!e) return;
    const Capture capture = e->model->capture();
    if (kit::CaptureDismissal::deletesFile(capture.isSaved)) library_.discard(capture);
    dismiss(id);
}

void QuickAccessController::hoverChanged(const QUuid& id, bool hovering) {
    armEnterKey(hovering ? std::optional<QUuid>(id) : std::nullopt);
    if (isEditing(id)) return;
    ThumbnailModel* m = model(id);
    // The copied and failed states run no countdown of their own.
    if (!m || !m->status().isIdle()) return;
    if (hovering) {
        cancelDismiss(id);
    } else {
        scheduleDismiss(id);
    }
}

void QuickAccessController::dragEnded(const QUuid& id, bool accepted) {
    Entry* e = entry(id);
    if (!e) return;
    const std::optional<bool> deferred = std::exchange(e->dismissAfterDrag, std::nullopt);
    if (accepted) {
        dismiss(id);
        return;
    }
    if (!deferred) return;
    if (*deferred) library_.discard(e->model->capture());
    dismiss(id);
}

void QuickAccessController::edit(const QUuid& id) {
    Entry* e = entry(id);
    if (!e || !editors_ || e->model->capture().kind != kit::CaptureKind::image) return;
    const bool opened = e->editing;
    MarkupWindow* window = editors_->open(e->model->capture().fileURL, e->picture);
    // Asked again, the open editor only comes to the front.
    e = entry(id);
    if (!window || opened || !e) return;
    e->editing = true;
    cancelDismiss(id);
    connect(window, &MarkupWindow::exported, this, [this, id](const Capture& edited) { showEdited(id, edited); });
    connect(window, &MarkupWindow::closed, this, [this, id] { editingEnded(id); });
}

void QuickAccessController::showEdited(const QUuid& id, const Capture& edited) {
    Entry* e = entry(id);
    if (!e) return;
    const Capture before = e->model->capture();
    if (!before.isSaved && before.fileURL != edited.fileURL) e->replaced.push_back(before);
    e->picture = {};
    e->model->setCapture(edited);
    // The old preview stays until the edited picture is read.
    loadPreview(e->model, false);
    e->model->setStatus(ThumbnailModel::Status::idle());
}

void QuickAccessController::editingEnded(const QUuid& id) {
    Entry* e = entry(id);
    if (!e || !e->editing) return;
    e->editing = false;
    // A full period starts again once the editor is gone.
    if (e->model->status().isIdle() && !e->model->isHovering()) scheduleDismiss(id);
}

void QuickAccessController::armEnterKey(const std::optional<QUuid>& hovered) {
    if (hovered == hovered_) return;
    hovered_ = hovered;
    if (keys_) {
        for (const auto reference : std::exchange(enterKeys_, {})) keys_->unregisterHotKey(reference);
    }
    if (!hovered_ || !editors_) return;
    const ThumbnailModel* m = model(*hovered_);
    if (!m || m->capture().kind != kit::CaptureKind::image) return;
    if (!keys_ && platform_.makeKeys) {
        keys_ = platform_.makeKeys();
        if (keys_) keys_->installHandler([this](std::uint32_t) {
            if (hovered_) edit(*hovered_);
        });
    }
    if (!keys_) return;
    for (const std::uint32_t key : {returnKey, keypadEnterKey}) {
        const auto registration = keys_->registerHotKey(key, 0, 1);
        if (registration.reference) enterKeys_.push_back(*registration.reference);
    }
}
