#include "app/base/Modules.h"

#include <map>
#include <mutex>
#include <memory>
#include <string>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include "app/base/Log.h"
#include "kit/Error.h"

namespace Modules {

namespace {

QLibrary* load(const std::string& name) {
    // Main thread and pool threads both load; modules are few and never unloaded.
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<QLibrary>> loaded;
    const std::lock_guard lock(mutex);
    if (auto found = loaded.find(name); found != loaded.end()) return found->second.get();

    const Logger log("app");
    const QString file = QStringLiteral("libglimpo-%1.so").arg(QString::fromStdString(name));
    const QDir programFolder(QCoreApplication::applicationDirPath());
    const QString candidates[] = {programFolder.filePath(file), programFolder.filePath("../lib/glimpo/" + file)};
    QString errors;
    for (const QString& path : candidates) {
        if (!QFileInfo::exists(path)) continue;
        auto library = std::make_unique<QLibrary>(path);
        if (library->load()) {
            log.debug("module loaded name={} path={}", name, path.toStdString());
            return loaded.emplace(name, std::move(library)).first->second.get();
        }
        errors += library->errorString() + " ";
    }
    log.error("module not loaded name={} reason={}", name,
              errors.isEmpty() ? std::string("not found") : errors.trimmed().toStdString());
    throw kit::Error(QCoreApplication::translate("Modules", "A part of Glimpo is missing (%1). Reinstall Glimpo.")
                         .arg(file)
                         .toStdString());
}

} // namespace

void* resolve(const char* name, const char* symbol) {
    QLibrary* library = load(name);
    if (QFunctionPointer address = library->resolve(symbol)) return reinterpret_cast<void*>(address);
    Logger("app").error("module symbol missing name={} symbol={}", name, symbol);
    throw kit::Error(QCoreApplication::translate("Modules", "A part of Glimpo is damaged (%1). Reinstall Glimpo.")
                         .arg(QStringLiteral("libglimpo-%1.so").arg(QString::fromUtf8(name)))
                         .toStdString());
}

} // namespace Modules
