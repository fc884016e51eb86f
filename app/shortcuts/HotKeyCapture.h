#pragma once
// Listens for the next key press inside the application and turns it into a shortcut. While it
// listens every key press is swallowed, and "shortcutRecorder" is among the open surfaces, which
// leaves the Escape key to it. A press heard on the display that never reached the application,
// while it had the keyboard, was taken by the desktop: the hint names the key. Observable; main
// thread only.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <QObject>
#include <QTimer>

#include "app/base/Observation.h"
#include "app/platform/KeyPressWatch.h"
#include "app/platform/x11/KeyboardLayout.h"
#include "kit/HotKeyCombination.h"

class QKeyEvent;

class HotKeyCapture : public QObject {
    Q_OBJECT

public:
    static constexpr std::string_view surfaceName = "shortcutRecorder";
    static constexpr std::string_view refusalHint = "Include \u2318 or \u2303 in the shortcut.";
    static constexpr std::uint32_t escapeKeyCode = 53;
    // How long a press heard on the display may take to reach the application.
    static constexpr int arrivalMilliseconds = 300;

    // The keyboard names the keys; by default the X server's. The watch hears every press on the
    // display; by default the X server's, where it has one.
    explicit HotKeyCapture(std::shared_ptr<const platform::x11::KeyboardLayout> keyboard = nullptr,
                           QObject* parent = nullptr);
    HotKeyCapture(std::shared_ptr<const platform::x11::KeyboardLayout> keyboard,
                  std::unique_ptr<platform::KeyPressWatch> watch, QObject* parent = nullptr);
    ~HotKeyCapture() override;

    // Tracked reads.
    bool isRecording() const { return isRecording_.get(); }
    // Set when a key press was refused.
    const std::optional<std::string>& hint() const { return hint_.get(); }

    // Stops any listening first, this capture's or another's: one key press has one taker.
    void start();
    // Safe when not listening; leaves the hint as it is.
    void stop();

    // Qt's modifier state as key-event flags: Meta (the Super key) is command.
    static std::uint64_t eventFlags(Qt::KeyboardModifiers modifiers);

signals:
    // A key press made a shortcut; the listening has stopped.
    void captured(const kit::HotKeyCombination& combination);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void handle(const QKeyEvent& event);
    void heardOnDisplay(std::uint32_t keyCode, std::uint64_t eventFlags);
    void neverArrived();

    // A press heard on the display that has not reached the application yet.
    struct Unreceived {
        std::uint32_t keyCode = 0;
        std::uint64_t eventFlags = 0;
    };

    Observed<bool> isRecording_{false};
    Observed<std::optional<std::string>> hint_;
    bool monitoring_ = false;
    std::shared_ptr<const platform::x11::KeyboardLayout> keyboard_;
    std::unique_ptr<platform::KeyPressWatch> watch_;
    std::optional<Unreceived> unreceived_;
    QTimer arrival_;
};
