#include "app/shortcuts/HotKeyRecorder.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/base/AppSettings.h"
#include "app/base/Observation.h"
#include "app/shortcuts/ShortcutLabels.h"
#include "app/widgets/Icons.h"
#include "kit/HotKeyBindings.h"

HotKeyRecorder::HotKeyRecorder(AppSettings& settings, kit::CaptureAction action, QWidget* parent)
    : HotKeyRecorder(settings, action, nullptr, parent) {}

HotKeyRecorder::HotKeyRecorder(AppSettings& settings, kit::CaptureAction action,
                               std::shared_ptr<const platform::x11::KeyboardLayout> keyboard, QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      action_(action),
      capture_(std::make_unique<HotKeyCapture>(std::move(keyboard))) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->addStretch(1);
    recordButton_ = new QPushButton(this);
    recordButton_->setObjectName("recordButton");
    recordButton_->setMinimumWidth(120);
    row->addWidget(recordButton_);
    removeButton_ = new QToolButton(this);
    removeButton_->setObjectName("removeButton");
    removeButton_->setAutoRaise(true);
    removeButton_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    removeButton_->setIcon(Icons::icon("xmark.circle.fill"));
    removeButton_->setText(tr("Remove Shortcut"));
    removeButton_->setAccessibleName(tr("Remove Shortcut"));
    removeButton_->setToolTip(tr("Remove shortcut"));
    // Reached by Tab like every control; a click leaves the keyboard where it was.
    removeButton_->setFocusPolicy(Qt::TabFocus);
    row->addWidget(removeButton_);
    column->addLayout(row);

    hintLabel_ = new QLabel(this);
    hintLabel_->setObjectName("hint");
    QFont caption = hintLabel_->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    hintLabel_->setFont(caption);
    hintLabel_->setForegroundRole(QPalette::PlaceholderText);
    column->addWidget(hintLabel_, 0, Qt::AlignRight);

    connect(recordButton_, &QPushButton::clicked, this, [this] { toggleRecording(); });
    connect(removeButton_, &QToolButton::clicked, this, [this] {
        // The button hides with the shortcut; the keyboard stays in this row.
        if (removeButton_->hasFocus()) recordButton_->setFocus(Qt::TabFocusReason);
        setCombination(std::nullopt);
    });

    connect(capture_.get(), &HotKeyCapture::captured, this,
            [this](const kit::HotKeyCombination& recorded) { setCombination(recorded); });
    observeChanges(this, [this] { refresh(); });
}

HotKeyRecorder::~HotKeyRecorder() { capture_->stop(); }

void HotKeyRecorder::hideEvent(QHideEvent* event) {
    // Leaving the screen ends the listening; the hint stays for when it comes back.
    capture_->stop();
    QWidget::hideEvent(event);
}

std::optional<kit::HotKeyCombination> HotKeyRecorder::combination() const {
    const auto bindings = kit::HotKeyBindings::active(settings_.hotKeyOverrides());
    const auto found = bindings.find(action_);
    if (found == bindings.end()) return std::nullopt;
    return found->second;
}

void HotKeyRecorder::setCombination(std::optional<kit::HotKeyCombination> combination) {
    settings_.setHotKeyOverride(action_, std::move(combination));
    refresh();
    emit changed();
}

QString HotKeyRecorder::buttonTitle() const {
    if (capture_->isRecording()) return tr("Press shortcut…");
    if (const auto current = combination()) return ShortcutLabels::shown(*current);
    return tr("Record Shortcut");
}

void HotKeyRecorder::toggleRecording() {
    if (capture_->isRecording()) {
        capture_->stop();
    } else {
        capture_->start();
    }
    refresh();
}

void HotKeyRecorder::refresh() {
    recordButton_->setText(buttonTitle());
    removeButton_->setVisible(combination().has_value());
    const auto& hint = capture_->hint();
    hintLabel_->setText(hint ? QString::fromStdString(*hint) : QString());
    hintLabel_->setVisible(hint.has_value());
}
