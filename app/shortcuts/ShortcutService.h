#pragma once
// Keeps the registered hot keys in step with the settings: registers the shortcuts in force at
// start and again after every change of the overrides, and publishes why any of them failed,
// also when the desktop turns a key down later. While a shortcut recorder listens, none is
// registered, so every key press reaches it. Keys that someone else held are tried again whenever
// Glimpo comes to the front, so the failures say how things are now. Main thread only.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include <QObject>

#include "app/base/Log.h"
#include "app/base/Observation.h"
#include "app/shortcuts/HotKeyCenter.h"
#include "kit/CaptureVocabulary.h"

class AppSettings;

class ShortcutService : public QObject {
    Q_OBJECT

public:
    // `backend` is the desktop's global hot key service.
    ShortcutService(AppSettings& settings, std::unique_ptr<platform::HotKeyBackend> backend,
                    QObject* parent = nullptr);
    ~ShortcutService() override;

    // Registers now and after every change of the overrides or of the recorder's listening, for
    // the life of the service.
    void start();
    // Registers again when a key was held by someone else at the last registration: they may have
    // let go of it since.
    void retryHeldKeys();

    // For each action whose key failed at the last registration, the sentence saying why.
    // A tracked read.
    const std::map<kit::CaptureAction, std::string>& failures() const { return failures_.get(); }

    // Where the transient key is armed.
    HotKeyCenter& center() { return center_; }

signals:
    // The shortcut of an action was pressed.
    void pressed(kit::CaptureAction action);

private:
    void registerShortcuts();
    // Logs the outcome when it differs from the last one logged: registering again changes nothing
    // worth a line each time a window opens or closes.
    void logOutcome(long bound, const std::map<kit::CaptureAction, GlobalHotKeyError>& errors);

    Observed<std::map<kit::CaptureAction, std::string>> failures_;
    bool someKeyHeld_ = false;
    AppSettings& settings_;
    HotKeyCenter center_;
    std::optional<std::pair<long, std::map<kit::CaptureAction, GlobalHotKeyError>>> logged_;
    Logger log_{"shortcut"};
};
