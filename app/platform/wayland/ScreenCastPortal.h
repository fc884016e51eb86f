#pragma once
// The ScreenCast portal's session for one recording: one monitor, the cursor drawn in, and the
// user's choice kept (a restore token, stored by the caller) so the desktop asks only once.
// The session ends when this object goes.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QDBusConnection>
#include <QRect>
#include <QString>
#include <qcoro/qcorotask.h>

class SettingsStore;

namespace platform::wayland {

class ScreenCastPortal {
public:
    struct Grant {
        // The PipeWire remote to read the stream from; the receiver closes it.
        int fd = -1;
        std::uint32_t node = 0;
        // Root pixels the stream shows: the shared monitor's place in the layout.
        QRect area;
    };
    using TokenStore = std::function<void(const std::string& token)>;

    // `token` is the last restore token; `keepToken` stores the new one.
    ScreenCastPortal(std::string token, TokenStore keepToken, QDBusConnection bus = QDBusConnection::sessionBus());
    // The token kept in `store`, so the choice outlives the program.
    static std::unique_ptr<ScreenCastPortal> keepingChoiceIn(SettingsStore& store,
                                                             QDBusConnection bus = QDBusConnection::sessionBus());
    ~ScreenCastPortal();
    ScreenCastPortal(const ScreenCastPortal&) = delete;
    ScreenCastPortal& operator=(const ScreenCastPortal&) = delete;

    // Throws kit::Error with a sentence when the portal is missing, declined (the
    // declined-permission failure) or fails.
    QCoro::Task<Grant> open();
    void close();

    static constexpr const char* missingSentence =
        QT_TRANSLATE_NOOP("ScreenCastPortal", "Glimpo can't record the screen: this Wayland session has no "
                                              "screen-sharing portal. Install xdg-desktop-portal and the portal "
                                              "backend for your desktop.");

private:
    QCoro::Task<QVariantMap> ask(QString method, QVariantList arguments, QVariantMap options);

    std::string token_;
    TokenStore keepToken_;
    QDBusConnection bus_;
    QString session_;
};

} // namespace platform::wayland
