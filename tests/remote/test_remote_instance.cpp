// One running program per settings file, driven by later starts of the program: a real
// build/tavrin started by the test hands its command, its files and its status question to
// the running program, over the session bus or, where there is none, the socket in the
// runtime folder. Programs of two folders run at once and never take each other's commands.
#include "app/RemoteControl.h"
#include "app/Unit1.h"
#include "engine/backends/VirtualBackend.h"
#include "platform/ProgramFolder.h"
#include "platform/SingleInstance.h"
#include "settings/RecordingSettings.h"
#include "support/GuiTestSupport.h"
#include "support/PrivateBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTreeWidget>

#include <csignal>
#include <gtest/gtest.h>

namespace {

enum class Road { Bus, Socket };

struct Ended {
    Ended(int c = -1, QString o = {}, QString e = {}) : code(c), out(std::move(o)), err(std::move(e)) {}
    int code;
    QString out;
    QString err;   // a start that hands over says nothing there
    bool operator==(const Ended&) const = default;
};

void PrintTo(const Ended& r, std::ostream* os)
{
    *os << "exit " << r.code << ", \"" << r.out.toStdString() << "\", stderr \"" << r.err.toStdString() << "\"";
}

// A copy of the built program in `folder`: a program of that settings folder.
QString programIn(const QString& folder)
{
    const QString program = QDir(folder).filePath("tavrin");
    if (!QFileInfo::exists(program)) {
        QFile::copy(QCoreApplication::applicationDirPath() + "/../tavrin", program);
        QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeUser);
    }
    return program;
}

// Runs a start of the program to its end; the event loop runs meanwhile (the program it talks
// to may be this test's).
Ended run(const QString& program, const QStringList& args, const QString& workingFolder = {})
{
    QProcess p;
    p.setWorkingDirectory(workingFolder);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return {};
    if (!waitUntil([&] { return p.state() == QProcess::NotRunning; }, 60000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

class RemoteInstance : public GuiTest, public ::testing::WithParamInterface<Road> {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(privateBus().isEmpty()) << "dbus-daemon did not start";
        if (GetParam() == Road::Socket)
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        qputenv("TAVRIN_AUDIO", "virtual");
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qunsetenv("DISPLAY");   // nothing may reach for a bus of the desktop
    }
    void TearDown() override
    {
        qputenv("DBUS_SESSION_BUS_ADDRESS", privateBus().toUtf8());
        RecordingSettings = TRecordingSettings{};
    }
    QString nameOf(const QString& settingsFolder) const
    {
        return InstanceName(settingsFolder, UserConfigFolder(QDir::homePath(), qEnvironmentVariable("XDG_CONFIG_HOME")));
    }
    // The road the requests took: the name on the bus, or the socket alone.
    void expectRoad(const QString& name) const
    {
        const QDBusConnection bus = QDBusConnection::connectToBus(privateBus(), "road");
        const bool onBus = bus.interface()->isServiceRegistered(name);
        EXPECT_EQ(onBus, GetParam() == Road::Bus);
        EXPECT_TRUE(QFileInfo::exists(runtime.filePath(name + ".socket")));
    }

    QTemporaryDir runtime;
};

} // namespace

TEST_P(RemoteInstance, AnotherStartRecordsPausesStopsOpensAndAsksAsTheWindowsOwnCommandsDo)
{
    TForm1* f = openMainWindow(true, nullptr, false);
    RecordingSettings.SavePath = folder.path() + "Recording/";
    RecordingSettings.SaveFormat = ".wav";
    RecordingSettings.NameTemplate = "take %Y";
    SingleInstance instance(nameOf(Locations().configFolder));
    ASSERT_TRUE(instance.listen());
    RemoteControl remote(*f);
    instance.setStatus([&] { return remote.status(); });
    QObject::connect(&instance, &SingleInstance::requested, &remote, &RemoteControl::handle);
    const QString tavrin = programIn(folder.path());

    EXPECT_EQ(run(tavrin, {"--status"}), (Ended{0, "stopped\n"}));
    EXPECT_EQ(run(tavrin, {"--record"}), (Ended{0, ""}));
    ASSERT_TRUE(waitUntil([&] { return f->IsRecording; }, 10000));
    const QString file = folder.path() + QStringLiteral("Recording/take %1.wav").arg(QDate::currentDate().year());
    EXPECT_EQ(f->RecordFileName, file);
    virtualBackend()->advanceAndProcess(2500);
    EXPECT_EQ(run(tavrin, {"--status"}), (Ended{0, "recording 2 " + file + "\n"}));

    // Files handed over while recording wait until the open command is there again.
    writeWav(folder.file("a.wav"), 800);
    writeWav(folder.file("b c.wav"), 1600);
    EXPECT_EQ(run(tavrin, {"a.wav", "b c.wav"}, folder.path()), (Ended{0, ""}));
    EXPECT_EQ(run(tavrin, {"--pause"}), (Ended{0, ""}));
    EXPECT_TRUE(waitUntil([&] { return f->RecordPaused; }, 10000));
    EXPECT_EQ(run(tavrin, {"--status"}), (Ended{0, "paused 2 " + file + "\n"}));
    EXPECT_EQ(f->ListView1->topLevelItemCount(), 0);

    EXPECT_EQ(run(tavrin, {"--toggle"}), (Ended{0, ""}));   // stops what is paused
    ASSERT_TRUE(waitUntil([&] { return f->ListView1->topLevelItemCount() == 3; }, 10000));
    EXPECT_FALSE(f->IsRecording);
    EXPECT_EQ(f->ListView1->topLevelItem(0)->text(0), QFileInfo(file).fileName());
    EXPECT_EQ(f->ListView1->topLevelItem(1)->text(0), "a.wav");
    EXPECT_EQ(f->ListView1->topLevelItem(2)->text(0), "b c.wav");
    EXPECT_EQ(f->CurrentFile, folder.file("b c.wav"));
    EXPECT_EQ(run(tavrin, {"--status"}), (Ended{0, "stopped\n"}));
    expectRoad(instance.name());
}

TEST_P(RemoteInstance, ProgramsOfTwoFoldersRunAtOnceAndKeepApart)
{
    QTemporaryDir a, b;
    for (const QTemporaryDir* dir : {&a, &b}) {
        QFile ini(dir->filePath("setup.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[options]\nsaveformat=.wav\n[tips]\nshowtip=0\n");
    }
    const QString ta = programIn(a.path()), tb = programIn(b.path());
    EXPECT_EQ(run(ta, {"--status"}), (Ended{1, "not running\n"}));
    EXPECT_EQ(run(ta, {"--stop"}).code, 1);

    // With none running, --record starts the program, which records.
    QProcess pa, pb;
    pa.start(ta, {"--record"});
    pb.start(tb, {});
    const QString recording = a.filePath("Recording/Untitled1.wav");
    EXPECT_TRUE(waitUntil([&] { return run(ta, {"--status"}).out.startsWith("recording "); }, 30000));
    EXPECT_TRUE(waitUntil([&] { return run(tb, {"--status"}) == Ended{0, "stopped\n"}; }, 30000));
    EXPECT_TRUE(run(ta, {"--status"}).out.endsWith(" " + recording + "\n"));

    EXPECT_EQ(run(tb, {"--stop"}), (Ended{0, ""}));
    EXPECT_EQ(run(tb, {}), (Ended{0, ""}));   // a second start of b only shows b's window
    EXPECT_TRUE(run(ta, {"--status"}).out.startsWith("recording "));
    EXPECT_EQ(run(ta, {"--stop"}), (Ended{0, ""}));
    EXPECT_TRUE(waitUntil([&] { return run(ta, {"--status"}) == Ended{0, "stopped\n"}; }, 30000));
    EXPECT_GT(QFileInfo(recording).size(), 44);
    expectRoad(nameOf(a.path()));

    for (QProcess* p : {&pa, &pb}) {
        ::kill(pid_t(p->processId()), SIGTERM);
        EXPECT_TRUE(waitUntil([&] { return p->state() == QProcess::NotRunning; }, 30000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    EXPECT_EQ(run(tb, {"--status"}), (Ended{1, "not running\n"}));
}

INSTANTIATE_TEST_SUITE_P(Roads, RemoteInstance, ::testing::Values(Road::Bus, Road::Socket),
                         [](const ::testing::TestParamInfo<Road>& road) {
                             return std::string(road.param == Road::Bus ? "SessionBus" : "Socket");
                         });
