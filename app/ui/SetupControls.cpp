#include "app/ui/SetupControls.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/base/Observation.h"
#include "app/shortcuts/ShortcutLabels.h"
#include "app/widgets/Icons.h"
#include "app/setup/SetupGuide.h"

namespace SetupStyle {

namespace {

QFont scaled(const QFont& body, double factor) {
    QFont font = body;
    if (body.pointSizeF() > 0) {
        font.setPointSizeF(body.pointSizeF() * factor);
    } else if (body.pixelSize() > 0) {
        font.setPixelSize(qRound(body.pixelSize() * factor));
    }
    return font;
}

} // namespace

// The factors are the platform's text styles against its 13-point body text.
QFont headline(const QFont& body) {
    QFont font = body;
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont callout(const QFont& body) { return scaled(body, 12.0 / 13.0); }

QFont caption(const QFont& body) { return scaled(body, 10.0 / 13.0); }

QFont title2(const QFont& body) { return scaled(body, 17.0 / 13.0); }

void setTextColor(QWidget& widget, const QColor& color) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    widget.setPalette(palette);
}

void makeSecondary(QWidget& widget) {
    QColor color = widget.palette().color(QPalette::WindowText);
    color.setAlphaF(0.6f);
    setTextColor(widget, color);
}

QWidget* glyphLabel(const char* systemImage, const QString& text, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* glyph = new QLabel(box);
    const int side = box->fontMetrics().height();
    glyph->setPixmap(Icons::icon(systemImage).pixmap(side, side));
    auto* label = new QLabel(text, box);
    label->setObjectName(QStringLiteral("text"));
    layout->addWidget(glyph);
    layout->addWidget(label);
    layout->addStretch(1);
    makeSecondary(*box);
    return box;
}

} // namespace SetupStyle

namespace {

// A button and, beside it, a hint in the callout font.
QWidget* buttonWithHint(QPushButton* button, const QString& hint, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    button->setParent(box);
    layout->addWidget(button);
    auto* text = new QLabel(hint, box);
    text->setFont(SetupStyle::callout(text->font()));
    SetupStyle::makeSecondary(*text);
    layout->addWidget(text);
    layout->addStretch(1);
    return box;
}

QHBoxLayout* bareRow(QWidget* owner) {
    auto* layout = new QHBoxLayout(owner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

// A button with a line of secondary text under it, shown while a step still asks for something.
QWidget* buttonOverHint(QPushButton* button, const QString& text, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    auto* hint = new QLabel(text, box);
    hint->setObjectName(QStringLiteral("commandLineHint"));
    hint->setWordWrap(true);
    hint->setFont(SetupStyle::callout(hint->font()));
    SetupStyle::makeSecondary(*hint);
    column->addWidget(button, 0, Qt::AlignLeft);
    column->addWidget(hint);
    return box;
}

} // namespace

ScreenRecordingControls::ScreenRecordingControls(SetupGuide& guide, QWidget* parent) : QWidget(parent) {
    auto* layout = bareRow(this);
    QWidget* allowed = SetupStyle::glyphLabel("checkmark", tr("Allowed"), this);
    auto* open = new QPushButton(tr("Open Privacy Settings…"));
    QWidget* asking = buttonWithHint(open, tr("Turn on Glimpo, then reopen it."), this);
    layout->addWidget(allowed);
    layout->addWidget(asking);
    connect(open, &QPushButton::clicked, this, [&guide] { guide.openScreenRecordingSettings(); });
    observeChanges(this, [&guide, allowed, asking] {
        const bool granted = guide.screenRecordingGranted();
        allowed->setVisible(granted);
        asking->setVisible(!granted);
    });
}

SystemShortcutControls::SystemShortcutControls(SetupGuide& guide, QWidget* parent) : QWidget(parent) {
    auto* layout = bareRow(this);
    QWidget* clear = SetupStyle::glyphLabel("checkmark", tr("Glimpo has the shortcuts"), this);
    // Desktops that keep their screenshot keys can still drive Glimpo through its command line.
    auto* open = new QPushButton(tr("Open Keyboard Shortcuts…"), this);
    QWidget* asking = buttonOverHint(
        open,
        tr("Where the desktop keeps a key for itself, set it to run a command such as glimpo --area (glimpo --help "
           "lists them)."),
        this);
    layout->addWidget(clear);
    layout->addWidget(asking, 1);
    connect(open, &QPushButton::clicked, this, [&guide] { guide.openKeyboardShortcuts(); });
    observeChanges(this, [&guide, clear, asking] {
        const bool noConflicts = guide.systemShortcutConflicts().empty();
        clear->setVisible(noConflicts);
        asking->setVisible(!noConflicts);
    });
}

CommandShortcutControls::CommandShortcutControls(SetupGuide& guide, QWidget* parent) : QWidget(parent) {
    auto* layout = bareRow(this);
    QWidget* bound = SetupStyle::glyphLabel("checkmark", tr("Glimpo's shortcuts are set"), this);
    const bool adds = guide.canBindCommandShortcuts();
    auto* act = new QPushButton(adds ? tr("Add Shortcuts") : tr("Open Keyboard Shortcuts…"), this);
    const auto shown = [](kit::CaptureAction action) {
        return ShortcutLabels::shown(action.defaultHotKey().value_or(kit::HotKeyCombination{}));
    };
    QWidget* asking = buttonOverHint(
        act,
        adds ? tr("Adds %1, %2 and %3 to GNOME's custom shortcuts.")
                   .arg(shown(kit::CaptureAction::fullscreen), shown(kit::CaptureAction::area),
                        shown(kit::CaptureAction::allInOne))
             : tr("Add shortcuts that run glimpo --area, glimpo --fullscreen and glimpo --bar (glimpo --help lists "
                  "every action)."),
        this);
    layout->addWidget(bound);
    layout->addWidget(asking, 1);
    connect(act, &QPushButton::clicked, this, [&guide, adds] {
        if (adds) {
            guide.bindCommandShortcuts();
        } else {
            guide.openKeyboardShortcuts();
        }
    });
    observeChanges(this, [&guide, bound, asking] {
        const bool done = guide.commandShortcutsBound();
        bound->setVisible(done);
        asking->setVisible(!done);
    });
}

MicrophoneControls::MicrophoneControls(SetupGuide& guide, QWidget* parent) : QWidget(parent) {
    auto* layout = bareRow(this);
    QWidget* allowed = SetupStyle::glyphLabel("checkmark", tr("Allowed"), this);
    auto* open = new QPushButton(tr("Open Microphone Settings…"), this);
    layout->addWidget(allowed);
    layout->addWidget(open);
    layout->addStretch(1);
    connect(open, &QPushButton::clicked, this, [&guide] { guide.requestMicrophone(); });
    guide.watchMicrophone();
    observeChanges(this, [&guide, allowed, open] {
        const MicrophoneAuthorization status = guide.microphone();
        allowed->setVisible(status == MicrophoneAuthorization::authorized);
        open->setVisible(status == MicrophoneAuthorization::denied || status == MicrophoneAuthorization::restricted);
    });
}

LoginItemControls::LoginItemControls(SetupGuide& guide, QWidget* parent) : QWidget(parent) {
    auto* layout = bareRow(this);
    auto* enable = new QPushButton(tr("Enable"), this);
    auto* disable = new QPushButton(tr("Disable"), this);
    layout->addWidget(enable);
    layout->addWidget(disable);
    layout->addStretch(1);
    connect(enable, &QPushButton::clicked, this, [&guide] { guide.setLaunchAtLogin(true); });
    connect(disable, &QPushButton::clicked, this, [&guide] { guide.setLaunchAtLogin(false); });
    observeChanges(this, [&guide, enable, disable] {
        const LaunchAtLogin::State state = guide.loginItem();
        enable->setVisible(state == LaunchAtLogin::State::off);
        disable->setVisible(state == LaunchAtLogin::State::on);
    });
}

namespace {

QString badgeName(int number, bool done) {
    return done ? StepBadge::tr("Step %1, done").arg(number) : StepBadge::tr("Step %1").arg(number);
}

} // namespace

StepBadge::StepBadge(int number, bool isDone, QWidget* parent) : QWidget(parent), number_(number), isDone_(isDone) {
    setFixedSize(26, 26);
    setAccessibleName(badgeName(number_, isDone_));
}

void StepBadge::setDone(bool done) {
    if (done == isDone_) return;
    isDone_ = done;
    setAccessibleName(badgeName(number_, isDone_));
    update();
}

QSize StepBadge::sizeHint() const { return {26, 26}; }

void StepBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QColor accent = palette().color(QPalette::Highlight);
    QColor fill = isDone_ ? QColor(52, 199, 89) : accent;
    if (!isDone_) fill.setAlphaF(0.15f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(circle);

    if (isDone_) {
        // Drawn rather than taken from the theme: it must be white on green whatever the theme.
        QPen pen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        QPainterPath tick;
        tick.moveTo(circle.left() + circle.width() * 0.30, circle.top() + circle.height() * 0.52);
        tick.lineTo(circle.left() + circle.width() * 0.44, circle.top() + circle.height() * 0.66);
        tick.lineTo(circle.left() + circle.width() * 0.71, circle.top() + circle.height() * 0.36);
        painter.drawPath(tick);
        return;
    }
    QFont font = this->font();
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(accent);
    painter.drawText(rect(), Qt::AlignCenter, QString::number(number_));
}

SetupStepRow::SetupStepRow(int number, const QString& title, const QString& detail, std::function<bool()> isDone,
                           QWidget* controls, QWidget* parent)
    : QWidget(parent), badge_(new StepBadge(number, false, this)), controls_(controls) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    row->addWidget(badge_, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout();
    column->setSpacing(4);
    auto* titleLabel = new QLabel(title, this);
    titleLabel->setObjectName(QStringLiteral("title"));
    titleLabel->setFont(SetupStyle::headline(titleLabel->font()));
    auto* detailLabel = new QLabel(detail, this);
    detailLabel->setObjectName(QStringLiteral("detail"));
    detailLabel->setFont(SetupStyle::callout(detailLabel->font()));
    detailLabel->setWordWrap(true);
    SetupStyle::makeSecondary(*detailLabel);
    column->addWidget(titleLabel);
    column->addWidget(detailLabel);
    column->addSpacing(4);
    controls_->setParent(this);
    column->addWidget(controls_);
    row->addLayout(column, 1);

    observeChanges(this, [badge = badge_, isDone = std::move(isDone)] { badge->setDone(isDone()); });
}
