#include "app/ui/StatusItemController.h"

#include "app/shortcuts/ShortcutLabels.h"
#include "app/ui/ClosureMenuItem.h"
#include "app/widgets/Icons.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QSystemTrayIcon>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

constexpr auto trayWatchInterval = std::chrono::seconds(5);

// The system red of the record badge.
const QColor recordRed(0xFF, 0x3B, 0x30);

// Text after a tab is drawn in the menu's shortcut column, right-aligned: that is where the
// global shortcut goes. The item gets no key sequence; the global shortcut does the work.
QString titleWithHint(const QString& title, const std::string& hint) {
    QString shown = QString::fromStdString(hint);
    // Menus treat '&' as a mnemonic marker in both columns.
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    return title + QLatin1Char('\t') + shown;
}

// The menu's own keys, the desktop's usual ones, shown as the shortcut hints are: Ctrl+, and
// Ctrl+Q (the program's key codes of the comma and Q keys).
const kit::HotKeyCombination settingsKey{43, kit::HotKeyCombination::control, ","};
const kit::HotKeyCombination quitKey{12, kit::HotKeyCombination::control, "Q"};

// Draws the text after an item's tab, the hint, right-aligned in the secondary text colour.
class HintStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const qsizetype tab = item ? item->text.indexOf(QLatin1Char('\t')) : -1;
        if (element != CE_MenuItem || tab < 0) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionMenuItem title(*item);
        title.text = item->text.left(tab);
        QProxyStyle::drawControl(element, &title, painter, widget);

        const bool selected = item->state & State_Selected;
        QColor colour = item->palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        colour.setAlphaF(selected ? 0.8f : 0.55f);
        painter->save();
        painter->setPen(colour);
        painter->setFont(item->font);
        const int margin = item->fontMetrics.height();
        painter->drawText(item->rect.adjusted(0, 0, -margin, 0), Qt::AlignRight | Qt::AlignVCenter | Qt::TextShowMnemonic,
                          item->text.mid(tab + 1));
        painter->restore();
    }
};

// A red record disc with the running time across it, legible down to tray sizes of 22 pixels.
QIcon recordingIcon(const QString& time) {
    return Icons::painted([time](QPainter& p, const QRectF& box, const QColor&) {
        p.setPen(Qt::NoPen);
        p.setBrush(recordRed);
        p.drawEllipse(box);

        const QRectF textBox(box.x() + box.width() * 0.04, box.y() + box.height() * 0.3,
                             box.width() * 0.92, box.height() * 0.4);
        QFont font = QGuiApplication::font();
        font.setBold(true);
        font.setStretch(QFont::Condensed);
        font.setPixelSize(std::max(1, static_cast<int>(textBox.height())));
        const double width = QFontMetricsF(font).horizontalAdvance(time);
        if (width > textBox.width()) {
            const double scaled = std::floor(font.pixelSize() * textBox.width() / width);
            font.setPixelSize(std::max(1, static_cast<int>(scaled)));
        }
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(textBox, Qt::AlignCenter, time);
    });
}

} // namespace

StatusItemController::StatusItemController(QObject* parent)
    : QObject(parent),
      menu_(std::make_unique<QMenu>()),
      tray_(std::make_unique<QSystemTrayIcon>()) {
    connect(menu_.get(), &QMenu::aboutToShow, this, &StatusItemController::rebuildMenu);
    // Owned by the menu.
    auto* style = new HintStyle;
    style->setParent(menu_.get());
    menu_->setStyle(style);
    menu_->installEventFilter(this);
    tray_->setContextMenu(menu_.get());
    // Some trays report a left click instead of opening the menu themselves.
    connect(tray_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && !menu_->isVisible()) {
                    menu_->popup(QCursor::pos());
                }
            });
    rebuildMenu();
    updateButton();

    trayAvailable_ = QSystemTrayIcon::isSystemTrayAvailable();
    if (trayAvailable_) {
        tray_->show();
    } else {
        log_.notice("tray unavailable");
        showWhenTrayAppears();
    }
}

StatusItemController::~StatusItemController() = default;

void StatusItemController::showWhenTrayAppears() {
    // A session's panel may start after the program (autostart); show up once it is there.
    trayWatch_ = std::make_unique<QTimer>();
    trayWatch_->setInterval(trayWatchInterval);
    connect(trayWatch_.get(), &QTimer::timeout, this, [this] {
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            return;
        }
        trayAvailable_ = true;
        trayWatch_->stop();
        tray_->show();
        log_.info("tray available");
    });
    trayWatch_->start();
}

void StatusItemController::setRecordingElapsed(std::optional<Elapsed> elapsed) {
    recordingElapsed_ = elapsed;
    updateButton();
}

void StatusItemController::setShortcutHints(std::map<std::string, std::string> hints) {
    shortcutHints_ = std::move(hints);
}

QIcon StatusItemController::icon() const {
    return tray_->icon();
}

QString StatusItemController::toolTip() const {
    return tray_->toolTip();
}

void StatusItemController::showMessage(const QString& text, std::optional<double> seconds) {
    if (!trayAvailable_) {
        log_.debug("message not shown reason=noTray");
        return;
    }
    // Zero asks the notification server to keep it.
    int milliseconds = 0;
    if (seconds && std::isfinite(*seconds) && *seconds > 0) {
        milliseconds = static_cast<int>(std::min(*seconds, 3600.0) * 1000);
    }
    tray_->showMessage(QStringLiteral("Glimpo"), text, QSystemTrayIcon::NoIcon, milliseconds);
}

QString StatusItemController::elapsedTitle(Elapsed elapsed) {
    const double seconds = elapsed.count();
    // A clock gives nothing negative or non-finite; keep the integer conversion defined anyway.
    long long whole = 0;
    if (std::isfinite(seconds) && seconds > 0) {
        whole = static_cast<long long>(std::min(seconds, 1e15));
    }
    return QString::asprintf(" %02lld:%02lld", whole / 60, whole % 60);
}

void StatusItemController::updateButton() {
    if (recordingElapsed_) {
        const QString title = elapsedTitle(*recordingElapsed_);
        tray_->setIcon(recordingIcon(title.trimmed()));
        tray_->setToolTip(title);
    } else {
        tray_->setIcon(Icons::icon("camera.viewfinder"));
        tray_->setToolTip(QStringLiteral("Glimpo"));
    }
}

void StatusItemController::rebuildMenu() {
    // Old items go later, not now: the one being triggered may still be on the stack.
    for (QAction* action : menu_->actions()) {
        menu_->removeAction(action);
        if (action->parent() == menu_.get()) {
            action->deleteLater();
        }
    }

    if (recordingElapsed_) {
        addItem(tr("Stop Recording"), &MenuActions::stopRecording);
        menu_->addSeparator();
    }
    addCaptureItems();
    menu_->addSeparator();
    addItem(tr("Open Save Folder"), &MenuActions::openSaveFolder);
    settingsItem_ = addItem(titleWithHint(tr("Settings…"), ShortcutLabels::shown(settingsKey).toStdString()),
                            &MenuActions::openSettings);
    menu_->addSeparator();

    quitItem_ = menu_->addAction(titleWithHint(tr("Quit Glimpo"), ShortcutLabels::shown(quitKey).toStdString()));
    connect(quitItem_, &QAction::triggered, this, [] { QCoreApplication::quit(); });
}

bool StatusItemController::eventFilter(QObject* watched, QEvent* event) {
    // The open menu holds the keyboard, so its keys are read here rather than as shortcuts.
    if (watched == menu_.get() && event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
        QAction* chosen = nullptr;
        if (modifiers == Qt::ControlModifier && key.key() == Qt::Key_Comma) chosen = settingsItem_;
        if (modifiers == Qt::ControlModifier && key.key() == Qt::Key_Q) chosen = quitItem_;
        if (chosen != nullptr) {
            menu_->hide();
            chosen->trigger();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void StatusItemController::addCaptureItems() {
    // The actions' titles, under which the hints come.
    const std::pair<const char*, ClosureMenuItem::Command> items[] = {
        {QT_TRANSLATE_NOOP("CaptureAction", "Capture Area"), &MenuActions::captureArea},
        {QT_TRANSLATE_NOOP("CaptureAction", "Capture Fullscreen"), &MenuActions::captureFullscreen},
        {QT_TRANSLATE_NOOP("CaptureAction", "Capture Window"), &MenuActions::captureWindow},
        {QT_TRANSLATE_NOOP("CaptureAction", "Capture Scrolling Area"), &MenuActions::captureScrollingArea},
        {QT_TRANSLATE_NOOP("CaptureAction", "Record Screen"), &MenuActions::startRecording},
        {QT_TRANSLATE_NOOP("CaptureAction", "Capture Text"), &MenuActions::captureText},
        {QT_TRANSLATE_NOOP("CaptureAction", "All-in-One"), &MenuActions::openAllInOne},
    };
    for (const auto& [title, command] : items) {
        const auto hint = shortcutHints_.find(title);
        const QString plain = QCoreApplication::translate("CaptureAction", title);
        const bool hinted = hint != shortcutHints_.end() && !hint->second.empty();
        addItem(hinted ? titleWithHint(plain, hint->second) : plain, command);
    }
}

QAction* StatusItemController::addItem(const QString& title, ClosureMenuItem::Command command) {
    // Owned by the menu; the next rebuild releases it.
    auto* item = new ClosureMenuItem(title, actions_, command, menu_.get());
    menu_->addAction(item);
    return item;
}
