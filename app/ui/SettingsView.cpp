#include "app/ui/SettingsView.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>

#include "app/base/AppSettings.h"
#include "app/base/BaseDirectories.h"
#include "app/base/Observation.h"
#include "app/ui/SetupControls.h"
#include "app/setup/SetupGuide.h"

namespace fs = std::filesystem;

namespace {

constexpr int minimumSeconds = 3;
constexpr int maximumSeconds = 30;

QString decoded(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

// The folder as a person names it: inside the home folder from "~".
QString shownPath(const fs::path& folder) {
    const auto normal = [](const fs::path& path) {
        fs::path result = path.lexically_normal();
        // "/home/me/" names the same folder as "/home/me".
        return result.has_relative_path() && result.filename().empty() ? result.parent_path() : result;
    };
    const fs::path inHome = normal(folder).lexically_relative(normal(BaseDirectories::home()));
    if (inHome.empty() || *inHome.begin() == "..") return decoded(normal(folder));
    if (inHome == ".") return QStringLiteral("~");
    return QStringLiteral("~/") + decoded(inHome);
}

// Wide enough for a few folders, short enough to leave the button its room.
constexpr int folderPathWidth = 240;

QFormLayout* sectionForm(QGroupBox* section) {
    auto* form = new QFormLayout(section);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(10);
    return form;
}

// A form field pushed to the trailing edge, as grouped forms place their controls.
QWidget* trailing(std::initializer_list<QWidget*> widgets, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addStretch(1);
    for (QWidget* widget : widgets) {
        widget->setParent(box);
        layout->addWidget(widget);
    }
    return box;
}

QLabel* coloredLabel(const QString& text, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    SetupStyle::setTextColor(*label, color);
    return label;
}

const QColor red(255, 59, 48);
const QColor orange(255, 149, 0);

} // namespace

SettingsView::SettingsView(AppSettings& settings, SetupGuide& guide, RecorderFactory makeRecorder, Failures failures,
                           FolderChooser chooseFolder, QWidget* parent)
    : QWidget(parent), settings_(settings), guide_(guide), folderChooser_(std::move(chooseFolder)) {
    setFixedWidth(480);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(10);
    addGeneralSection(*column);
    addShortcutSection(*column, std::move(makeRecorder), std::move(failures));
    addWelcomeSection(*column);
    column->addStretch(1);
}

void SettingsView::addGeneralSection(QVBoxLayout& column) {
    auto* general = new QGroupBox(this);
    general->setObjectName(QStringLiteral("general"));
    QFormLayout* form = sectionForm(general);

    auto* folderName = new QLabel(general);
    folderName->setObjectName(QStringLiteral("saveFolderName"));
    SetupStyle::makeSecondary(*folderName);
    auto* choose = new QPushButton(QStringLiteral("Choose…"), general);
    form->addRow(QStringLiteral("Save to"), trailing({folderName, choose}, general));
    connect(choose, &QPushButton::clicked, this, [this] { this->chooseFolder(); });

    auto* seconds = new QSpinBox(general);
    seconds->setObjectName(QStringLiteral("thumbnailSeconds"));
    seconds->setRange(minimumSeconds, maximumSeconds);
    seconds->setSingleStep(1);
    seconds->setSuffix(QStringLiteral(" s"));
    // Typing "1" on the way to "15" must not store 3 seconds.
    seconds->setKeyboardTracking(false);
    form->addRow(QStringLiteral("Thumbnail stays for"), trailing({seconds}, general));
    AppSettings& settings = settings_;
    connect(seconds, &QSpinBox::valueChanged, this, [&settings](int value) { settings.setThumbnailSeconds(value); });
    // Said where the time is chosen: "Save to" reads as if every capture went there.
    auto* discarded = new QLabel(tr("Captures you don't save are discarded when their thumbnail closes."), general);
    discarded->setObjectName(QStringLiteral("discardNote"));
    discarded->setWordWrap(true);
    discarded->setFont(SetupStyle::caption(discarded->font()));
    SetupStyle::makeSecondary(*discarded);
    form->addRow(discarded);
    auto* autoSave = new QCheckBox(tr("Save captures automatically"), general);
    form->addRow(autoSave);
    connect(autoSave, &QCheckBox::clicked, this, [&settings](bool on) { settings.setSavesAutomatically(on); });

    auto* sounds = new QCheckBox(QStringLiteral("Play sounds"), general);
    form->addRow(sounds);
    connect(sounds, &QCheckBox::clicked, this, [&settings](bool on) { settings.setPlaysSounds(on); });

    SetupGuide& guide = guide_;
    auto* login = new QCheckBox(QStringLiteral("Open at login"), general);
    form->addRow(login);
    const auto showLoginItem = [&guide, login] {
        const QSignalBlocker quiet(login);
        login->setChecked(guide.loginItem() != LaunchAtLogin::State::off);
    };
    connect(login, &QCheckBox::clicked, this, [&guide, showLoginItem](bool on) {
        guide.setLaunchAtLogin(on);
        // A refused change leaves the state as it was, which no observer hears about.
        showLoginItem();
    });

    column.addWidget(general);
    QLabel* loginError = coloredLabel(QString(), red, this);
    loginError->setObjectName(QStringLiteral("errorMessage"));
    column.addWidget(loginError);

    // Each observation reads only what its widgets show, so each re-runs only for its own changes.
    observeChanges(this, [&settings, folderName] {
        const QString path = shownPath(settings.saveFolder());
        folderName->setText(folderName->fontMetrics().elidedText(path, Qt::ElideMiddle, folderPathWidth));
        folderName->setToolTip(decoded(settings.saveFolder()));
    });
    observeChanges(this, [&settings, seconds] {
        const QSignalBlocker quiet(seconds);
        // Whole seconds; a stored value outside the range is shown clamped but not rewritten.
        seconds->setValue(static_cast<int>(std::trunc(settings.thumbnailSeconds())));
    });
    observeChanges(this, [&settings, autoSave, discarded] {
        const QSignalBlocker quiet(autoSave);
        autoSave->setChecked(settings.savesAutomatically());
        discarded->setVisible(!settings.savesAutomatically());
    });
    observeChanges(this, [&settings, sounds] {
        const QSignalBlocker quiet(sounds);
        sounds->setChecked(settings.playsSounds());
    });
    observeChanges(this, [showLoginItem] {
        showLoginItem();
    });
    observeChanges(this, [&guide, loginError] {
        const auto& message = guide.errorMessage();
        loginError->setText(message ? QString::fromStdString(*message) : QString());
        loginError->setVisible(message.has_value());
    });
}

void SettingsView::addShortcutSection(QVBoxLayout& column, RecorderFactory makeRecorder, Failures failures) {
    auto* shortcuts = new QGroupBox(QStringLiteral("Keyboard Shortcuts"), this);
    shortcuts->setObjectName(QStringLiteral("shortcuts"));
    QFormLayout* form = sectionForm(shortcuts);
    auto failureLabels = std::make_shared<std::map<kit::CaptureAction, QLabel*>>();
    for (const kit::CaptureAction action : kit::CaptureAction::allCases()) {
        auto* cell = new QWidget(shortcuts);
        auto* cellLayout = new QVBoxLayout(cell);
        cellLayout->setContentsMargins(0, 0, 0, 0);
        cellLayout->setSpacing(2);
        if (QWidget* recorder = makeRecorder ? makeRecorder(action, cell) : nullptr) {
            recorder->setParent(cell);
            recorder->setObjectName(QStringLiteral("recorder-%1").arg(QString::fromUtf8(action.rawValue())));
            // The whole width, so its hint can wrap; its buttons keep to the trailing edge.
            cellLayout->addWidget(recorder);
        }
        QLabel* failure = coloredLabel(QString(), red, cell);
        failure->setObjectName(QStringLiteral("failure-%1").arg(QString::fromUtf8(action.rawValue())));
        failure->setFont(SetupStyle::caption(failure->font()));
        failure->setAlignment(Qt::AlignRight | Qt::AlignTop);
        failure->hide();
        cellLayout->addWidget(failure);
        (*failureLabels)[action] = failure;
        form->addRow(QString::fromUtf8(action.title()), cell);
    }
    column.addWidget(shortcuts);

    SetupGuide& guide = guide_;
    auto* warning = new QWidget(this);
    warning->setObjectName(QStringLiteral("conflictWarning"));
    auto* warningLayout = new QVBoxLayout(warning);
    warningLayout->setContentsMargins(0, 0, 0, 0);
    warningLayout->setSpacing(6);
    warningLayout->addWidget(
        coloredLabel(QStringLiteral("The desktop still uses some of these shortcuts for its own screenshots."), orange,
                     warning));
    auto* openShortcuts = new QPushButton(QStringLiteral("Open Keyboard Shortcuts…"), warning);
    warningLayout->addWidget(openShortcuts, 0, Qt::AlignLeft);
    connect(openShortcuts, &QPushButton::clicked, this, [&guide] { guide.openKeyboardShortcuts(); });
    column.addWidget(warning);

    observeChanges(this, [failures, failureLabels] {
        const auto messages = failures ? failures() : std::map<kit::CaptureAction, std::string>{};
        for (const auto& [action, label] : *failureLabels) {
            const auto message = messages.find(action);
            label->setText(message != messages.end() ? QString::fromStdString(message->second) : QString());
            label->setVisible(message != messages.end());
        }
    });
    // The desktop's settings may name a key that it no longer holds (or a desktop that isn't
    // running): only a shortcut that is refused now is still the desktop's.
    observeChanges(this, [&guide, warning, failures = std::move(failures)] {
        const auto messages = failures ? failures() : std::map<kit::CaptureAction, std::string>{};
        const auto& conflicts = guide.systemShortcutConflicts();
        warning->setVisible(std::any_of(conflicts.begin(), conflicts.end(),
                                        [&](kit::CaptureAction action) { return messages.contains(action); }));
    });
    // The recorders store their edits in the settings; the conflict state follows each of them.
    observeChanges(this, [&settings = settings_, &guide, seen = std::make_shared<bool>(false)] {
        settings.hotKeyOverrides();
        if (*seen) guide.refresh();
        *seen = true;
    });
}

void SettingsView::addWelcomeSection(QVBoxLayout& column) {
    auto* more = new QGroupBox(this);
    auto* moreLayout = new QHBoxLayout(more);
    auto* showWelcome = new QPushButton(QStringLiteral("Show Welcome Guide…"), more);
    moreLayout->addWidget(showWelcome, 0, Qt::AlignLeft);
    connect(showWelcome, &QPushButton::clicked, this, &SettingsView::welcomeRequested);
    column.addWidget(more);
}

void SettingsView::chooseFolder() {
    if (!folderChooser_) return;
    const QPointer<SettingsView> alive(this);
    const auto chosen = folderChooser_(this, settings_.saveFolder());
    // The dialog ran its own event loop; the window may have gone meanwhile.
    if (!alive || !chosen || chosen->empty()) return;
    settings_.setSaveFolder(*chosen);
}

std::optional<fs::path> SettingsView::chooseFolderWithDialog(QWidget* parent, const fs::path& start) {
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    // The desktop's own dialog would ignore the prompt.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Choose"));
    dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(start.string())));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList selected = dialog.selectedFiles();
    if (selected.isEmpty()) return std::nullopt;
    return fs::path(QFile::encodeName(selected.front()).toStdString());
}
