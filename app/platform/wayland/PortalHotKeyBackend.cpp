#include "app/platform/wayland/PortalHotKeyBackend.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QPointer>
#include <QSet>
#include <QUuid>

#include <utility>

#include "app/platform/wayland/PortalRequest.h"
#include "kit/Error.h"
#include "kit/HotKeyCombination.h"

namespace platform::wayland {

namespace {

using namespace std::chrono_literals;
using Shortcuts = QList<std::pair<QString, QVariantMap>>;

const QString globalShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
// The desktop may ask the user to confirm the shortcuts.
constexpr auto answerLimit = std::chrono::milliseconds(5min);
const std::string missing = "The desktop has no global shortcuts portal.";

QString shortcutName(std::uint32_t id) { return QStringLiteral("glimpo-%1").arg(id); }

} // namespace

PortalHotKeyBackend::PortalHotKeyBackend(KeyText keyText, QDBusConnection bus)
    : keyText_(std::move(keyText)), bus_(std::move(bus)) {
    qDBusRegisterMetaType<std::pair<QString, QVariantMap>>();
    qDBusRegisterMetaType<Shortcuts>();
    bindSoon_.setSingleShot(true);
    bindSoon_.setInterval(0);
    connect(&bindSoon_, &QTimer::timeout, this, [this] { bind(); });
    // From any sender: the portal may start (and so change its bus name) after this; the session
    // handle says the press is ours.
    // The slot is found by its parameters' type names, which must be known by then.
    qRegisterMetaType<QDBusObjectPath>();
    if (!bus_.connect(QString(), PortalRequest::path, globalShortcuts, QStringLiteral("Activated"), this,
                      SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap))))
        log_.error("portal shortcuts failed error={}", "Glimpo couldn't listen for the desktop's shortcuts.");
}

PortalHotKeyBackend::~PortalHotKeyBackend() {
    if (!session_.isEmpty())
        bus_.call(QDBusMessage::createMethodCall(PortalRequest::service, session_,
                                                 QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close")),
                  QDBus::NoBlock);
}

bool PortalHotKeyBackend::offered(QDBusConnection bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(PortalRequest::service, PortalRequest::path,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << globalShortcuts << QStringLiteral("version");
    return bus.call(get, QDBus::Block, 1000).type() == QDBusMessage::ReplyMessage;
}

std::string PortalHotKeyBackend::trigger(const std::string& key, std::uint32_t carbonModifiers) {
    if (key.empty()) return {};
    std::string text;
    using C = kit::HotKeyCombination;
    for (const auto& [bit, name] : {std::pair{C::control, "CTRL+"}, std::pair{C::option, "ALT+"},
                                    std::pair{C::shift, "SHIFT+"}, std::pair{C::command, "LOGO+"}})
        if (carbonModifiers & bit) text += name;
    return text + key;
}

std::int32_t PortalHotKeyBackend::installHandler(PressHandler onPress) {
    onPress_ = std::move(onPress);
    return HotKeyStatus::ok;
}

HotKeyBackend::Registration PortalHotKeyBackend::registerHotKey(std::uint32_t keyCode,
                                                                     std::uint32_t carbonModifiers, std::uint32_t id) {
    std::string key = keyText_ ? keyText_(keyCode) : std::string();
    for (char& c : key) c = char(std::tolower(static_cast<unsigned char>(c)));
    const Reference reference = next_++;
    entries_[reference] = Entry{id, trigger(key, carbonModifiers)};
    bindSoon_.start();
    return {HotKeyStatus::ok, reference};
}

void PortalHotKeyBackend::unregisterHotKey(Reference reference) {
    if (entries_.erase(reference) > 0) bindSoon_.start();
}

QCoro::Task<void> PortalHotKeyBackend::bind() {
    // One exchange with the portal at a time; changes meanwhile are bound after it.
    if (binding_) {
        bindAgain_ = true;
        co_return;
    }
    std::map<std::uint32_t, std::string> byId;
    for (const auto& [reference, entry] : entries_) byId[entry.id] = entry.trigger;
    Shortcuts shortcuts;
    for (const auto& [id, trigger] : byId) {
        QVariantMap properties;
        properties.insert(QStringLiteral("description"), QStringLiteral("Glimpo action %1").arg(id));
        if (!trigger.empty()) properties.insert(QStringLiteral("preferred_trigger"), QString::fromStdString(trigger));
        shortcuts.append({shortcutName(id), properties});
    }
    // The desktop has these already, or turned them down: asking again changes nothing.
    if (attempted_ && *attempted_ == shortcuts) co_return;
    attempted_ = shortcuts;
    binding_ = true;
    QPointer<PortalHotKeyBackend> self(this);
    std::map<std::uint32_t, std::int32_t> refused;
    try {
        if (session_.isEmpty()) {
            PortalRequest create(bus_);
            QVariantMap options;
            options.insert(QStringLiteral("session_handle_token"),
                           QStringLiteral("glimpo_") + QUuid::createUuid().toString(QUuid::Id128));
            // Plasma 5.27 binds only the shortcuts named when the session opens.
            options.insert(QStringLiteral("shortcuts"), QVariant::fromValue(shortcuts));
            const PortalResponse created =
                co_await create.call(globalShortcuts, QStringLiteral("CreateSession"), QVariantList(), std::move(options),
                                     missing, answerLimit);
            if (!self) co_return;
            if (created.code != 0) throw kit::Error("The desktop didn't open a shortcut session.");
            session_ = created.results.value(QStringLiteral("session_handle")).toString();
        }
        QVariantList arguments;
        arguments << QVariant::fromValue(QDBusObjectPath(session_)) << QVariant::fromValue(shortcuts) << QString();
        PortalRequest request(bus_);
        const PortalResponse bound = co_await request.call(globalShortcuts, QStringLiteral("BindShortcuts"),
                                                           std::move(arguments), QVariantMap(), missing, answerLimit);
        if (!self) co_return;
        if (bound.code != 0) throw kit::Error("The desktop didn't take Glimpo's shortcuts.");
        // The answer lists what the desktop bound; one without a list says nothing against any.
        if (bound.results.contains(QStringLiteral("shortcuts"))) {
            QSet<QString> taken;
            const QDBusArgument list = bound.results.value(QStringLiteral("shortcuts")).value<QDBusArgument>();
            for (const auto& [name, properties] : qdbus_cast<Shortcuts>(list)) taken.insert(name);
            for (const auto& [id, trigger] : byId)
                if (!taken.contains(shortcutName(id))) refused.emplace(id, HotKeyStatus::unavailable);
        }
    } catch (const std::exception& error) {
        if (!self) co_return;
        log_.error("portal shortcuts failed error={}", kit::describe(error));
        // Every key is the desktop's own settings' to bind now.
        for (const auto& [id, trigger] : byId) refused.emplace(id, HotKeyStatus::unavailable);
    }
    refused_.set(std::move(refused));
    binding_ = false;
    if (std::exchange(bindAgain_, false)) bindSoon_.start();
}

void PortalHotKeyBackend::onActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong,
                                      const QVariantMap&) {
    if (session.path() != session_ || !onPress_) return;
    for (const auto& [reference, entry] : entries_)
        if (shortcutName(entry.id) == shortcut) onPress_(entry.id);
}

} // namespace platform::wayland
