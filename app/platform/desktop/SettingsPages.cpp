#include "app/platform/desktop/SettingsPages.h"

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <optional>

#include "app/base/Log.h"

namespace platform::desktop {

namespace {

struct Command {
    QString program;
    QStringList arguments;
};

bool sessionIs(const char* desktop) {
    const char* desktops = std::getenv("XDG_CURRENT_DESKTOP");
    if (desktops == nullptr) return false;
    return QString::fromUtf8(desktops).split(QLatin1Char(':')).contains(QString::fromUtf8(desktop), Qt::CaseInsensitive);
}

std::optional<Command> kdeCommand(SettingsPage page) {
    switch (page) {
    case SettingsPage::keyboardShortcuts: return Command{"systemsettings", {"kcm_keys"}};
    case SettingsPage::microphone: return Command{"systemsettings", {"kcm_pulseaudio"}};
    case SettingsPage::loginItems: return Command{"systemsettings", {"kcm_autostart"}};
    case SettingsPage::screenRecording: break;
    }
    return std::nullopt;
}

std::optional<Command> gnomeCommand(SettingsPage page) {
    switch (page) {
    case SettingsPage::keyboardShortcuts: return Command{"gnome-control-center", {"keyboard"}};
    case SettingsPage::microphone: return Command{"gnome-control-center", {"sound"}};
    case SettingsPage::screenRecording: return Command{"gnome-control-center", {"privacy"}};
    case SettingsPage::loginItems: break;
    }
    return std::nullopt;
}

} // namespace

bool openSettingsPage(SettingsPage page) {
    static const Logger log("setup");
    const bool kde = sessionIs("KDE");
    const auto command = kde ? kdeCommand(page) : sessionIs("GNOME") ? gnomeCommand(page) : std::nullopt;
    if (!command || QStandardPaths::findExecutable(command->program).isEmpty()) {
        log.debug("settings page unavailable page={}", static_cast<int>(page));
        return false;
    }
    return QProcess::startDetached(command->program, command->arguments);
}

} // namespace platform::desktop
