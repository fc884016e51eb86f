#include "app/platform/desktop/SettingsPages.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <optional>

#include "app/platform/Session.h"

namespace platform::desktop {

namespace {

struct Command {
    QString program;
    QStringList arguments;
};

std::optional<Command> kdeCommand(SettingsPage page) {
    switch (page) {
    case SettingsPage::keyboardShortcuts: return Command{"systemsettings", {"kcm_keys"}};
    case SettingsPage::microphone: return Command{"systemsettings", {"kcm_pulseaudio"}};
    case SettingsPage::screenRecording: break;
    }
    return std::nullopt;
}

std::optional<Command> gnomeCommand(SettingsPage page) {
    switch (page) {
    case SettingsPage::keyboardShortcuts: return Command{"gnome-control-center", {"keyboard"}};
    case SettingsPage::microphone: return Command{"gnome-control-center", {"sound"}};
    case SettingsPage::screenRecording: return Command{"gnome-control-center", {"privacy"}};
    }
    return std::nullopt;
}

} // namespace

bool openSettingsPage(SettingsPage page) {
    const bool kde = Session::desktopIs("KDE");
    const auto command = kde ? kdeCommand(page) : Session::desktopIs("GNOME") ? gnomeCommand(page) : std::nullopt;
    if (!command || QStandardPaths::findExecutable(command->program).isEmpty()) return false;
    return QProcess::startDetached(command->program, command->arguments);
}

std::string_view pageName(SettingsPage page) {
    switch (page) {
    case SettingsPage::screenRecording: return "screenRecording";
    case SettingsPage::microphone: return "microphone";
    case SettingsPage::keyboardShortcuts: return "keyboardShortcuts";
    }
    return "unknown";
}

std::string whereToLook(SettingsPage page) {
    const auto text = [](const char* source) {
        return QCoreApplication::translate("SettingsPages", source).toStdString();
    };
    switch (page) {
    case SettingsPage::screenRecording:
        return text(QT_TRANSLATE_NOOP("SettingsPages", "Glimpo can't open the privacy settings here. Allow screen "
                                                       "capture in your desktop's privacy settings."));
    case SettingsPage::microphone:
        return text(QT_TRANSLATE_NOOP("SettingsPages", "Glimpo can't open the sound settings here. Choose a microphone "
                                                       "in your desktop's sound settings."));
    case SettingsPage::keyboardShortcuts:
        return text(QT_TRANSLATE_NOOP("SettingsPages", "Glimpo can't open the keyboard settings here. Turn off the "
                                                       "screenshot shortcuts in your desktop's keyboard settings."));
    }
    return {};
}

} // namespace platform::desktop
