#include "app/base/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

Translations::Translations() = default;

Translations::Translations(const QLocale& locale, const QString& folder)
    : glimpo_(std::make_unique<QTranslator>()), qt_(std::make_unique<QTranslator>()) {
    // A language without a catalogue (the C locale too) reads English, whose catalogue holds the
    // plural forms ("1 second", not "1 second(s)").
    if (!glimpo_->load(locale, QStringLiteral("glimpo"), QStringLiteral("_"), folder) &&
        !glimpo_->load(QStringLiteral("glimpo_en"), folder)) {
        glimpo_.reset();
    }
    if (!qt_->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qt_.reset();
    }
}

Translations::~Translations() {
    // Installed catalogues leave the application before they go.
    if (QCoreApplication::instance() == nullptr) return;
    for (const auto& translator : {glimpo_.get(), qt_.get()}) {
        if (translator) QCoreApplication::removeTranslator(translator);
    }
}

void Translations::install() const {
    for (const auto& translator : {qt_.get(), glimpo_.get()}) {
        if (translator) QCoreApplication::installTranslator(translator);
    }
}

QString Translations::text(const char* context, const char* source, int n) const {
    QString text = glimpo_ ? glimpo_->translate(context, source, nullptr, n) : QString();
    if (text.isEmpty()) text = QString::fromUtf8(source);
    // As QCoreApplication::translate does.
    if (n >= 0) text.replace(QStringLiteral("%n"), QString::number(n));
    return text;
}

bool Translations::loaded() const {
    return glimpo_ != nullptr;
}

QString Translations::programFolder() {
    // The application object may not exist yet, so the program is found through the kernel.
    const QDir programDir = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    const QString candidates[] = {programDir.filePath(QStringLiteral("translations")),
                                  programDir.filePath(QStringLiteral("../share/glimpo/translations"))};
    for (const QString& folder : candidates) {
        if (QFileInfo(folder).isDir()) return QDir::cleanPath(folder);
    }
    return candidates[1];
}
