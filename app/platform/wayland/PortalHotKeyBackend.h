#pragma once
// Global shortcuts through the GlobalShortcuts portal, where the desktop offers it (KDE Plasma,
// recent GNOME). Glimpo's combinations go to the desktop as preferred triggers; the desktop may
// let the user change them. Registrations answer at once and reach the portal together, once the
// event loop runs; what the desktop's answer leaves out, or all when the portal fails, is
// refused afterwards. Presses arrive as the portal's Activated signal.

#include <functional>
#include <map>
#include <optional>
#include <string>

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QTimer>
#include <QVariantMap>
#include <qcoro/qcorotask.h>

#include "app/base/Log.h"
#include "app/base/Observation.h"
#include "app/platform/HotKeyBackend.h"

namespace platform::wayland {

class PortalHotKeyBackend : public QObject, public HotKeyBackend {
    Q_OBJECT

public:
    using KeyText = std::function<std::string(std::uint32_t keyCode)>;

    // `keyText` names a key code's key as the layout types it ("4").
    PortalHotKeyBackend(KeyText keyText, QDBusConnection bus = QDBusConnection::sessionBus());
    ~PortalHotKeyBackend() override;

    // Whether the session's portal has global shortcuts; asks it, for at most a second.
    static bool offered(QDBusConnection bus = QDBusConnection::sessionBus());

    std::int32_t installHandler(PressHandler onPress) override;
    Registration registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers, std::uint32_t id) override;
    void unregisterHotKey(Reference reference) override;
    std::map<std::uint32_t, std::int32_t> refused() const override { return refused_.get(); }

    // The trigger text of the XDG shortcuts format ("SHIFT+LOGO+4"); empty for a key without a name.
    static std::string trigger(const std::string& key, std::uint32_t carbonModifiers);

private slots:
    void onActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                     const QVariantMap& options);

private:
    struct Entry {
        std::uint32_t id = 0;
        std::string trigger;
    };
    QCoro::Task<void> bind();

    KeyText keyText_;
    QDBusConnection bus_;
    PressHandler onPress_;
    std::map<Reference, Entry> entries_;
    // The shortcuts last put to the desktop, whatever it answered.
    std::optional<QList<std::pair<QString, QVariantMap>>> attempted_;
    Observed<std::map<std::uint32_t, std::int32_t>> refused_;
    Reference next_ = 1;
    QString session_;
    QTimer bindSoon_;
    bool binding_ = false;
    bool bindAgain_ = false;
    Logger log_{"shortcut"};
};

} // namespace platform::wayland
