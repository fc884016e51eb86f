#include "app/setup/LaunchAtLogin.h"

#include <QCoreApplication>
#include <QFile>

#include "app/base/Log.h"
#include "app/platform/desktop/AutostartEntry.h"

namespace LaunchAtLogin {

State status() {
    return platform::desktop::AutostartEntry::isEnabled() ? State::on : State::off;
}

void setEnabled(bool enabled) {
    static const Logger log("settings");
    if (enabled) {
        platform::desktop::AutostartEntry::enable(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
    } else {
        platform::desktop::AutostartEntry::disable();
    }
    log.info("launch at login changed enabled={}", enabled);
}

} // namespace LaunchAtLogin
