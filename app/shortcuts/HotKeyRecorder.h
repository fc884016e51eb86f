#pragma once
// The control that edits one action's shortcut: a button showing the shortcut in force that,
// when clicked, records the next key press; a button that removes the shortcut; and the hint
// under them when a press was refused. A shortcut another action already has is not taken: the
// control names that action and offers to move the shortcut here or to keep listening.
// Main thread only.

#include <memory>
#include <optional>

#include <QWidget>

#include "app/platform/x11/KeyboardLayout.h"
#include "app/shortcuts/HotKeyCapture.h"
#include "kit/CaptureVocabulary.h"
#include "kit/HotKeyCombination.h"

class AppSettings;
class QLabel;
class QPushButton;
class QToolButton;

class HotKeyRecorder : public QWidget {
    Q_OBJECT

public:
    HotKeyRecorder(AppSettings& settings, kit::CaptureAction action, QWidget* parent = nullptr);
    HotKeyRecorder(AppSettings& settings, kit::CaptureAction action,
                   std::shared_ptr<const platform::x11::KeyboardLayout> keyboard, QWidget* parent = nullptr);
    ~HotKeyRecorder() override;

    HotKeyCapture& capture() { return *capture_; }

    // The parts, named "recordButton", "removeButton", "hint", "moveButton" and
    // "keepListeningButton".
    QPushButton* recordButton() const { return recordButton_; }
    QToolButton* removeButton() const { return removeButton_; }
    QLabel* hintLabel() const { return hintLabel_; }
    QPushButton* moveButton() const { return moveButton_; }
    QPushButton* keepListeningButton() const { return keepListeningButton_; }

signals:
    // After each edit of the shortcut.
    void changed();

protected:
    void hideEvent(QHideEvent* event) override;

private:
    // A recorded shortcut that `owner` has already.
    struct Conflict {
        kit::CaptureAction owner;
        kit::HotKeyCombination combination;
    };

    // The action's shortcut in force; writing it stores an override.
    std::optional<kit::HotKeyCombination> combination() const;
    void setCombination(std::optional<kit::HotKeyCombination> combination);
    QString buttonTitle() const;
    void toggleRecording();
    void recorded(const kit::HotKeyCombination& combination);
    // Takes the shortcut from the action that has it, which is left without one.
    void moveHere();
    void keepListening();
    void refresh();

    AppSettings& settings_;
    kit::CaptureAction action_;
    std::unique_ptr<HotKeyCapture> capture_;
    QPushButton* recordButton_ = nullptr;
    QToolButton* removeButton_ = nullptr;
    QLabel* hintLabel_ = nullptr;
    QWidget* conflictButtons_ = nullptr;
    QPushButton* moveButton_ = nullptr;
    QPushButton* keepListeningButton_ = nullptr;
    std::optional<Conflict> conflict_;
};
