#include "platform/SleepGuard.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QVariantMap>

namespace {

const QString kPortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kLogindService = QStringLiteral("org.freedesktop.login1");
const QString kScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

constexpr uint kPortalSuspend = 4;
constexpr uint kPortalIdle = 8;

SleepGuard::Way nextWay(SleepGuard::Way way)
{
    switch (way) {
    case SleepGuard::Way::Portal: return SleepGuard::Way::Logind;
    case SleepGuard::Way::Logind: return SleepGuard::Way::ScreenSaver;
    case SleepGuard::Way::ScreenSaver:
    case SleepGuard::Way::None: break;
    }
    return SleepGuard::Way::None;
}

QDBusMessage inhibitCall(SleepGuard::Way way, const QString& reason)
{
    const QString program = QStringLiteral("Tavrin");
    switch (way) {
    case SleepGuard::Way::Portal: {
        QDBusMessage m = QDBusMessage::createMethodCall(kPortalService, QStringLiteral("/org/freedesktop/portal/desktop"),
                                                        QStringLiteral("org.freedesktop.portal.Inhibit"),
                                                        QStringLiteral("Inhibit"));
        QVariantMap options;
        options.insert(QStringLiteral("reason"), reason);
        m << QString() << uint(kPortalSuspend | kPortalIdle) << options;
        return m;
    }
    case SleepGuard::Way::Logind: {
        QDBusMessage m = QDBusMessage::createMethodCall(kLogindService, QStringLiteral("/org/freedesktop/login1"),
                                                        QStringLiteral("org.freedesktop.login1.Manager"),
                                                        QStringLiteral("Inhibit"));
        m << QStringLiteral("sleep:idle") << program << reason << QStringLiteral("block");
        return m;
    }
    case SleepGuard::Way::ScreenSaver: {
        QDBusMessage m = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                                        QStringLiteral("Inhibit"));
        m << program << reason;
        return m;
    }
    case SleepGuard::Way::None: break;
    }
    return {};
}

} // namespace

SleepGuard::SleepGuard(QObject* parent)
    : SleepGuard(QDBusConnection::sessionBus(), QDBusConnection::systemBus(), parent)
{
}

SleepGuard::SleepGuard(const QDBusConnection& session, const QDBusConnection& system, QObject* parent)
    : QObject(parent), session_(session), system_(system)
{
}

SleepGuard::~SleepGuard()
{
    wanted_ = false;
    // A request on its way is answered first: a lock granted now is released at once.
    // A watcher's wait delivers its finished signal at once: the handlers must not run here.
    if (request_) {
        request_->disconnect(this);
        request_->waitForFinished();
        const QDBusMessage reply = request_->reply();
        request_.reset();
        take(pending_, reply);
        pending_ = Way::None;
    }
    sendRelease();
    for (const auto& call : releases_) {
        call->disconnect(this);
        call->waitForFinished();
    }
}

QDBusConnection& SleepGuard::busOf(Way way)
{
    return way == Way::Logind ? system_ : session_;
}

void SleepGuard::hold(const QString& reason)
{
    wanted_ = true;
    reason_ = reason;
    if (held_ == Way::None && pending_ == Way::None)
        tryFrom(Way::Portal);
}

void SleepGuard::release()
{
    wanted_ = false;
    sendRelease();   // a request still on its way is released when it is granted
}

void SleepGuard::tryFrom(Way way)
{
    for (; way != Way::None; way = nextWay(way)) {
        QDBusConnection& bus = busOf(way);
        if (!bus.isConnected())
            continue;
        if (way == Way::Logind && !(bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing))
            continue;
        pending_ = way;
        requested_ = reason_;
        request_ = std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(inhibitCall(way, reason_), kCallTimeoutMs));
        connect(request_.get(), &QDBusPendingCallWatcher::finished, this, [this, way] { answered(way); });
        return;
    }
    pending_ = Way::None;
}

void SleepGuard::answered(Way way)
{
    if (!request_ || pending_ != way)
        return;
    const QDBusMessage reply = request_->reply();
    request_.release()->deleteLater();   // this may run inside the watcher's own signal
    pending_ = Way::None;
    if (!take(way, reply)) {
        if (wanted_)
            tryFrom(nextWay(way));
        return;
    }
    if (!wanted_) {
        sendRelease();
    } else if (reason_ != requested_) {
        // Asked again with another reason while this request was on its way: the desktop is
        // told the reason that holds now.
        sendRelease();
        tryFrom(Way::Portal);
    }
}

bool SleepGuard::take(Way way, const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const QVariant value = reply.arguments().constFirst();
    switch (way) {
    case Way::Portal: {
        const QDBusObjectPath handle = value.value<QDBusObjectPath>();
        if (handle.path().isEmpty())
            return false;
        portalHandle_ = handle.path();
        break;
    }
    case Way::Logind: {
        const QDBusUnixFileDescriptor fd = value.value<QDBusUnixFileDescriptor>();
        if (!fd.isValid())
            return false;
        logindLock_ = fd;
        break;
    }
    case Way::ScreenSaver: {
        bool ok = false;
        screenSaverCookie_ = value.toUInt(&ok);
        if (!ok)
            return false;
        break;
    }
    case Way::None: return false;
    }
    held_ = way;
    return true;
}

void SleepGuard::sendRelease()
{
    switch (held_) {
    case Way::Portal:
        keep(session_.asyncCall(QDBusMessage::createMethodCall(kPortalService, portalHandle_,
                                                               QStringLiteral("org.freedesktop.portal.Request"),
                                                               QStringLiteral("Close")),
                                kCallTimeoutMs));
        portalHandle_.clear();
        break;
    case Way::Logind:
        logindLock_ = QDBusUnixFileDescriptor();   // closing the descriptor ends the lock
        break;
    case Way::ScreenSaver: {
        QDBusMessage m = QDBusMessage::createMethodCall(kScreenSaverService, kScreenSaverPath, kScreenSaverService,
                                                        QStringLiteral("UnInhibit"));
        m << screenSaverCookie_;
        keep(session_.asyncCall(m, kCallTimeoutMs));
        break;
    }
    case Way::None: break;
    }
    held_ = Way::None;
}

void SleepGuard::keep(const QDBusPendingCall& call)
{
    auto watcher = std::make_unique<QDBusPendingCallWatcher>(call);
    QDBusPendingCallWatcher* w = watcher.get();
    connect(w, &QDBusPendingCallWatcher::finished, this, [this, w] {
        for (auto it = releases_.begin(); it != releases_.end(); ++it) {
            if (it->get() == w) {
                it->release()->deleteLater();
                releases_.erase(it);
                break;
            }
        }
    });
    releases_.push_back(std::move(watcher));
}
