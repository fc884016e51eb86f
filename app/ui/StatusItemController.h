#pragma once
// The program's permanent face: a tray icon showing a camera, or a red record badge with the
// running time while recording, and a menu of the capture actions with their shortcuts. The menu
// is rebuilt every time it opens, so it always reflects the recording state and the hints.

#include "app/base/Log.h"
#include "app/ui/ClosureMenuItem.h"
#include "app/ui/MenuActions.h"
#include "kit/HotKeyCombination.h"

#include <QIcon>
#include <QObject>
#include <QString>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

class StatusItemController : public QObject {
    Q_OBJECT
public:
    using Elapsed = std::chrono::duration<double>;

    explicit StatusItemController(QObject* parent = nullptr);
    ~StatusItemController() override;

    // What the menu's items ask for.
    const MenuActions& actions() const { return actions_; }

    StatusItemController(const StatusItemController&) = delete;
    StatusItemController& operator=(const StatusItemController&) = delete;

    // Time since the running recording started; absent when none runs. Every assignment redraws
    // the icon.
    void setRecordingElapsed(std::optional<Elapsed> elapsed);
    const std::optional<Elapsed>& recordingElapsed() const { return recordingElapsed_; }

    // Action title -> shortcut text, for the actions that have a shortcut in force. Shown the
    // next time the menu opens.
    void setShortcutHints(std::map<std::string, std::string> hints);
    const std::map<std::string, std::string>& shortcutHints() const { return shortcutHints_; }

    QMenu* menu() const { return menu_.get(); }
    // Runs just before the menu opens; public so the menu can be inspected without opening it.
    void rebuildMenu();

    // False on a desktop without a system tray: the menu is still kept, nothing is shown.
    bool trayAvailable() const { return trayAvailable_; }
    // The icon and tooltip currently on the tray item.
    QIcon icon() const;
    QString toolTip() const;

    // A short message from the tray item, the way notices reach the user where no notice window
    // exists. Without `seconds` it stays until the desktop (or the next message) removes it.
    void showMessage(const QString& text, std::optional<double> seconds);

    // One space, then minutes and seconds of the whole seconds elapsed; minutes never wrap into
    // hours (" 100:00").
    static QString elapsedTitle(Elapsed elapsed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateButton();
    void addCaptureItems();
    QAction* addItem(const QString& title, ClosureMenuItem::Command command);
    void showWhenTrayAppears();

    MenuActions actions_;
    std::optional<Elapsed> recordingElapsed_;
    std::map<std::string, std::string> shortcutHints_;
    // Rebuilt with the menu; Ctrl+, and Ctrl+Q choose them while it is open.
    QAction* settingsItem_ = nullptr;
    QAction* quitItem_ = nullptr;
    bool trayAvailable_ = false;
    Logger log_{"app"};
    // Declared before the tray icon, which points at it, so it is destroyed after it.
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<QTimer> trayWatch_;
};
