#include "app/platform/wayland/ScreenshotPortal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include "app/platform/wayland/PortalRequest.h"
#include "kit/Error.h"

namespace platform::wayland {

namespace {

std::string text(const char* source) {
    return QCoreApplication::translate("ScreenshotPortal", source).toStdString();
}

using namespace std::chrono_literals;

// The portal may ask the user first.
constexpr auto answerLimit = std::chrono::milliseconds(2min);
// What the capture stream reports when the user declined screen capture.
constexpr long long declinedCode = -3801;

bool isScratch(const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    return folder == QDir::tempPath() || folder == QLatin1String("/tmp");
}

} // namespace

ScreenshotPortal::ScreenshotPortal(QDBusConnection bus) : bus_(std::move(bus)) {}

QCoro::Task<QImage> ScreenshotPortal::take() {
    PortalRequest request(bus_);
    QVariantList arguments;
    arguments.append(QString()); // no parent window
    QVariantMap options;
    options.insert(QStringLiteral("interactive"), false);
    options.insert(QStringLiteral("modal"), false);
    const PortalResponse response =
        co_await request.call(QStringLiteral("org.freedesktop.portal.Screenshot"), QStringLiteral("Screenshot"),
                              std::move(arguments), std::move(options), text(missingSentence), answerLimit);
    if (response.code == 1)
        throw kit::Error(text(declinedSentence), std::string(kit::ErrorDomain::screenCaptureStream), declinedCode);
    if (response.code != 0) throw kit::Error(text(QT_TRANSLATE_NOOP("ScreenshotPortal", "The desktop couldn't take the screenshot.")));

    const QString file = QUrl(response.results.value(QStringLiteral("uri")).toString()).toLocalFile();
    QImage picture(file);
    // A picture left in the temporary folder would show the user's screen to anyone.
    if (!file.isEmpty() && isScratch(file)) QFile::remove(file);
    if (picture.isNull()) throw kit::Error(text(QT_TRANSLATE_NOOP("ScreenshotPortal", "The desktop's screenshot couldn't be read.")));
    co_return picture.convertToFormat(QImage::Format_RGB32);
}

} // namespace platform::wayland
