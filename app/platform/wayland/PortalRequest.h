#pragma once
// One call to an xdg-desktop-portal method that answers later through a Request object's
// Response signal. The handle token is chosen here and the signal is subscribed before the call,
// so an answer that comes back at once is not lost.

#include <chrono>
#include <optional>

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <qcoro/qcorotask.h>

namespace platform::wayland {

// What the portal answered: 0 success, 1 cancelled or refused by the user, 2 another failure.
struct PortalResponse {
    unsigned code = 2;
    QVariantMap results;
};

class PortalRequest : public QObject {
    Q_OBJECT

public:
    inline static const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
    inline static const QString path = QStringLiteral("/org/freedesktop/portal/desktop");

    explicit PortalRequest(QDBusConnection bus);
    ~PortalRequest() override;

    // Calls `method` of `interface` with `arguments` followed by the options (handle_token added)
    // and waits for the answer. Throws kit::Error with `missing` when the portal or the interface
    // is not there, and with a sentence of its own when the portal never answers.
    QCoro::Task<PortalResponse> call(QString interface, QString method, QVariantList arguments, QVariantMap options,
                                     std::string missing, std::chrono::milliseconds limit);

signals:
    void responded();

private slots:
    void onResponse(uint code, const QVariantMap& results);

private:
    QDBusConnection bus_;
    QString handle_;
    std::optional<PortalResponse> response_;
};

} // namespace platform::wayland
