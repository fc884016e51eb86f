#include "app/base/Modules.h"

#include <map>
#include <mutex>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

#include "app/base/Log.h"
#include "kit/Error.h"

namespace Modules {

namespace {

// A sentence for the user, its file named.
std::string sentence(const char* source, const QString& file) {
    return QCoreApplication::translate("Modules", source).arg(file).toStdString();
}

} // namespace

QObject& load(const char* name, const char* interfaceId) {
    // Main thread and pool threads both load; modules are few and never unloaded.
    static std::mutex mutex;
    static std::map<std::string, QObject*> loaded;
    const std::lock_guard lock(mutex);
    if (auto found = loaded.find(name); found != loaded.end()) return *found->second;

    const Logger log("app");
    const QString file = QStringLiteral("libglimpo-%1.so").arg(QString::fromUtf8(name));
    const QDir programFolder(QCoreApplication::applicationDirPath());
    QString path;
    for (const QString& candidate : {programFolder.filePath(file), programFolder.filePath("../lib/glimpo/" + file)}) {
        if (QFileInfo::exists(candidate)) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty()) {
        log.error("module not loaded name={} reason={}", name, "not found");
        throw kit::Error(sentence(QT_TRANSLATE_NOOP("Modules", "A part of Glimpo is missing (%1). Reinstall Glimpo."), file));
    }

    QPluginLoader loader(path);
    loader.setLoadHints(QLibrary::PreventUnloadHint);
    // Read from the file without loading it.
    const QString id = loader.metaData().value(QStringLiteral("IID")).toString();
    if (!id.isEmpty() && id != QLatin1String(interfaceId)) {
        log.error("module refused name={} version={} expected={}", name, id.toStdString(), interfaceId);
        throw kit::Error(sentence(QT_TRANSLATE_NOOP("Modules", "A part of Glimpo is from another version (%1). Reinstall Glimpo."), file));
    }
    QObject* root = loader.instance();
    if (!root || !root->qt_metacast(interfaceId)) {
        const QString reason = root ? QStringLiteral("no ") + QLatin1String(interfaceId) : loader.errorString();
        log.error("module not loaded name={} reason={}", name, reason.toStdString());
        throw kit::Error(sentence(QT_TRANSLATE_NOOP("Modules", "A part of Glimpo is damaged (%1). Reinstall Glimpo."), file));
    }
    // Made on whichever thread asked first; it belongs with the program's other objects.
    if (QCoreApplication* application = QCoreApplication::instance()) root->moveToThread(application->thread());
    log.debug("module loaded name={} path={}", name, path.toStdString());
    return *loaded.emplace(name, root).first->second;
}

} // namespace Modules
