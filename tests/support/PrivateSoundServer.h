#pragma once
// A sound server of the test's own, for tests that stop it, crash it and start it again: a
// private PulseAudio in a temporary folder with the test command's configuration (null sink
// "tavrin_null" as the default sink, its monitor as the default source, a 440 Hz sine source
// "tavrin_sine"), run by scripts/start-pulse.sh. While the object lives, new sound-server
// clients of this process (libpulse, pactl) reach it through PULSE_SERVER; the server they
// reached before, the test command's or the desktop's, is never touched, and is reached again
// once the object is gone. The server is stopped when the object goes, also when a test fails;
// should the process die first, the server ends by itself 20 s after its last client left.
// Needs TAVRIN_SOURCE_DIR (the source tree) defined for the test program.
#include <QByteArray>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdlib>

class PrivateSoundServer {
public:
    PrivateSoundServer()
    {
        const char* before = std::getenv("PULSE_SERVER");
        hadServer_ = before != nullptr;
        serverBefore_ = before ? before : "";
        ::setenv("PULSE_SERVER", ("unix:" + dir_.path() + QStringLiteral("/pulse/native")).toUtf8().constData(), 1);
        started_ = start();
    }
    ~PrivateSoundServer()
    {
        script(QStringLiteral("halt"));
        if (hadServer_)
            ::setenv("PULSE_SERVER", serverBefore_.constData(), 1);
        else
            ::unsetenv("PULSE_SERVER");
    }
    PrivateSoundServer(const PrivateSoundServer&) = delete;
    PrivateSoundServer& operator=(const PrivateSoundServer&) = delete;

    bool started() const { return started_; }
    const QString& error() const { return error_; }

    bool start() { return script(QStringLiteral("serve")); }   // returns once it answers
    bool stop() { return script(QStringLiteral("halt")); }     // as a restart by the user does
    bool crash() { return script(QStringLiteral("crash")); }   // as a crash does

    // Runs pactl on this server; its standard output, trimmed.
    QString pactl(const QStringList& args, bool* ok = nullptr) const
    {
        QProcess p;
        p.start(QStringLiteral("pactl"), args);
        const bool done = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (ok)
            *ok = done;
        return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    }

private:
    bool script(const QString& verb)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(TAVRIN_SOURCE_DIR "/scripts/start-pulse.sh"), {verb, dir_.path()});
        const bool ok = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (!ok)
            error_ = QStringLiteral("start-pulse.sh %1 failed: %2").arg(verb, QString::fromLocal8Bit(p.readAll()));
        return ok;
    }

    QTemporaryDir dir_{QDir::tempPath() + QStringLiteral("/tavrin-own-pulse.XXXXXX")};
    bool hadServer_ = false;
    QByteArray serverBefore_;
    bool started_ = false;
    QString error_;
};
