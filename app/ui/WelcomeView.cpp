#include "app/ui/WelcomeView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/base/Observation.h"
#include "app/widgets/Icons.h"
#include "app/ui/SetupControls.h"
#include "app/setup/SetupGuide.h"

namespace {

QIcon applicationIcon() {
    if (const QIcon icon = QApplication::windowIcon(); !icon.isNull()) return icon;
    if (const QIcon icon = QIcon::fromTheme(QStringLiteral("org.glimpo.Glimpo")); !icon.isNull()) return icon;
    return Icons::icon("camera.viewfinder");
}

QWidget* header(QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(16);
    auto* icon = new QLabel(box);
    icon->setObjectName(QStringLiteral("appIcon"));
    icon->setFixedSize(64, 64);
    icon->setPixmap(applicationIcon().pixmap(64, 64));
    row->addWidget(icon, 0, Qt::AlignTop);

    auto* column = new QVBoxLayout();
    column->setSpacing(4);
    auto* title = new QLabel(QStringLiteral("Welcome to Glimpo"), box);
    QFont titleFont = SetupStyle::title2(title->font());
    titleFont.setBold(true);
    title->setFont(titleFont);
    auto* subtitle = new QLabel(
        QStringLiteral("Screenshots and recordings from the menu bar. Two steps are required, the others are optional."),
        box);
    subtitle->setWordWrap(true);
    SetupStyle::makeSecondary(*subtitle);
    column->addWidget(title);
    column->addWidget(subtitle);
    column->addStretch(1);
    row->addLayout(column, 1);
    return box;
}

} // namespace

WelcomeView::WelcomeView(SetupGuide& guide, QWidget* parent) : QWidget(parent) {
    setFixedWidth(520);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(28, 28, 28, 28);
    column->setSpacing(22);
    column->addWidget(header(this));

    column->addWidget(new SetupStepRow(
        1, QStringLiteral("Allow Screen Recording"),
        QStringLiteral("Glimpo needs it to take screenshots and recordings. Nothing leaves your computer."),
        [&guide] { return guide.screenRecordingGranted(); }, new ScreenRecordingControls(guide), this));
    // The desktop's own shortcuts carry Glimpo's actions wherever Glimpo can't take keys itself,
    // which a shortcuts portal may only tell after a while.
    auto* commandStep = new SetupStepRow(
        2, QStringLiteral("Add Glimpo to the desktop's shortcuts"),
        QStringLiteral("In a Wayland session the desktop keeps the keyboard: its own shortcuts run Glimpo."),
        [&guide] { return guide.commandShortcutsBound(); }, new CommandShortcutControls(guide), this);
    auto* conflictStep = new SetupStepRow(
        2, QStringLiteral("Turn off the desktop's screenshot shortcuts"),
        QStringLiteral("Glimpo uses ⇧⌘3, ⇧⌘4 and ⇧⌘5. Turn off the \"Screenshots\" shortcuts in Keyboard Shortcuts."),
        [&guide] { return guide.systemShortcutConflicts().empty(); }, new SystemShortcutControls(guide), this);
    column->addWidget(commandStep);
    column->addWidget(conflictStep);
    observeChanges(this, [&guide, commandStep, conflictStep] {
        const bool desktopBinds = guide.desktopBindsKeys();
        commandStep->setVisible(desktopBinds);
        conflictStep->setVisible(!desktopBinds);
    });
    column->addWidget(new SetupStepRow(
        3, QStringLiteral("Microphone (optional)"), QStringLiteral("Only needed to record your voice with screen recordings."),
        [&guide] { return guide.microphone() == MicrophoneAuthorization::authorized; }, new MicrophoneControls(guide),
        this));
    column->addWidget(new SetupStepRow(
        4, QStringLiteral("Open at login"), QStringLiteral("Keep Glimpo ready in the menu bar after a restart."),
        [&guide] { return guide.loginItem() == LaunchAtLogin::State::on; }, new LoginItemControls(guide), this));

    auto* error = new QLabel(this);
    error->setObjectName(QStringLiteral("errorMessage"));
    error->setWordWrap(true);
    error->setFont(SetupStyle::callout(error->font()));
    SetupStyle::setTextColor(*error, QColor(255, 59, 48));
    column->addWidget(error);
    observeChanges(this, [&guide, error] {
        const auto& message = guide.errorMessage();
        error->setText(message ? QString::fromStdString(*message) : QString());
        error->setVisible(message.has_value());
    });

    auto* footer = new QHBoxLayout();
    footer->setSpacing(8);
    QWidget* hint = SetupStyle::glyphLabel("camera.viewfinder", QStringLiteral("Press ⇧⌘4 to capture an area."), this);
    hint->setFont(SetupStyle::callout(hint->font()));
    footer->addWidget(hint, 1);
    auto* doneButton = new QPushButton(QStringLiteral("Done"), this);
    doneButton->setDefault(true);
    footer->addWidget(doneButton);
    column->addLayout(footer);

    connect(doneButton, &QPushButton::clicked, this, &WelcomeView::done);
    // Outside a dialog a default button doesn't answer Return by itself.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, &WelcomeView::done);
    }
}
