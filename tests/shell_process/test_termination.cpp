// The program ends on SIGTERM, SIGINT and SIGHUP as by the window's close: the closing steps
// run (setup.ini gets the time limit) and the exit status is 0.
#include "support/GuiTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <gtest/gtest.h>

namespace {

// True once the process has a handler installed for `sig` (its caught-signal mask in /proc).
bool catchesSignal(qint64 pid, int sig)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            bool ok = false;
            const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
            return ok && (mask & (1ULL << (sig - 1)));
        }
    }
    return false;
}

class Termination : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(Termination, EndsTheProgramAsTheWindowCloseDoes)
{
    testApplication();
    const QString built = QCoreApplication::applicationDirPath() + "/../tavrin";
    ASSERT_TRUE(QFileInfo::exists(built)) << built.toStdString();

    // A copy of its own, so that setup.ini is written into a fresh program folder.
    QTemporaryDir dir;
    const QString program = dir.path() + "/tavrin";
    ASSERT_TRUE(QFile::copy(built, program));
    QFile::setPermissions(program, QFile::permissions(program) | QFile::ExeUser);

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("TAVRIN_AUDIO", "virtual");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, {});
    ASSERT_TRUE(p.waitForStarted(5000));

    const int sig = GetParam();
    QDeadlineTimer deadline(10000);
    while (!catchesSignal(p.processId(), sig) && !deadline.hasExpired()
           && p.state() == QProcess::Running)
        QThread::msleep(5);
    ASSERT_TRUE(catchesSignal(p.processId(), sig)) << p.readAll().toStdString();

    ::kill(pid_t(p.processId()), sig);
    ASSERT_TRUE(p.waitForFinished(10000)) << "still running after the signal";
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << p.readAll().toStdString();
    EXPECT_EQ(p.exitCode(), 0) << p.readAll().toStdString();

    ASSERT_TRUE(QFileInfo::exists(dir.path() + "/setup.ini"));
    QFile ini(dir.path() + "/setup.ini");
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll().toLower();
    EXPECT_TRUE(text.contains("[options]"));
    EXPECT_TRUE(text.contains("timelimit=-1"));
}

INSTANTIATE_TEST_SUITE_P(Signals, Termination, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& test) {
                             return test.param == SIGTERM ? std::string("SIGTERM")
                                    : test.param == SIGINT ? std::string("SIGINT")
                                                           : std::string("SIGHUP");
                         });
