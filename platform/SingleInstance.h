#pragma once
// One running program per settings file. The first program of a settings file becomes its
// instance; a later start hands its request (raise the window, open files, a command, or a
// status question) to that one and ends.
//
// Identity. The installed program's settings file ($XDG_CONFIG_HOME/tavrin/setup.ini) gives
// the desktop entry's application id, org.example.tavrin; any other settings folder (a portable
// copy, a build folder, a test's program folder) gives that id followed by ".x" and 16 hex
// digits of a hash of the folder. Copies with different settings files never meet.
//
// Roads. On the session bus the instance owns its name and serves, at /org/example/tavrin,
// org.freedesktop.Application (Activate, Open, ActivateAction: what a D-Bus activatable
// desktop entry is started with) and org.example.tavrin.Remote.Status. It also listens on a
// local socket, <name>.socket in the user's runtime folder ($XDG_RUNTIME_DIR), beside a lock
// file <name>.lock that it holds while it runs, so that the rule also holds where no session
// bus exists. A request there is one line of JSON, answered by one line of text.
//
// Requests reach the program as requested(), one turn of the event loop after they came in,
// so that the caller never waits for what they do.
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

struct InstanceRequest {
    enum class Kind { Activate, Open, Action, Status };
    Kind kind = Kind::Activate;
    QStringList uris;          // Open: file URIs
    QString action;            // Action: "record", "stop", "pause", "toggle"
    QVariantMap platformData;  // "activation-token", "desktop-startup-id" of the caller
};

struct InstanceAnswer {
    enum class Outcome { NotRunning, Answered, Failed };
    Outcome outcome = Outcome::NotRunning;
    QString text;              // Answered: the status line (Status), else empty; Failed: why
};

inline constexpr const char* kApplicationId = "org.example.tavrin";
inline constexpr const char* kApplicationObjectPath = "/org/example/tavrin";

// The instance name of a settings folder (see above); userConfigFolder is where the installed
// program keeps its settings (platform/ProgramFolder.h, UserConfigFolder).
QString InstanceName(const QString& configFolder, const QString& userConfigFolder);

// True where a session bus can be reached without starting one: DBUS_SESSION_BUS_ADDRESS is
// set, or $XDG_RUNTIME_DIR/bus exists.
bool SessionBusExpected();

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString& name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Becomes the instance of its name: the lock, the bus name (where a session bus answers)
    // and the socket. False when another program holds the lock or the bus name.
    bool listen();
    QString name() const { return name_; }

    // The answer to a status request (the program's one-line state).
    void setStatus(std::function<QString()> status) { status_ = std::move(status); }

    // Hands a request to the instance of `name`, by the bus and else by the socket.
    static InstanceAnswer send(const QString& name, const InstanceRequest& request);

    // Called by the bus adaptors and the socket.
    void receive(const InstanceRequest& request);
    QString statusText() const;

signals:
    void requested(const InstanceRequest& request);   // Activate, Open, Action

private:
    void readSocket(QLocalSocket* socket);

    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer server_;
    bool busName_ = false;
    std::function<QString()> status_;
};
