#include "app/shortcuts/HotKeyCapture.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>

#include <utility>

#include "app/base/GlimpoUIState.h"
#include "app/platform/x11/XInputKeyWatch.h"
#include "kit/HotKeyBindings.h"

namespace {

// The one capture listening now.
QPointer<HotKeyCapture>& listening() {
    static QPointer<HotKeyCapture> capture;
    return capture;
}

// Modifiers are pressed on the way to a shortcut, not as one.
bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

} // namespace

HotKeyCapture::HotKeyCapture(std::shared_ptr<const platform::x11::KeyboardLayout> keyboard, QObject* parent)
    : HotKeyCapture(keyboard, platform::x11::XInputKeyWatch::create(), parent) {}

HotKeyCapture::HotKeyCapture(std::shared_ptr<const platform::x11::KeyboardLayout> keyboard,
                             std::unique_ptr<platform::KeyPressWatch> watch, QObject* parent)
    : QObject(parent),
      keyboard_(keyboard ? std::move(keyboard) : platform::x11::XkbKeyboardLayout::shared()),
      watch_(std::move(watch)) {
    arrival_.setSingleShot(true);
    arrival_.setInterval(arrivalMilliseconds);
    connect(&arrival_, &QTimer::timeout, this, &HotKeyCapture::neverArrived);
    if (watch_) connect(watch_.get(), &platform::KeyPressWatch::pressed, this, &HotKeyCapture::heardOnDisplay);
}

HotKeyCapture::~HotKeyCapture() { stop(); }

std::uint64_t HotKeyCapture::eventFlags(Qt::KeyboardModifiers modifiers) {
    std::uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= kit::EventFlags::shift;
    if (modifiers & Qt::ControlModifier) flags |= kit::EventFlags::control;
    if (modifiers & Qt::AltModifier) flags |= kit::EventFlags::option;
    if (modifiers & Qt::MetaModifier) flags |= kit::EventFlags::command;
    return flags;
}

void HotKeyCapture::start() {
    stop();
    if (HotKeyCapture* other = listening(); other != nullptr && other != this) other->stop();
    isRecording_.set(true);
    GlimpoUIState::shared().insert(std::string(surfaceName));
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
        monitoring_ = true;
        if (watch_) watch_->setWatching(true);
    }
    listening() = this;
}

void HotKeyCapture::stop() {
    if (monitoring_) {
        if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
        monitoring_ = false;
        if (watch_) watch_->setWatching(false);
    }
    arrival_.stop();
    unreceived_.reset();
    isRecording_.set(false);
    // Another capture may be listening by now; the surface is then still open.
    if (listening() == this || listening() == nullptr) {
        listening() = nullptr;
        GlimpoUIState::shared().remove(std::string(surfaceName));
    }
}

bool HotKeyCapture::eventFilter(QObject* watched, QEvent* event) {
    if (!monitoring_) return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyRelease:
        // Accepted, or the press would trigger a shortcut or travel on to the parent widgets.
        event->accept();
        return true;
    case QEvent::KeyPress:
        event->accept();
        handle(static_cast<const QKeyEvent&>(*event));
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

void HotKeyCapture::handle(const QKeyEvent& event) {
    if (isModifierKey(event.key())) return;
    // Whatever the display heard has arrived.
    arrival_.stop();
    unreceived_.reset();
    const auto keyCode = keyboard_->keyCode(event.nativeScanCode());
    const bool escape = keyCode ? *keyCode == escapeKeyCode : event.key() == Qt::Key_Escape;
    if (escape) {
        hint_.set(std::nullopt);
        stop();
        return;
    }
    if (keyCode) {
        const auto combination = kit::HotKeyBindings::combination(*keyCode, eventFlags(event.modifiers()),
                                                                  keyboard_->layoutText(*keyCode));
        if (combination) {
            hint_.set(std::nullopt);
            stop();
            emit captured(*combination);
            return;
        }
    }
    hint_.set(std::string(refusalHint));
}

void HotKeyCapture::heardOnDisplay(std::uint32_t keyCode, std::uint64_t eventFlags) {
    // A press meant for another program's window is no one's to explain.
    if (!isRecording() || QGuiApplication::focusWindow() == nullptr) return;
    unreceived_ = Unreceived{keyCode, eventFlags};
    arrival_.start();
}

void HotKeyCapture::neverArrived() {
    const std::optional<Unreceived> lost = std::exchange(unreceived_, std::nullopt);
    if (!lost || !isRecording()) return;
    const std::string label = kit::HotKeyBindings::keyLabel(lost->keyCode, keyboard_->layoutText(lost->keyCode));
    if (label.empty()) return;
    const kit::HotKeyCombination taken{lost->keyCode, kit::EventFlags::toCarbonModifiers(lost->eventFlags), label};
    hint_.set(tr("The desktop uses %1 itself. Free it in the desktop's keyboard settings or choose another.")
                  .arg(QString::fromStdString(taken.displayString()))
                  .toStdString());
}
