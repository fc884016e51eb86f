#pragma once
// The pieces the welcome and settings windows build the setup steps from: one control per step,
// each following the guide as it changes, the row that lays a step out, and its numbered badge.

#include <QString>
#include <QWidget>

#include <functional>

class QFont;
class QLabel;
class SetupGuide;

namespace SetupStyle {
// The platform's text styles, relative to the widget's own font.
QFont headline(const QFont& body);
QFont callout(const QFont& body);
QFont caption(const QFont& body);
QFont title2(const QFont& body);
// Dimmed text for what explains rather than acts.
void makeSecondary(QWidget& widget);
void setTextColor(QWidget& widget, const QColor& color);
// A label preceded by a glyph ("checkmark", "camera.viewfinder").
QWidget* glyphLabel(const char* systemImage, const QString& text, QWidget* parent = nullptr);
} // namespace SetupStyle

// "Allowed", or the button that opens the screen recording settings with its hint.
class ScreenRecordingControls : public QWidget {
    Q_OBJECT

public:
    explicit ScreenRecordingControls(SetupGuide& guide, QWidget* parent = nullptr);
};

// "Glimpo has the shortcuts", or the button that opens the desktop's keyboard shortcuts.
class SystemShortcutControls : public QWidget {
    Q_OBJECT

public:
    explicit SystemShortcutControls(SetupGuide& guide, QWidget* parent = nullptr);
};

// Where the desktop owns global keys: "Glimpo's shortcuts are set", or the button that adds them
// (GNOME), or the button that opens the desktop's keyboard shortcuts with the commands to bind.
class CommandShortcutControls : public QWidget {
    Q_OBJECT

public:
    explicit CommandShortcutControls(SetupGuide& guide, QWidget* parent = nullptr);
};

// "Allowed", or the button that opens the microphone settings.
class MicrophoneControls : public QWidget {
    Q_OBJECT

public:
    explicit MicrophoneControls(SetupGuide& guide, QWidget* parent = nullptr);
};

// "Enable" or "Disable".
class LoginItemControls : public QWidget {
    Q_OBJECT

public:
    explicit LoginItemControls(SetupGuide& guide, QWidget* parent = nullptr);
};

// A 26 by 26 circle: the step's number on the accent colour, or a white check mark on green
// once done. Its accessible name reads "Step 2" or "Step 2, done".
class StepBadge : public QWidget {
    Q_OBJECT

public:
    explicit StepBadge(int number, bool isDone = false, QWidget* parent = nullptr);

    int number() const { return number_; }
    bool isDone() const { return isDone_; }
    void setDone(bool done);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int number_;
    bool isDone_;
};

// One setup step: the badge beside the title, the detail and the step's controls. The badge
// follows `isDone`, re-read whenever what it reads changes.
class SetupStepRow : public QWidget {
    Q_OBJECT

public:
    SetupStepRow(int number, const QString& title, const QString& detail, std::function<bool()> isDone,
                 QWidget* controls, QWidget* parent = nullptr);

    StepBadge& badge() const { return *badge_; }
    QWidget& controls() const { return *controls_; }

private:
    StepBadge* badge_;
    QWidget* controls_;
};
