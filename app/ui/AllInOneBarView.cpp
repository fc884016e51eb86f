#include "app/ui/AllInOneBarView.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/base/AppSettings.h"
#include "app/base/Observation.h"
#include "app/widgets/Drawing.h"
#include "app/widgets/Icons.h"
#include "app/ui/ModeButton.h"

namespace {

// The glyph of a plain button in the secondary text colour.
QIcon secondary(const char* systemImage) {
    return Icons::painted([systemImage](QPainter& painter, const QRectF& area, const QColor&) {
        painter.setOpacity(0.6);
        Icons::icon(systemImage).paint(&painter, area.toAlignedRect());
    });
}

} // namespace

AllInOneBarView::AllInOneBarView(AppSettings& settings, QWidget* parent) : QWidget(parent), settings_(settings) {
    setFocusPolicy(Qt::ClickFocus);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(padding, padding, padding, padding);
    column->setSpacing(rowSpacing);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(makeModeRow(), 0, Qt::AlignHCenter);
    column->addWidget(makeOptionsRow(), 0, Qt::AlignHCenter);
    options_->setVisible(false);

    // The toggles show the settings as they are now, whoever changed them.
    observeChanges(this, [this] {
        const bool microphone = settings_.recordMicrophone();
        const bool systemAudio = settings_.recordSystemAudio();
        const QSignalBlocker quietMicrophone(microphone_);
        const QSignalBlocker quietSystemAudio(systemAudio_);
        microphone_->setChecked(microphone);
        systemAudio_->setChecked(systemAudio);
    });
}

QWidget* AllInOneBarView::makeModeRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(modeSpacing);
    auto capture = [this](kit::CaptureAction action) {
        return [this, action] { emit actions_.capture(action); };
    };
    const struct {
        const char* title;
        const char* glyph;
        std::function<void()> action;
    } modes[] = {
        {QT_TR_NOOP("Area"), "rectangle.dashed", capture(kit::CaptureAction::area)},
        {QT_TR_NOOP("Window"), "macwindow", capture(kit::CaptureAction::window)},
        {QT_TR_NOOP("Fullscreen"), "display", capture(kit::CaptureAction::fullscreen)},
        {QT_TR_NOOP("Record"), "record.circle", [this] { setShowsRecordingOptions(!showsRecordingOptions_); }},
        {QT_TR_NOOP("Text"), "text.viewfinder", capture(kit::CaptureAction::text)},
    };
    for (const auto& mode : modes) {
        auto* button = new ModeButton(tr(mode.title), mode.glyph, row);
        connect(button, &QAbstractButton::clicked, this, mode.action);
        modeButtons_.push_back(button);
        layout->addWidget(button);
    }
    recordButton_ = modeButtons_[3];
    layout->addWidget(makeDelayButton(row));

    // The divider is painted by the bar; this keeps its place with its margins.
    auto* divider = new QWidget(row);
    divider->setObjectName(QStringLiteral("divider"));
    divider->setFixedSize(2 * dividerMargin + 1, dividerHeight);
    divider->setAttribute(Qt::WA_TransparentForMouseEvents);
    layout->addWidget(divider);

    auto* close = new QToolButton(row);
    close->setAutoRaise(true);
    close->setIcon(secondary("xmark"));
    close->setIconSize(QSize(20, 20));
    close->setFixedSize(24, 24);
    close->setToolTip(tr("Close (Esc)"));
    close->setAccessibleName(tr("Close"));
    close->setFocusPolicy(Qt::TabFocus);
    connect(close, &QToolButton::clicked, &actions_, &AllInOneActions::close);
    closeButton_ = close;
    layout->addWidget(close);
    return row;
}

QWidget* AllInOneBarView::makeOptionsRow() {
    options_ = new QWidget(this);
    auto* layout = new QHBoxLayout(options_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(optionSpacing);

    auto* picker = new QWidget(options_);
    picker->setAccessibleName(tr("Record"));
    picker->setFixedWidth(pickerWidth);
    auto* segments = new QHBoxLayout(picker);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(0);
    auto* group = new QButtonGroup(picker);
    for (bool fullscreen : {false, true}) {
        auto* segment = new QPushButton(fullscreen ? tr("Fullscreen") : tr("Area"), picker);
        segment->setCheckable(true);
        segment->setChecked(fullscreen == recordsFullscreen_);
        segment->setFocusPolicy(Qt::TabFocus);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        group->addButton(segment);
        segments->addWidget(segment);
        connect(segment, &QPushButton::toggled, this, [this, fullscreen](bool on) {
            if (on) recordsFullscreen_ = fullscreen;
        });
        (fullscreen ? fullscreenSegment_ : areaSegment_) = segment;
    }
    group->setExclusive(true);
    layout->addWidget(picker);

    microphone_ = new QCheckBox(tr("Microphone"), options_);
    systemAudio_ = new QCheckBox(tr("System audio"), options_);
    for (QCheckBox* toggle : {microphone_, systemAudio_}) {
        toggle->setFocusPolicy(Qt::TabFocus);
        layout->addWidget(toggle);
    }
    connect(microphone_, &QCheckBox::toggled, this, [this](bool on) { settings_.setRecordMicrophone(on); });
    connect(systemAudio_, &QCheckBox::toggled, this, [this](bool on) { settings_.setRecordSystemAudio(on); });

    start_ = new QPushButton(tr("Start Recording"), options_);
    start_->setDefault(true);
    start_->setFocusPolicy(Qt::TabFocus);
    connect(start_, &QPushButton::clicked, this, [this] { emit actions_.record(recordsFullscreen_); });
    layout->addWidget(start_);
    return options_;
}

ModeButton* AllInOneBarView::makeDelayButton(QWidget* row) {
    delayButton_ = new ModeButton(QString(), "timer", row);
    delayButton_->setToolTip(tr("Wait before capturing"));
    delayMenu_ = new QMenu(delayButton_);
    auto* choices = new QActionGroup(delayMenu_);
    for (const int seconds : delayChoices) {
        QAction* choice = delayMenu_->addAction(seconds == 0 ? tr("No Delay") : tr("%n Second(s)", nullptr, seconds));
        choice->setCheckable(true);
        choice->setData(seconds);
        choices->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, seconds] { settings_.setCaptureDelaySeconds(seconds); });
    }
    // Above the button: the bar sits near the bottom of the screen.
    connect(delayButton_, &QAbstractButton::clicked, this, [this] {
        const QPoint corner = delayButton_->mapToGlobal(QPoint(0, 0));
        delayMenu_->popup(corner - QPoint(0, delayMenu_->sizeHint().height()));
    });
    observeChanges(this, [this] {
        const int seconds = settings_.captureDelaySeconds();
        delayButton_->setTitle(seconds == 0 ? tr("No Delay")
                                            //: The delay button's title: seconds, as short as "3 s".
                                            : tr("%1 s").arg(seconds));
        for (QAction* choice : delayMenu_->actions()) choice->setChecked(choice->data().toInt() == seconds);
        if (layout()) {
            // The row first: the bar's layout reads the row's size as the row's layout last set it.
            delayButton_->parentWidget()->layout()->activate();
            layout()->activate();
            emit fittingSizeChanged();
        }
    });
    return delayButton_;
}

void AllInOneBarView::setShowsRecordingOptions(bool shows) {
    if (shows == showsRecordingOptions_) return;
    showsRecordingOptions_ = shows;
    recordButton_->setSelected(shows);
    options_->setVisible(shows);
    layout()->activate();
    emit fittingSizeChanged();
}

QRegion AllInOneBarView::drawnShape(const QSize& size) {
    return Drawing::roundedShape(size, cornerRadius);
}

void AllInOneBarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colours = palette();
    Drawing::panelBackground(painter, *this, cornerRadius);

    if (const auto* divider = findChild<QWidget*>(QStringLiteral("divider"))) {
        const QRect place(divider->mapTo(this, QPoint(0, 0)), divider->size());
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Drawing::faint(colours, 0.22));
        painter.drawLine(place.center().x(), place.top(), place.center().x(), place.bottom());
    }
}

void AllInOneBarView::keyPressEvent(QKeyEvent* event) {
    // Return and Enter reach the bar from whichever of its controls has the focus.
    const bool confirm = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (confirm && showsRecordingOptions_ && !(event->modifiers() & ~Qt::KeypadModifier)) {
        start_->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
