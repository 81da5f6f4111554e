#pragma once
// The session tests' fixture: a recording session without a window, on a recorder of the
// virtual devices with the hand-driven clock, WAV 16-bit stereo at 8 kHz into a temporary
// folder, with no desktop to keep awake. The session's starts, pauses, resumptions, pieces and
// stops are written down in order as events; a test adds the other signals it follows.
#include "app/RecordingInput.h"
#include "app/RecordingSession.h"
#include "engine/BlockWriter.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioFile2LameEnc.h"
#include "engine/TAudioRecord2.h"
#include "engine/backends/VirtualBackend.h"
#include "platform/SleepGuard.h"
#include "support/SessionApplication.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <utility>

class SessionFixture : public ::testing::Test {
protected:
    SessionFixture()
    {
        sessionApplication();
        settings.SavePath = dir.path() + QStringLiteral("/rec/");
        settings.SaveFormat = QStringLiteral(".wav");
        settings.WavFrequency = 8000;
        settings.WavChannels = 2;
        settings.WavBits = 16;
        // No desktop to keep awake: a guard on a bus that is not there.
        const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"), QStringLiteral("none"));
        session.setSleepGuard(std::make_unique<SleepGuard>(none, none));
        using S = RecordingSession;
        QObject::connect(&session, &S::started, [this](const QString& p) { events << "started " + name(p); });
        QObject::connect(&session, &S::paused, [this] { events << "paused"; });
        QObject::connect(&session, &S::resumed, [this] { events << "resumed"; });
        QObject::connect(&session, &S::pieceFinished, [this](const QString& p, qint64 frames, bool last) {
            events << QStringLiteral("piece %1 %2%3").arg(name(p)).arg(frames).arg(last ? " last" : "");
        });
        QObject::connect(&session, &S::stopped, [this](S::StopReason reason, const QString&) {
            events << QStringLiteral("stopped %1").arg(int(reason));
        });
    }
    ~SessionFixture() override { recorder.StopRecord(); }

    static QString name(const QString& path) { return QFileInfo(path).fileName(); }
    QString file(const QString& n) const { return settings.SavePath + n; }
    // Virtual time in steps of 20 ms with the events after each; then the writer catches up
    // and what it reported is handled.
    void run(int ms)
    {
        backend.advanceAndProcess(ms, 20);
        if (session.writer())
            session.writer()->flush();
        QCoreApplication::processEvents();
    }
    QStringList take() { return std::exchange(events, {}); }

    QTemporaryDir dir;
    VirtualBackend backend{VirtualBackend::ClockMode::Manual};
    TAudioRecord2 recorder{nullptr, &backend};
    RecorderInput input{recorder};
    TAudioFile2 target;
    TAudioFile2LameEnc encoder;
    TRecordingSettings settings;
    RecordingSession session{input, target, encoder, settings};
    QStringList events;
};
