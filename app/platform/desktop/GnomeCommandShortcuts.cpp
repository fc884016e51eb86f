#include "app/platform/desktop/GnomeCommandShortcuts.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <cstdlib>
#include <optional>

#include "kit/Error.h"

namespace platform::desktop::GnomeCommandShortcuts {

namespace {

const QString listSchema = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
const QString listKey = QStringLiteral("custom-keybindings");
const QString itemSchema = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys.custom-keybinding");
const QString pathPrefix = QStringLiteral("/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/");
std::string text(const char* source) {
    return QCoreApplication::translate("GnomeCommandShortcuts", source).toStdString();
}

const char* const unwritable = QT_TRANSLATE_NOOP("GnomeCommandShortcuts", "GNOME's keyboard shortcuts couldn't be changed.");

std::optional<QString> gsettings(const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QStringLiteral("gsettings"), arguments);
    if (!process.waitForStarted(2000)) return std::nullopt;
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(1000);
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// GVariant text of a string array ("@as []" or "['/a/', '/b/']") to its strings.
QStringList parseList(const QString& text) {
    QStringList items;
    static const QRegularExpression quoted(QStringLiteral("'((?:[^'\\\\]|\\\\.)*)'"));
    for (auto it = quoted.globalMatch(text); it.hasNext();) items.append(it.next().captured(1));
    return items;
}

// A GVariant string literal.
QString quote(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\")).replace(QLatin1String("'"), QLatin1String("\\'"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString pathOf(const Shortcut& shortcut) { return pathPrefix + QString::fromStdString(shortcut.id) + QLatin1Char('/'); }

// A shell word for GNOME's command line, which splits on blanks and honours quotes.
QString shellWord(const std::string& word) {
    const QString text = QString::fromStdString(word);
    if (!text.contains(QRegularExpression(QStringLiteral("[^A-Za-z0-9_./+-]")))) return text;
    QString escaped = text;
    escaped.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

} // namespace

const std::vector<Shortcut>& shortcuts() {
    static const std::vector<Shortcut> list{
        {"glimpo-area", QT_TRANSLATE_NOOP("GnomeCommandShortcuts", "Glimpo: Capture Area"), "--area", "<Shift><Super>4"},
        {"glimpo-fullscreen", QT_TRANSLATE_NOOP("GnomeCommandShortcuts", "Glimpo: Capture Fullscreen"), "--fullscreen",
         "<Shift><Super>3"},
        {"glimpo-bar", QT_TRANSLATE_NOOP("GnomeCommandShortcuts", "Glimpo: All-in-One"), "--bar", "<Shift><Super>5"},
    };
    return list;
}

bool bound() {
    const auto list = gsettings({QStringLiteral("get"), listSchema, listKey});
    if (!list) return false;
    const QStringList paths = parseList(*list);
    for (const Shortcut& shortcut : shortcuts())
        if (!paths.contains(pathOf(shortcut))) return false;
    return true;
}

void bind(const std::string& program) {
    const auto list = gsettings({QStringLiteral("get"), listSchema, listKey});
    if (!list) {
        throw kit::Error(text(unwritable) + " " +
                         text(QT_TRANSLATE_NOOP("GnomeCommandShortcuts", "GNOME's settings schema isn't installed.")));
    }
    QStringList paths = parseList(*list);
    for (const Shortcut& shortcut : shortcuts()) {
        const QString path = pathOf(shortcut);
        const QString relocated = itemSchema + QLatin1Char(':') + path;
        const QString command = shellWord(program) + QLatin1Char(' ') + QString::fromStdString(shortcut.option);
        for (const auto& [key, value] : {std::pair{QStringLiteral("name"), QString::fromStdString(text(shortcut.name.c_str()))},
                                         std::pair{QStringLiteral("command"), command},
                                         std::pair{QStringLiteral("binding"), QString::fromStdString(shortcut.binding)}}) {
            if (!gsettings({QStringLiteral("set"), relocated, key, quote(value)})) throw kit::Error(text(unwritable));
        }
        if (!paths.contains(path)) paths.append(path);
    }
    QStringList quoted;
    for (const QString& path : paths) quoted.append(quote(path));
    const QString value = QLatin1Char('[') + quoted.join(QLatin1String(", ")) + QLatin1Char(']');
    if (!gsettings({QStringLiteral("set"), listSchema, listKey, value})) throw kit::Error(text(unwritable));
}

} // namespace platform::desktop::GnomeCommandShortcuts
