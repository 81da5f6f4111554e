#pragma once
// Keeps the computer awake while a recording runs: asks the desktop not to suspend or
// idle-sleep, through the first of these services that answers:
//   1. the desktop portal's Inhibit (session bus; suspend and idle),
//   2. logind's Inhibit with "sleep:idle" in block mode (system bus; the lock is a file
//      descriptor that is released by closing it),
//   3. the session's ScreenSaver Inhibit (idle only; released with UnInhibit).
// Every call is asynchronous, so the UI thread never waits for a bus. Without a bus, or when
// no service answers, hold() does nothing and says nothing.
//
// hold() and release() may be called any number of times; a release while the request is
// still on its way releases the lock as soon as it is granted, a release and a hold with a new
// reason take the lock again with that reason. The destructor releases and
// waits (a few seconds at most) until the release has been sent, so that a program ending
// right after it leaves no lock behind.
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QDBusPendingCallWatcher;

class SleepGuard : public QObject {
    Q_OBJECT
public:
    enum class Way { None, Portal, Logind, ScreenSaver };

    // The session and system buses of the process.
    explicit SleepGuard(QObject* parent = nullptr);
    // Given connections (tests: private buses, or a bus that is not there).
    SleepGuard(const QDBusConnection& session, const QDBusConnection& system, QObject* parent = nullptr);
    ~SleepGuard() override;
    SleepGuard(const SleepGuard&) = delete;
    SleepGuard& operator=(const SleepGuard&) = delete;

    void hold(const QString& reason);
    void release();

    bool wanted() const { return wanted_; }
    Way heldBy() const { return held_; }   // None while nothing is held

    // How long a call may take before the next service is tried.
    static constexpr int kCallTimeoutMs = 3000;

private:
    void tryFrom(Way way);
    void answered(Way way);
    bool take(Way way, const QDBusMessage& reply);
    void sendRelease();
    void keep(const QDBusPendingCall& call);
    QDBusConnection& busOf(Way way);

    QDBusConnection session_;
    QDBusConnection system_;
    QString reason_;
    QString requested_;                            // the reason the request on its way gives
    bool wanted_ = false;
    Way pending_ = Way::None;                      // the request on its way
    std::unique_ptr<QDBusPendingCallWatcher> request_;
    Way held_ = Way::None;
    QString portalHandle_;
    QDBusUnixFileDescriptor logindLock_;
    uint screenSaverCookie_ = 0;
    std::vector<std::unique_ptr<QDBusPendingCallWatcher>> releases_;   // sent, not yet answered
};
