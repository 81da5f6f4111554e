#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace {

const QString kApplicationInterface = QStringLiteral("org.freedesktop.Application");
const QString kRemoteInterface = QStringLiteral("org.example.tavrin.Remote");
// A request line longer than this is no request of ours.
constexpr qsizetype kMaxRequestBytes = 1 << 20;
// How long a caller waits for the instance to take a request.
constexpr int kAnswerMs = 25000;
constexpr int kConnectMs = 2000;

QString runtimeFile(const QString& name, const char* suffix)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(folder).filePath(name + QLatin1String(suffix));
}

const char* kindName(InstanceRequest::Kind kind)
{
    switch (kind) {
    case InstanceRequest::Kind::Activate: return "activate";
    case InstanceRequest::Kind::Open: return "open";
    case InstanceRequest::Kind::Action: return "action";
    case InstanceRequest::Kind::Status: return "status";
    }
    return "";
}

QByteArray encode(const InstanceRequest& r)
{
    QJsonObject o;
    o.insert(QStringLiteral("request"), QLatin1String(kindName(r.kind)));
    o.insert(QStringLiteral("uris"), QJsonArray::fromStringList(r.uris));
    o.insert(QStringLiteral("action"), r.action);
    o.insert(QStringLiteral("platform"), QJsonObject::fromVariantMap(r.platformData));
    return QJsonDocument(o).toJson(QJsonDocument::Compact) + '\n';
}

bool decode(const QByteArray& line, InstanceRequest& r)
{
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    const QString kind = o.value(QStringLiteral("request")).toString();
    bool known = false;
    for (auto k : {InstanceRequest::Kind::Activate, InstanceRequest::Kind::Open, InstanceRequest::Kind::Action,
                   InstanceRequest::Kind::Status}) {
        if (kind == QLatin1String(kindName(k))) {
            r.kind = k;
            known = true;
        }
    }
    for (const QJsonValue& uri : o.value(QStringLiteral("uris")).toArray())
        r.uris << uri.toString();
    r.action = o.value(QStringLiteral("action")).toString();
    r.platformData = o.value(QStringLiteral("platform")).toObject().toVariantMap();
    return known;
}

QDBusMessage busCall(const QString& name, const InstanceRequest& r)
{
    const QString path = QLatin1String(kApplicationObjectPath);
    QDBusMessage m;
    switch (r.kind) {
    case InstanceRequest::Kind::Activate:
        m = QDBusMessage::createMethodCall(name, path, kApplicationInterface, QStringLiteral("Activate"));
        m << r.platformData;
        break;
    case InstanceRequest::Kind::Open:
        m = QDBusMessage::createMethodCall(name, path, kApplicationInterface, QStringLiteral("Open"));
        m << r.uris << r.platformData;
        break;
    case InstanceRequest::Kind::Action:
        m = QDBusMessage::createMethodCall(name, path, kApplicationInterface, QStringLiteral("ActivateAction"));
        m << r.action << QVariantList() << r.platformData;
        break;
    case InstanceRequest::Kind::Status:
        m = QDBusMessage::createMethodCall(name, path, kRemoteInterface, QStringLiteral("Status"));
        break;
    }
    // A request to a program that does not run must not start one through the bus.
    m.setAutoStartService(false);
    return m;
}

InstanceAnswer sendByBus(const QString& name, const InstanceRequest& r)
{
    InstanceAnswer answer;
    if (!SessionBusExpected())
        return answer;
    // A connection of its own, closed again: the process's shared one is made by the application
    // object that serves, and one made before it (by the start's first, windowless application
    // object) would not deliver calls to it.
    // The name's owner is asked for first: an error reply (a call to a name nobody owns) leaves
    // Qt's D-Bus thread a race with the end of the process, which then warns on stderr.
    const QString connection = QStringLiteral("tavrin-request");
    QDBusMessage reply;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connection);
        if (bus.isConnected() && bus.interface()->isServiceRegistered(name).value())
            reply = bus.call(busCall(name, r), QDBus::Block, kAnswerMs);
    }
    QDBusConnection::disconnectFromBus(connection);
    if (reply.type() == QDBusMessage::InvalidMessage)
        return answer;   // no bus after all, or none of that name on it
    if (reply.type() == QDBusMessage::ReplyMessage) {
        answer.outcome = InstanceAnswer::Outcome::Answered;
        if (r.kind == InstanceRequest::Kind::Status && !reply.arguments().isEmpty())
            answer.text = reply.arguments().constFirst().toString();
        return answer;
    }
    const QString error = reply.errorName();
    if (error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
        || error == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return answer;   // none on the bus; the socket may still know one
    answer.outcome = InstanceAnswer::Outcome::Failed;
    answer.text = reply.errorMessage().isEmpty() ? error : reply.errorMessage();
    return answer;
}

InstanceAnswer sendBySocket(const QString& name, const InstanceRequest& r)
{
    InstanceAnswer answer;
    QLocalSocket socket;
    socket.connectToServer(runtimeFile(name, ".socket"));
    if (!socket.waitForConnected(kConnectMs))
        return answer;
    answer.outcome = InstanceAnswer::Outcome::Failed;
    socket.write(encode(r));
    if (!socket.waitForBytesWritten(kAnswerMs)) {
        answer.text = socket.errorString();
        return answer;
    }
    QByteArray line;
    while (!line.contains('\n')) {
        if (!socket.waitForReadyRead(kAnswerMs) && socket.bytesAvailable() == 0) {
            answer.text = QStringLiteral("no answer");
            return answer;
        }
        line += socket.readAll();
    }
    answer.outcome = InstanceAnswer::Outcome::Answered;
    answer.text = QString::fromUtf8(line.left(line.indexOf('\n')));
    if (r.kind != InstanceRequest::Kind::Status)
        answer.text.clear();
    return answer;
}

} // namespace

// ---- the bus side ----------------------------------------------------------------------------

class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    ApplicationAdaptor(QObject* object, SingleInstance& instance) : QDBusAbstractAdaptor(object), instance_(instance) {}

public slots:
    void Activate(const QVariantMap& platformData)
    {
        instance_.receive({InstanceRequest::Kind::Activate, {}, {}, platformData});
    }
    void Open(const QStringList& uris, const QVariantMap& platformData)
    {
        instance_.receive({InstanceRequest::Kind::Open, uris, {}, platformData});
    }
    void ActivateAction(const QString& action, const QVariantList& /*parameter*/, const QVariantMap& platformData)
    {
        instance_.receive({InstanceRequest::Kind::Action, {}, action, platformData});
    }

private:
    SingleInstance& instance_;
};

class RemoteAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.example.tavrin.Remote")
public:
    RemoteAdaptor(QObject* object, SingleInstance& instance) : QDBusAbstractAdaptor(object), instance_(instance) {}

public slots:
    QString Status() { return instance_.statusText(); }

private:
    SingleInstance& instance_;
};

// ---- identity --------------------------------------------------------------------------------

namespace {

// One folder, one text, however it is reached.
QString folderText(const QString& folder)
{
    const QString real = QFileInfo(folder).canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(folder) : real;
}

} // namespace

QString InstanceName(const QString& configFolder, const QString& userConfigFolder)
{
    const QString folder = folderText(configFolder);
    if (folder == folderText(userConfigFolder))
        return QLatin1String(kApplicationId);
    const QByteArray hash = QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha256);
    return QLatin1String(kApplicationId) + QStringLiteral(".x") + QString::fromLatin1(hash.left(8).toHex());
}

bool SessionBusExpected()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

// ---- the instance ----------------------------------------------------------------------------

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), name_(name)
{
    new ApplicationAdaptor(this, *this);
    new RemoteAdaptor(this, *this);
    connect(&server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readSocket(socket); });
        }
    });
}

SingleInstance::~SingleInstance()
{
    if (busName_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(name_);
        bus.unregisterObject(QLatin1String(kApplicationObjectPath));
    }
    server_.close();
}

bool SingleInstance::listen()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    QDir().mkpath(runtime);
    lock_ = std::make_unique<QLockFile>(runtimeFile(name_, ".lock"));
    lock_->setStaleLockTime(0);   // held as long as the program runs; stale only when its owner is gone
    if (!lock_->tryLock(0)) {
        if (lock_->error() == QLockFile::LockFailedError) {
            lock_.reset();
            return false;
        }
        lock_.reset();   // a runtime folder that takes no files: the bus alone decides
    }
    if (SessionBusExpected()) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (bus.isConnected()) {
            if (!bus.registerObject(QLatin1String(kApplicationObjectPath), this, QDBusConnection::ExportAdaptors)) {
                lock_.reset();
                return false;
            }
            const auto reply = bus.interface()->registerService(name_, QDBusConnectionInterface::DontQueueService,
                                                                QDBusConnectionInterface::DontAllowReplacement);
            if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
                bus.unregisterObject(QLatin1String(kApplicationObjectPath));
                lock_.reset();
                return false;
            }
            busName_ = true;
        }
    }
    if (lock_) {
        const QString socket = runtimeFile(name_, ".socket");
        QLocalServer::removeServer(socket);   // left by a program that ended without closing it
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        if (!server_.listen(socket))
            qWarning("Tavrin: cannot listen on %s: %s", qPrintable(socket), qPrintable(server_.errorString()));
    }
    return true;
}

InstanceAnswer SingleInstance::send(const QString& name, const InstanceRequest& request)
{
    InstanceAnswer answer = sendByBus(name, request);
    if (answer.outcome == InstanceAnswer::Outcome::NotRunning)
        answer = sendBySocket(name, request);
    return answer;
}

void SingleInstance::receive(const InstanceRequest& request)
{
    if (request.kind == InstanceRequest::Kind::Status)
        return;
    QTimer::singleShot(0, this, [this, request] { emit requested(request); });
}

QString SingleInstance::statusText() const
{
    return status_ ? status_() : QString();
}

void SingleInstance::readSocket(QLocalSocket* socket)
{
    QByteArray buffer = socket->property("request").toByteArray() + socket->readAll();
    const qsizetype end = buffer.indexOf('\n');
    if (end < 0) {
        if (buffer.size() > kMaxRequestBytes)
            socket->abort();
        else
            socket->setProperty("request", buffer);
        return;
    }
    InstanceRequest request;
    if (!decode(buffer.left(end), request)) {
        socket->write("unknown request\n");
        socket->disconnectFromServer();
        return;
    }
    socket->setProperty("request", QByteArray());
    const QString answer = request.kind == InstanceRequest::Kind::Status ? statusText() : QStringLiteral("ok");
    receive(request);
    socket->write(answer.toUtf8() + '\n');
    socket->disconnectFromServer();
}

#include "SingleInstance.moc"
