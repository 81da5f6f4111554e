// Recordings that start and stop by themselves, through the session alone: a recorder on the
// virtual devices with the hand-driven clock, WAV 16-bit at 8 kHz stereo. Most inputs carry a
// frame code that survives 16-bit samples: quiet frames hold (k mod 256) / 32768 (below -42
// dBFS), loud ones 0.5 + (k mod 8192) / 32768, so every sample read back tells k mod 256.
#include "support/FileSamples.h"
#include "support/SessionFixture.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace {

constexpr int kRate = 8000;
using S = RecordingSession;

// Channel 0 of a file as 16-bit sample values.
std::vector<int> samplesOf(const QString& path)
{
    std::vector<int> out;
    for (float v : ChannelSamples(path))
        out.push_back(int(std::lround(v * 32768.0f)));
    return out;
}

// The runs of consecutive input frames a coded file holds: (first frame mod 256, length).
std::vector<std::pair<int, int>> runsOf(const std::vector<int>& samples)
{
    std::vector<std::pair<int, int>> runs;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int k = samples[i] & 0xFF;
        if (i == 0 || k != ((samples[i - 1] + 1) & 0xFF))
            runs.push_back({k, 0});
        ++runs.back().second;
    }
    return runs;
}

class TriggerTest : public SessionFixture {
protected:
    TriggerTest()
    {
        session.setWallClock([this] { return now; });
        QObject::connect(&session, &S::waiting, [this](const QString& what) { events << "waiting " + what; });
        QObject::connect(&session, &S::clockTimesCleared, [this] { events << "times cleared"; });
        QObject::connect(&session, &S::message, [this](const QString& text, S::MessageKind) { events << text; });
    }

    // Loud in the given spans of seconds, quiet elsewhere.
    void codedInput(std::vector<std::pair<double, double>> loud)
    {
        backend.setInputGenerator([loud](qint64 k, int) {
            for (const auto& [from, to] : loud)
                if (k >= qint64(from * kRate) && k < qint64(to * kRate))
                    return 0.5f + float(k % 8192) / 32768.0f;
            return float(k % 256) / 32768.0f;
        });
    }
    void soundSettings(int preroll, int silence, const char* onSilence)
    {
        settings.TriggerSound = 1;
        settings.TriggerLevel = -40;
        settings.TriggerPreroll = preroll;
        settings.TriggerSilence = silence;
        settings.TriggerOnSilence = QLatin1String(onSilence);
    }

    QDateTime now{QDate(2024, 3, 1), QTime(10, 0)};
};

const QString kStopped = QStringLiteral("stopped %1");

TEST_F(TriggerTest, ToneAfterSilenceGivesPrerollToneAndHeldSilence)
{
    // 10 s of silence, 3 s of a tone, silence: pre-roll 2 s, stop after 3 s of silence.
    backend.setInputGenerator([](qint64 k, int) {
        return k >= 10 * kRate && k < 13 * kRate ? 0.5f * float(std::sin(2 * std::numbers::pi * 440.0 * double(k) / kRate)) : 0.0f;
    });
    soundSettings(2, 3, "stop");
    session.record();
    EXPECT_EQ(session.state(), S::State::Armed);
    EXPECT_EQ(session.status().waiting, QStringLiteral("sound"));
    EXPECT_TRUE(session.status().file.isEmpty());
    run(9800);
    EXPECT_EQ(session.state(), S::State::Armed);
    EXPECT_FALSE(QFileInfo::exists(file("Untitled1.wav")));   // nothing written while waiting
    run(8000);
    EXPECT_EQ(take(), (QStringList{"waiting sound", "started Untitled1.wav",
                                   QStringLiteral("piece Untitled1.wav %1 last").arg(samplesOf(file("Untitled1.wav")).size()),
                                   kStopped.arg(int(S::StopReason::Silence))}));

    const std::vector<int> s = samplesOf(file("Untitled1.wav"));
    const auto loud = [](int v) { return std::abs(v) >= 328; };   // -40 dBFS
    const auto first = std::find_if(s.begin(), s.end(), loud) - s.begin();
    const auto last = std::find_if(s.rbegin(), s.rend(), loud).base() - s.begin();
    constexpr int kBlock = kRate / 5;
    EXPECT_NEAR(double(s.size()), 8.0 * kRate, kBlock);
    EXPECT_NEAR(double(first), 2.0 * kRate, kBlock);          // the pre-roll of silence
    EXPECT_NEAR(double(last - first), 3.0 * kRate, kBlock);    // the tone
    EXPECT_NEAR(double(s.size() - last), 3.0 * kRate, kBlock); // the silence held
}

TEST_F(TriggerTest, FileIsOneRunOfTheInputFromThePrerollOn)
{
    codedInput({{3.0, 5.0}});
    soundSettings(2, 1, "stop");
    session.record();
    run(4000);
    EXPECT_EQ(session.state(), S::State::Recording);
    run(3000);
    EXPECT_EQ(session.state(), S::State::Stopped);
    const std::vector<int> s = samplesOf(file("Untitled1.wav"));
    // From 1 s (the pre-roll before the sound at 3 s) to 6 s (the silence held 1 s), exactly.
    ASSERT_EQ(runsOf(s), (std::vector<std::pair<int, int>>{{(1 * kRate) & 0xFF, 5 * kRate}}));
    EXPECT_EQ(std::count_if(s.begin(), s.end(), [](int v) { return v >= 16384; }), 2 * kRate);
}

TEST_F(TriggerTest, PauseOnSilenceKeepsOneFileOfContiguousPieces)
{
    // Four bursts; the last comes back before the pre-roll could reach into the held silence.
    codedInput({{2.0, 3.0}, {6.0, 7.5}, {11.0, 12.0}, {13.5, 14.0}});
    soundSettings(1, 1, "pause");
    session.record();
    run(9000);
    EXPECT_EQ(session.state(), S::State::Paused);
    EXPECT_EQ(session.status().waiting, QStringLiteral("sound"));
    EXPECT_EQ(session.status().seconds, 6);   // 3 s and 3.5 s so far
    run(7000);
    session.stop();
    EXPECT_EQ(take(), (QStringList{"waiting sound", "started Untitled1.wav", "paused", "waiting sound", "resumed",
                                   "paused", "waiting sound", "resumed", "paused", "waiting sound", "resumed",
                                   "paused", "waiting sound", "piece Untitled1.wav 92000 last",
                                   kStopped.arg(int(S::StopReason::User))}));
    // 1..4 s, 5..8.5 s, and 10..15 s in one run: the pre-roll at 13.5 s began where the
    // silence cut at 13 s ended.
    EXPECT_EQ(runsOf(samplesOf(file("Untitled1.wav"))),
              (std::vector<std::pair<int, int>>{{(1 * kRate) & 0xFF, 3 * kRate},
                                                {(5 * kRate) & 0xFF, 7 * kRate / 2},
                                                {(10 * kRate) & 0xFF, 5 * kRate}}));
}

TEST_F(TriggerTest, ClockTimesStartAndStopOnceThroughTheWallClock)
{
    settings.TriggerStart = QStringLiteral("10:00:05");
    settings.TriggerStop = QStringLiteral("10:00:08");
    session.record();
    EXPECT_EQ(session.status().waiting, QStringLiteral("10:00:05"));
    EXPECT_EQ(backend.openStreamCount(), 0);   // a clock needs no capture
    now = now.addSecs(4);
    session.clockTick();
    EXPECT_EQ(session.state(), S::State::Armed);
    now = now.addSecs(1);
    session.clockTick();
    EXPECT_EQ(session.state(), S::State::Recording);
    EXPECT_TRUE(settings.TriggerStart.isEmpty());
    EXPECT_EQ(settings.TriggerStop, QStringLiteral("10:00:08"));
    run(3000);
    now = now.addSecs(3);
    session.clockTick();
    EXPECT_EQ(take(), (QStringList{"waiting 10:00:05", "times cleared", "started Untitled1.wav",
                                   "piece Untitled1.wav 24000 last", kStopped.arg(int(S::StopReason::ClockTime)),
                                   "times cleared"}));
    EXPECT_TRUE(settings.TriggerStop.isEmpty());

    // A time that has passed is tomorrow's; a start time in the settings arms a stopped
    // session by itself; the stop command cancels and clears it, closing keeps it.
    settings.TriggerStart = QStringLiteral("9:30");
    session.triggerSettingsChanged();
    EXPECT_EQ(session.status().waiting, QStringLiteral("09:30:00"));
    EXPECT_EQ(session.startsAt(), QDateTime(QDate(2024, 3, 2), QTime(9, 30)));
    session.disarm();
    EXPECT_EQ(settings.TriggerStart, QStringLiteral("9:30"));
    session.record();
    session.stop();
    EXPECT_TRUE(settings.TriggerStart.isEmpty());
    EXPECT_EQ(take(), (QStringList{"waiting 09:30:00", kStopped.arg(int(S::StopReason::Cancelled)), "waiting 09:30:00",
                                   kStopped.arg(int(S::StopReason::Cancelled)), "times cleared"}));

    // With start on sound the time arms the input; the record command then starts at once.
    codedInput({});
    soundSettings(2, 0, "stop");
    settings.TriggerStart = QStringLiteral("10:00:10");
    session.triggerSettingsChanged();
    now = now.addSecs(2);
    session.clockTick();
    EXPECT_EQ(session.status().waiting, QStringLiteral("sound"));
    run(3000);
    session.record();
    EXPECT_EQ(session.state(), S::State::Recording);
    run(1000);
    session.stop();
    EXPECT_EQ(runsOf(samplesOf(file("Untitled2.wav"))).size(), 1u);
    EXPECT_EQ(samplesOf(file("Untitled2.wav")).size(), std::size_t(3 * kRate));
    EXPECT_FALSE(QFileInfo::exists(file("Untitled3.wav")));
}

} // namespace
