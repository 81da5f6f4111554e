// A recording driven through the session alone, without a window: a recorder on the virtual
// devices with the hand-driven clock, WAV 16-bit at 8 kHz stereo into a temporary folder. The
// events it reports are written down in order.
#include "platform/DiskSpace.h"
#include "support/FileSizeLimit.h"
#include "support/SessionFixture.h"

#include <QDir>

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

int framesIn(const QString& path)
{
    TAudioFile2 file;
    file.setActive(true);
    file.Open(path, 0, 1);
    const int frames = file.LastError() == 0 ? file.Length() : -1;
    file.Close();
    return frames;
}

class SessionTest : public SessionFixture {
protected:
    SessionTest()
    {
        session.setAsk([this](const QString& question) {
            questions << question;
            return answer;
        });
        using S = RecordingSession;
        QObject::connect(&session, &S::starting, [this] { events << "starting"; });
        QObject::connect(&session, &S::targetCreated, [this](const QString& p) { events << "target " + name(p); });
        QObject::connect(&session, &S::message, [this](const QString& text, S::MessageKind kind) {
            events << (kind == S::MessageKind::Error ? "error " : "notice ") + text;
        });
    }

    QStringList questions;
    bool answer = true;
};

constexpr int kStopUser = int(RecordingSession::StopReason::User);
constexpr int kStopLimit = int(RecordingSession::StopReason::TimeLimit);

TEST_F(SessionTest, StartPauseResumeCutAndTimeLimitInOrder)
{
    settings.SplitEnabled = true;
    settings.SplitLength = 2;
    settings.TimeLimit = 5;
    session.record();
    EXPECT_EQ(take(), (QStringList{"starting", "target Untitled1.wav", "started Untitled1.wav"}));
    EXPECT_EQ(session.state(), RecordingSession::State::Recording);
    run(1000);
    session.pause();
    EXPECT_EQ(session.status().seconds, 1);
    run(3000);   // nothing recorded, nothing tested while paused
    session.record();
    EXPECT_EQ(take(), (QStringList{"paused", "resumed"}));
    run(1000);
    const RecordingSession::Status status = session.status();
    EXPECT_EQ(status.state, RecordingSession::State::Recording);
    EXPECT_EQ(status.seconds, 2);
    EXPECT_EQ(status.file, file("Untitled1.wav"));
    run(3100);
    EXPECT_EQ(take(), (QStringList{"piece Untitled1.wav 16000", "starting", "target Untitled2.wav",
                                   "started Untitled2.wav", "piece Untitled2.wav 16000", "starting",
                                   "target Untitled3.wav", "started Untitled3.wav",
                                   QStringLiteral("piece Untitled3.wav 8000 last"),
                                   QStringLiteral("stopped %1").arg(kStopLimit)}));
    EXPECT_EQ(session.state(), RecordingSession::State::Stopped);
    EXPECT_EQ(settings.SplitOffset, 0);
    EXPECT_EQ(framesIn(file("Untitled1.wav")), 16000);
    EXPECT_EQ(framesIn(file("Untitled2.wav")), 16000);
    EXPECT_EQ(framesIn(file("Untitled3.wav")), 8000);

    // A command from elsewhere: toggle records, the status says what, toggle stops.
    settings.TimeLimit = -1;
    settings.SplitEnabled = false;
    session.toggle();
    run(1500);
    EXPECT_EQ(session.status().file, file("Untitled4.wav"));
    session.toggle();
    EXPECT_EQ(take(), (QStringList{"starting", "target Untitled4.wav", "started Untitled4.wav",
                                   "piece Untitled4.wav 12000 last", QStringLiteral("stopped %1").arg(kStopUser)}));
    EXPECT_EQ(session.status().state, RecordingSession::State::Stopped);
    EXPECT_TRUE(session.status().file.isEmpty());
    EXPECT_TRUE(questions.isEmpty());
}

TEST_F(SessionTest, WriteFailureAndLostDeviceEndWithTheFileKept)
{
    session.record();
    {
        FileSizeLimit limit(64 * 1024);   // about two seconds
        run(4000);
    }
    run(200);
    QStringList e = take();
    ASSERT_GE(e.size(), 5);
    EXPECT_TRUE(e[3].startsWith("piece Untitled1.wav ") && e[3].endsWith(" last")) << e.join('|').toStdString();
    EXPECT_EQ(e[4], QStringLiteral("stopped %1").arg(int(RecordingSession::StopReason::WriteFailed)));
    EXPECT_TRUE(e.last().startsWith("error Recording stopped: ")) << e.last().toStdString();
    EXPECT_EQ(e.filter("error").size(), 1);
    const int written = framesIn(file("Untitled1.wav"));
    EXPECT_GT(written, 8000);
    EXPECT_LE(written, 64 * 1024 / 4);

    session.record();
    run(1010);
    backend.loseDevice(true);
    run(200);
    e = take();
    EXPECT_EQ(e.mid(3), (QStringList{QStringLiteral("piece Untitled2.wav %1 last").arg(framesIn(file("Untitled2.wav"))),
                                     QStringLiteral("stopped %1").arg(int(RecordingSession::StopReason::DeviceLost)),
                                     "error Recording stopped: the input device was lost (The device was unplugged)"}));
    EXPECT_GE(framesIn(file("Untitled2.wav")), 8000);
    EXPECT_EQ(session.state(), RecordingSession::State::Stopped);
}

// ---- starts that cannot be made ------------------------------------------------------------

TEST_F(SessionTest, AnInputThatCannotStartSaysSoAndLeavesNoTarget)
{
    backend.refuseNextOpen(QStringLiteral("The device is busy"));
    session.record();
    EXPECT_EQ(take(), (QStringList{"starting", "target Untitled1.wav",
                                   QStringLiteral("stopped %1").arg(int(RecordingSession::StopReason::NotStarted)),
                                   "error Recording could not start: The device is busy"}));
    EXPECT_EQ(QDir(settings.SavePath).entryList(QDir::Files), QStringList{});
    session.record();   // the next command records into the same name
    run(500);
    session.stop();
    EXPECT_EQ(framesIn(file("Untitled1.wav")), 4000);
}

// Files the test makes are the effective user's: while one lives, a root test runs as nobody,
// so that a folder it may not write is one indeed.
class NotRoot {
public:
    NotRoot() { root_ = ::geteuid() == 0 && ::setegid(65534) == 0 && ::seteuid(65534) == 0; }
    ~NotRoot()
    {
        if (root_) {
            EXPECT_EQ(::seteuid(0), 0);
            EXPECT_EQ(::setegid(0), 0);
        }
    }

private:
    bool root_ = false;
};

TEST_F(SessionTest, AFolderThatCannotTakeTheRecordingSaysWhyBeforeAnyQuestion)
{
    // Room for a few seconds only: a folder that could be written would be asked about first.
    setFreeDiskBytesForTests([](const QString&) { return qint64(1000000); });
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QFile blocker(dir.path() + "/afile");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString readOnly = dir.path() + "/readonly/";
    ASSERT_TRUE(QDir().mkpath(readOnly));
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);

    settings.SavePath = dir.path() + "/afile/rec/";
    session.record();
    settings.SavePath = readOnly;
    {
        NotRoot user;
        session.record();
    }
    settings.SavePath = readOnly + "sub/";
    {
        NotRoot user;
        session.record();
    }
    setFreeDiskBytesForTests({});
    const QString failed = QStringLiteral("stopped %1").arg(int(RecordingSession::StopReason::Failed));
    EXPECT_EQ(take(), (QStringList{failed, "error Cannot create " + dir.path() + "/afile/rec/: Not a directory",
                                   failed, "error Cannot write to " + readOnly + ": Permission denied",
                                   failed, "error Cannot create " + readOnly + "sub/: Permission denied"}));
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(session.state(), RecordingSession::State::Stopped);
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
