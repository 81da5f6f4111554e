#include "platform/DesktopNotifier.h"

#include "platform/SingleInstance.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
// A service that has not answered by then is not there.
constexpr int kCallTimeoutMs = 5000;
// Notifications kept for their actions; older ones are forgotten when more come.
constexpr int kKeptTags = 64;

QDBusConnection processBus()
{
    return SessionBusExpected() ? QDBusConnection::sessionBus() : QDBusConnection(QStringLiteral("tavrin-no-bus"));
}

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : DesktopNotifier(processBus(), parent) {}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {}

void DesktopNotifier::notify(const QString& summary, const QString& body, const QList<Action>& actions,
                             const QString& tag)
{
    if (!bus_.isConnected())
        return;
    if (!listening_) {
        listening_ = true;
        bus_.connect(QString(), kPath, kService, QStringLiteral("ActionInvoked"), this,
                     SLOT(invoked(uint, QString)));
        bus_.connect(QString(), kPath, kService, QStringLiteral("NotificationClosed"), this,
                     SLOT(closed(uint, uint)));
    }
    QStringList pairs;
    for (const Action& a : actions)
        pairs << a.key << a.label;
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QLatin1String(kApplicationId));
    QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    m << QStringLiteral("Tavrin") << uint(0) << QStringLiteral("tavrin") << summary << body << pairs << hints
      << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(m, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, tag](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError())
            return;
        if (tags_.size() >= kKeptTags)
            tags_.erase(tags_.begin());
        tags_.insert(reply.value(), tag);
    });
}

void DesktopNotifier::invoked(uint id, const QString& key)
{
    const auto it = tags_.constFind(id);
    if (it != tags_.constEnd())
        emit actionInvoked(key, *it);
}

void DesktopNotifier::closed(uint id, uint /*reason*/)
{
    tags_.remove(id);
}
