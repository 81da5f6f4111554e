#pragma once
// Desktop notifications (org.freedesktop.Notifications on the session bus) with actions. Every
// call is asynchronous; without a bus, or when no notification service answers, nothing shows
// and nothing is said. An action the user chooses comes back as actionInvoked(key, tag), with
// the tag given to notify().
#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class DesktopNotifier : public QObject {
    Q_OBJECT
public:
    struct Action {
        QString key;     // what actionInvoked() reports
        QString label;   // what the user reads
    };

    // The session bus of the process, where one is expected (platform/SingleInstance.h).
    explicit DesktopNotifier(QObject* parent = nullptr);
    // A given bus (tests: a private one).
    explicit DesktopNotifier(const QDBusConnection& bus, QObject* parent = nullptr);

    void notify(const QString& summary, const QString& body, const QList<Action>& actions, const QString& tag);

signals:
    void actionInvoked(const QString& key, const QString& tag);

private slots:
    void invoked(uint id, const QString& key);
    void closed(uint id, uint reason);

private:
    QDBusConnection bus_;
    bool listening_ = false;
    QHash<uint, QString> tags_;   // shown notifications that may still report an action
};
