// The desktop is kept awake while a recording runs: the program asks the first service that
// answers (portal, logind, ScreenSaver) on a private bus, holds the lock across cuts and a
// pause, and gives it back at the stop and when ended by SIGTERM. The services are stand-ins
// in a thread of this test that record the calls they get.
#include "app/Unit1.h"
#include "endurance/ChildProcess.h"
#include "engine/backends/VirtualBackend.h"
#include "platform/SleepGuard.h"
#include "settings/RecordingSettings.h"
#include "support/GuiTestSupport.h"
#include "support/PrivateBus.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/prctl.h>

namespace {

class StandIn : public QDBusVirtualObject {
public:
    enum { Portal = 1, Logind = 2, ScreenSaver = 4 };
    explicit StandIn(int services) : name_(QStringLiteral("standin%1").arg(++count_))
    {
        QDBusConnection bus = QDBusConnection::connectToBus(privateBus(), name_);
        const struct { int bit; const char *path, *name; } all[] = {
            {Portal, "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Desktop"},
            {Logind, "/org/freedesktop/login1", "org.freedesktop.login1"},
            {ScreenSaver, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver"}};
        ready = bus.isConnected();
        for (const auto& s : all)
            if (services & s.bit)
                ready = ready && bus.registerVirtualObject(s.path, this, QDBusConnection::SubPath) && bus.registerService(s.name);
        thread_.start();
        moveToThread(&thread_);
    }
    ~StandIn() override
    {
        QDBusConnection::disconnectFromBus(name_);
        thread_.quit();
        thread_.wait();
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& bus) override
    {
        const QList<QVariant> a = m.arguments();
        QVariant out;
        QMutexLocker hold(&lock_);
        if (m.member() == "Inhibit" && a.size() == 3) {
            calls_ << QStringLiteral("portal Inhibit %1 ").arg(a[1].toUInt()) + qdbus_cast<QVariantMap>(a[2]).value("reason").toString();
            out = QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/t%1").arg(calls_.size())));
        } else if (m.member() == "Inhibit" && a.size() == 4) {
            calls_ << "logind Inhibit " + a[0].toString() + ' ' + a[1].toString() + ' ' + a[3].toString();
            int fds[2];
            pipe2(fds, O_CLOEXEC);
            locks_ << fds[0];
            out = QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]));
            close(fds[1]);
        } else if (m.member() == "Inhibit" && a.size() == 2) {
            calls_ << "screensaver Inhibit " + a[0].toString();
            out = 7u;
        } else if (m.member() == "Close" || m.member() == "UnInhibit") {
            calls_ << m.member() + ' ' + m.path() + ' ' + (a.isEmpty() ? QString() : a[0].toString());
        } else {
            return false;
        }
        bus.send(out.isValid() ? m.createReply(out) : m.createReply());
        return true;
    }
    // The calls so far; a logind lock whose descriptor was closed adds "logind released".
    QStringList calls()
    {
        QMutexLocker hold(&lock_);
        for (int& fd : locks_) {
            pollfd p{fd, POLLIN, 0};
            char c;
            if (fd >= 0 && poll(&p, 1, 0) > 0 && read(fd, &c, 1) == 0) {
                close(fd);
                fd = -1;
                calls_ << "logind released";
            }
        }
        return calls_;
    }
    bool ready = false;

private:
    static inline int count_ = 0;
    QString name_;
    QThread thread_;
    QMutex lock_;
    QStringList calls_;
    QList<int> locks_;
};

const QString kReason = QStringLiteral("Идёт запись звука");

// Before any test of this program opens a bus (every recording makes a sleep guard).
struct PrivateBusEnvironment : ::testing::Environment {
    void SetUp() override { privateBus(); }
};
const auto* const kPrivateBus = ::testing::AddGlobalTestEnvironment(new PrivateBusEnvironment);

class SleepGuardTest : public GuiTest {
protected:
    void SetUp() override { ASSERT_FALSE(privateBus().isEmpty()) << "dbus-daemon did not start"; }
    void TearDown() override { RecordingSettings = TRecordingSettings{}; }
};

} // namespace

TEST_F(SleepGuardTest, HeldFromRecordThroughCutsAndPauseUntilStopByTheFirstServiceThatAnswers)
{
    const struct { int services; QString inhibit, release; } cases[] = {
        {StandIn::Portal | StandIn::Logind | StandIn::ScreenSaver, "portal Inhibit 12 " + kReason,
         "Close /org/freedesktop/portal/desktop/request/t1 "},
        {StandIn::Logind | StandIn::ScreenSaver, "logind Inhibit sleep:idle Tavrin block", "logind released"},
        {StandIn::ScreenSaver, "screensaver Inhibit Tavrin", "UnInhibit /org/freedesktop/ScreenSaver 7"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inhibit.toStdString());
        StandIn standIn(c.services);
        ASSERT_TRUE(standIn.ready);
        VirtualBackend backend(VirtualBackend::ClockMode::Manual);
        TForm1* f = openMainWindow(true, &backend, false);
        RecordingSettings.SavePath = folder.path() + "Recording/";
        RecordingSettings.SaveFormat = ".wav";
        RecordingSettings.SplitEnabled = true;
        RecordingSettings.SplitLength = 1;

        f->Record1->trigger();
        EXPECT_TRUE(waitUntil([&] { return standIn.calls().size() == 1; }, 5000));
        backend.advanceAndProcess(2500, 20);
        f->Pause1->trigger();
        f->Record1->trigger();
        waitUntil([] { return false; }, 200);
        EXPECT_EQ(f->ListView1->topLevelItemCount(), 2);   // cut twice, still recording
        EXPECT_EQ(standIn.calls(), QStringList{c.inhibit});
        f->Stop1->trigger();
        EXPECT_TRUE(waitUntil([&] { return standIn.calls().size() == 2; }, 5000));
        EXPECT_EQ(standIn.calls(), (QStringList{c.inhibit, c.release}));
        closeMainWindow();
    }
}

TEST_F(SleepGuardTest, WaitingForAStartTimeIsHeldAndSaysSo)
{
    StandIn standIn(StandIn::Portal);
    ASSERT_TRUE(standIn.ready);
    VirtualBackend backend(VirtualBackend::ClockMode::Manual);
    TForm1* f = openMainWindow(true, &backend, false);
    QDateTime now(QDate(2024, 3, 1), QTime(10, 0));
    f->Session->setWallClock([&] { return now; });
    RecordingSettings.SavePath = folder.path() + "Recording/";
    RecordingSettings.SaveFormat = ".wav";
    RecordingSettings.TriggerStart = "10:30";

    f->Record1->trigger();
    EXPECT_TRUE(waitUntil([&] { return standIn.calls().size() == 1; }, 5000));
    now = now.addSecs(1800);
    f->Session->clockTick();   // the time came: the same lock, now for the recording
    EXPECT_TRUE(waitUntil([&] { return standIn.calls().size() == 3; }, 5000));
    f->Stop1->trigger();
    EXPECT_TRUE(waitUntil([&] { return standIn.calls().size() == 4; }, 5000));
    const QStringList calls = standIn.calls();
    ASSERT_EQ(calls.size(), 4);
    EXPECT_EQ(calls[0], "portal Inhibit 12 Запись начнётся в 10:30:00");
    EXPECT_TRUE(calls[1].startsWith("Close ")) << calls[1].toStdString();
    EXPECT_EQ(calls[2], "portal Inhibit 12 " + kReason);
    EXPECT_TRUE(calls[3].startsWith("Close ")) << calls[3].toStdString();
    closeMainWindow();
}

TEST_F(SleepGuardTest, ANewReasonGivenWhileTheRequestIsOnItsWayIsTheOneHeld)
{
    StandIn standIn(StandIn::Portal);
    ASSERT_TRUE(standIn.ready);
    SleepGuard guard;
    guard.hold(QStringLiteral("first"));
    guard.release();   // the answer to the first request has not been read yet
    guard.hold(QStringLiteral("second"));
    EXPECT_TRUE(waitUntil([&] { return standIn.calls().size() == 3; }, 5000));
    const QStringList calls = standIn.calls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0], "portal Inhibit 12 first");
    EXPECT_TRUE(calls[1].startsWith("Close ")) << calls[1].toStdString();
    EXPECT_EQ(calls[2], "portal Inhibit 12 second");
}

TEST_F(SleepGuardTest, WithoutServiceOrBusNothingIsHeldAndNothingSaid)
{
    static int warnings = 0;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType t, const QMessageLogContext&, const QString&) {
        warnings += t != QtDebugMsg;
    });
    {
        const QDBusConnection none = QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "none");
        SleepGuard onEmptyBus, noBus(none, none);
        onEmptyBus.hold(kReason);
        noBus.hold(kReason);
        waitUntil([] { return false; }, 300);
        EXPECT_EQ(onEmptyBus.heldBy(), SleepGuard::Way::None);
        EXPECT_EQ(noBus.heldBy(), SleepGuard::Way::None);
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(warnings, 0);
}

TEST_F(SleepGuardTest, ProgramEndedBySigtermGivesTheLockBack)
{
    StandIn standIn(StandIn::Portal);
    ASSERT_TRUE(standIn.ready);
    QTemporaryDir dir;
    const QString program = dir.filePath("tavrin");
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationDirPath() + "/../tavrin", program));
    const std::string home = dir.path().toStdString();
    endurance::ChildProcess child(program.toStdString(), {{"QT_QPA_PLATFORM", "offscreen"}, {"TAVRIN_AUDIO", "virtual"},
                                                          {"TAVRIN_RECORD_AT_SHOW", "1"}, {"HOME", home}, {"XDG_RUNTIME_DIR", home}});
    ASSERT_GT(child.waitUntilRecording(30000), 0);
    EXPECT_TRUE(waitUntil([&] { return standIn.calls().size() == 1; }, 5000));
    const int status = child.signalAndReap(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
    EXPECT_EQ(standIn.calls(), (QStringList{"portal Inhibit 12 " + kReason, "Close /org/freedesktop/portal/desktop/request/t1 "}));
}
