#include "app/shortcuts/HotKeyRecorder.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

#include "app/base/AppSettings.h"
#include "app/base/Observation.h"
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
    removeButton_->setText("Remove Shortcut");
    removeButton_->setAccessibleName("Remove Shortcut");
    removeButton_->setToolTip("Remove shortcut");
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
    // A sentence that names a key and where to free it needs more than one line.
    hintLabel_->setWordWrap(true);
    hintLabel_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    column->addWidget(hintLabel_);

    conflictButtons_ = new QWidget(this);
    auto* choices = new QHBoxLayout(conflictButtons_);
    choices->setContentsMargins(0, 0, 0, 0);
    choices->addStretch(1);
    moveButton_ = new QPushButton(tr("Move Here"), conflictButtons_);
    moveButton_->setObjectName("moveButton");
    keepListeningButton_ = new QPushButton(tr("Keep Listening"), conflictButtons_);
    keepListeningButton_->setObjectName("keepListeningButton");
    choices->addWidget(moveButton_);
    choices->addWidget(keepListeningButton_);
    column->addWidget(conflictButtons_);
    connect(moveButton_, &QPushButton::clicked, this, [this] { moveHere(); });
    connect(keepListeningButton_, &QPushButton::clicked, this, [this] { keepListening(); });

    connect(recordButton_, &QPushButton::clicked, this, [this] { toggleRecording(); });
    connect(removeButton_, &QToolButton::clicked, this, [this] {
        // The button hides with the shortcut; the keyboard stays in this row.
        if (removeButton_->hasFocus()) recordButton_->setFocus(Qt::TabFocusReason);
        setCombination(std::nullopt);
    });

    connect(capture_.get(), &HotKeyCapture::captured, this,
            [this](const kit::HotKeyCombination& combination) { recorded(combination); });
    observeChanges(this, [this] { refresh(); });
}

HotKeyRecorder::~HotKeyRecorder() { capture_->stop(); }

void HotKeyRecorder::hideEvent(QHideEvent* event) {
    // Leaving the screen ends the listening; the hint stays for when it comes back, an offer to
    // move a shortcut does not.
    capture_->stop();
    conflict_.reset();
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
    if (capture_->isRecording()) return QString::fromUtf8("Press shortcut\u2026");
    if (const auto current = combination()) return QString::fromStdString(current->displayString());
    return "Record Shortcut";
}

void HotKeyRecorder::toggleRecording() {
    conflict_.reset();
    if (capture_->isRecording()) {
        capture_->stop();
    } else {
        capture_->start();
    }
    refresh();
}

void HotKeyRecorder::recorded(const kit::HotKeyCombination& combination) {
    const auto owner =
        kit::HotKeyBindings::otherOwner(kit::HotKeyBindings::active(settings_.hotKeyOverrides()), action_, combination);
    if (!owner) {
        conflict_.reset();
        setCombination(combination);
        return;
    }
    conflict_ = Conflict{*owner, combination};
    refresh();
    // The keyboard lands on the choice that changes nothing.
    keepListeningButton_->setFocus(Qt::OtherFocusReason);
}

void HotKeyRecorder::moveHere() {
    if (!conflict_) return;
    const Conflict moved = *std::exchange(conflict_, std::nullopt);
    // One write, so the shortcuts are registered once, with the shortcut in its new place only.
    kit::HotKeyOverrides overrides = settings_.hotKeyOverrides();
    overrides.insert_or_assign(moved.owner, std::nullopt);
    overrides.insert_or_assign(action_, moved.combination);
    settings_.setHotKeyOverrides(std::move(overrides));
    recordButton_->setFocus(Qt::OtherFocusReason);
    refresh();
    emit changed();
}

void HotKeyRecorder::keepListening() {
    conflict_.reset();
    capture_->start();
    recordButton_->setFocus(Qt::OtherFocusReason);
    refresh();
}

void HotKeyRecorder::refresh() {
    recordButton_->setText(buttonTitle());
    removeButton_->setVisible(combination().has_value());
    const auto& hint = capture_->hint();
    QString text = hint ? QString::fromStdString(*hint) : QString();
    if (conflict_) text = tr("Already used by %1.").arg(QString::fromUtf8(conflict_->owner.title()));
    hintLabel_->setText(text);
    hintLabel_->setVisible(!text.isEmpty());
    conflictButtons_->setVisible(conflict_.has_value());
}
