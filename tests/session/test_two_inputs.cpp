// Two recorders as one input on the virtual devices with the hand-driven clock: the second
// device's clock runs apart from the first's, its sound is brought onto the first's frames and
// mixed or split; what each input loses is told apart.
#include "app/RecordingInput.h"
#include "app/RecordingSession.h"
#include "support/SessionApplication.h"
#include "engine/BlockWriter.h"
#include "engine/InputMix.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioFile2LameEnc.h"
#include "engine/TAudioRecord2.h"
#include "engine/backends/VirtualBackend.h"
#include "platform/SleepGuard.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <functional>

namespace {

QCoreApplication* application()
{
    return sessionApplication();
}

using engine::InputLayout;

// Looks at each block as it comes, instead of keeping an hour of audio.
class Inspector : public RecordBlockReceiver {
public:
    std::function<void(const float* frames, int count, int channels)> look;
    qint64 frames = 0;
    void blockReady(SampleArray block) override
    {
        if (look)
            look(block.data(), block.frames(), block.channels());
        frames += block.frames();
    }
};

// A device's signal: `value(seconds)` at every channel, on the device's own clock.
VirtualBackend::BlockGenerator tone(int rate, double clockRatio, std::function<double(double)> value)
{
    return [rate, clockRatio, value](qint64 first, int n, int channels, float* out) {
        for (int f = 0; f < n; ++f) {
            const auto v = static_cast<float>(value(static_cast<double>(first + f) / (rate * clockRatio)));
            for (int c = 0; c < channels; ++c)
                *out++ = v;
        }
    };
}

double sine(double hz, double seconds)
{
    return std::sin(2.0 * M_PI * std::fmod(hz * seconds, 1.0));
}

// The complex amplitude of `hz` in x (a whole number of its periods long).
std::complex<double> amplitude(const std::vector<double>& x, int rate, double hz)
{
    std::complex<double> sum;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double a = 2.0 * M_PI * std::fmod(hz * static_cast<double>(i) / rate, 1.0);
        sum += x[i] * std::complex<double>(std::sin(a), std::cos(a));
    }
    return sum * (2.0 / static_cast<double>(x.size()));
}

// Distortion and noise of a sine: the power outside +-20 Hz of `hz` (and of 0 Hz) against the
// power within, with a Blackman-Harris window.
double distortionDb(const std::vector<double>& x, int rate, double hz)
{
    const std::size_t n = x.size();
    std::vector<double> w(n);
    double total = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double p = 2.0 * M_PI * static_cast<double>(i) / static_cast<double>(n);
        w[i] = x[i] * (0.35875 - 0.48829 * std::cos(p) + 0.14128 * std::cos(2 * p) - 0.01168 * std::cos(3 * p));
        total += w[i] * w[i];
    }
    auto bin = [&](int k) {
        std::complex<double> sum;
        for (std::size_t i = 0; i < n; ++i)
            sum += w[i] * std::polar(1.0, -2.0 * M_PI * static_cast<double>(k) * static_cast<double>(i) / static_cast<double>(n));
        return std::norm(sum) / static_cast<double>(n);
    };
    const double binHz = static_cast<double>(rate) / static_cast<double>(n);
    const int band = static_cast<int>(std::ceil(20.0 / binHz));
    const int centre = static_cast<int>(std::lround(hz / binHz));
    double tone = 0, low = bin(0);
    for (int k = centre - band; k <= centre + band; ++k)
        tone += 2 * bin(k);   // and its mirror
    for (int k = 1; k <= band; ++k)
        low += 2 * bin(k);
    return 10.0 * std::log10(std::max(total - tone - low, 1e-30) / tone);
}

class TwoInputsTest : public ::testing::Test {
protected:
    TwoInputsTest()
    {
        application();
        backend.setInputDevices({AudioDeviceInfo{QStringLiteral("Microphone"), true},
                                 AudioDeviceInfo{QStringLiteral("Monitor of Speakers"), true}});
        second.setDeviceIndex(1);
        input.setSecondEnabled(true);
        input.setBlockReceiver(&inspector);
    }
    ~TwoInputsTest() override { input.stop(); }

    void start(int rate, int channels, InputLayout layout)
    {
        input.setLayout(layout);
        input.setFormat(rate, channels, 200);
        QString reason;
        ASSERT_TRUE(input.start(reason)) << reason.toStdString();
    }
    // Virtual seconds, the queued events let run after each.
    void run(int seconds)
    {
        for (int s = 0; s < seconds; ++s) {
            backend.advance(1000);
            QCoreApplication::processEvents();
        }
    }

    VirtualBackend backend{VirtualBackend::ClockMode::Manual};
    TAudioRecord2 first{nullptr, &backend};
    TAudioRecord2 second{nullptr, &backend};
    TwoRecorderInput input{first, second};
    Inspector inspector;
};

// An hour with the second card 0.1 % fast. Left: the first input, a sample counter that must
// go on without a gap. Right: the second input, a 1 kHz sine plus a 2 Hz one whose phase says
// how far it is from where the first input's frames of the same moment are.
TEST_F(TwoInputsTest, AnHourWithClocksApartStaysAlignedWithoutGapsAndTheSineStaysClean)
{
    constexpr int rate = 8000;
    constexpr int minutes = 60;
    backend.setInputDeviceGenerator(0, [](qint64 from, int n, int channels, float* out) {
        for (int f = 0; f < n; ++f)
            for (int c = 0; c < channels; ++c)
                *out++ = VirtualBackend::counterValue(from + f, 0);
    });
    backend.setInputClockRatio(1, 1.001);
    backend.setInputDeviceGenerator(1, tone(rate, 1.001, [](double t) { return 0.5 * sine(1000, t) + 0.25 * sine(2, t); }));

    qint64 expected = 0;
    qint64 gaps = 0;
    std::vector<double> window;
    double worstAlignmentMs = 0, worstDistortionDb = -200, lastDistortionDb = 0;
    inspector.look = [&](const float* frames, int count, int channels) {
        ASSERT_EQ(channels, 2);
        for (int f = 0; f < count; ++f, ++expected) {
            if (VirtualBackend::counterFrame(frames[f * 2]) != (expected & 0xFFFFFF))
                ++gaps;
            // One second of the second input at the start of every minute.
            const qint64 inMinute = expected % (60 * rate);
            if (inMinute < rate)
                window.push_back(frames[f * 2 + 1]);
            if (inMinute == rate - 1 && !window.empty()) {
                const std::complex<double> slow = amplitude(window, rate, 2);
                // The 2 Hz sine of frame j is sine(2, j / rate - offset): its phase is behind by
                // 2 pi 2 offset.
                const double offsetMs = -std::arg(slow) / (2 * M_PI * 2) * 1000;
                worstAlignmentMs = std::max(worstAlignmentMs, std::abs(offsetMs));
                lastDistortionDb = distortionDb(window, rate, 1000);
                worstDistortionDb = std::max(worstDistortionDb, lastDistortionDb);
                window.clear();
            }
        }
    };
    start(rate, 2, InputLayout::Split);
    double minRatio = 2, maxRatio = 0;
    for (int m = 0; m < minutes; ++m) {
        run(60);
        if (m >= 5) {
            minRatio = std::min(minRatio, input.mix()->ratio());
            maxRatio = std::max(maxRatio, input.mix()->ratio());
        }
    }
    input.stop();
    std::printf("[ figures  ] an hour, clocks 0.1 %% apart: alignment within %.2f ms, distortion %.1f dB "
                "(worst %.1f dB), ratio %.7f..%.7f\n",
                worstAlignmentMs, lastDistortionDb, worstDistortionDb, minRatio, maxRatio);

    EXPECT_EQ(inspector.frames, qint64(minutes) * 60 * rate);
    EXPECT_EQ(gaps, 0);
    EXPECT_EQ(first.OverflowCount(), 0);
    EXPECT_EQ(input.secondOverflowFrames(), 0);
    EXPECT_EQ(input.mix()->secondLate(), 0);
    EXPECT_EQ(input.mix()->secondLost(), 0);
    EXPECT_LT(worstAlignmentMs, 20.0);
    EXPECT_LT(worstDistortionDb, -70.0);
    EXPECT_NEAR(1.0 / maxRatio, 1.001, 0.0002);   // the second's extra frames are taken up
}

// Split: each input in its own channel; mixed: both in every channel, the sum kept within full
// scale where two loud inputs would pass it; a mono recording of a split gets the mix.
TEST_F(TwoInputsTest, LayoutsPutEachInputWhereItBelongsAndTheSumNeverClips)
{
    constexpr int rate = 8000;
    backend.setInputDeviceGenerator(0, tone(rate, 1.0, [](double t) { return 0.4 * sine(440, t); }));
    backend.setInputDeviceGenerator(1, tone(rate, 1.0, [](double t) { return 0.3 * sine(1000, t); }));
    struct Case {
        int channels;
        InputLayout layout;
        double first[2];    // the amplitude of each input in each channel
        double second[2];
    };
    const Case cases[] = {{2, InputLayout::Split, {0.4, 0}, {0, 0.3}},
                          {2, InputLayout::Mixed, {0.4, 0.4}, {0.3, 0.3}},
                          {1, InputLayout::Split, {0.4, 0}, {0.3, 0}}};
    for (const Case& c : cases) {
        std::vector<double> channel[2];
        inspector.look = [&](const float* frames, int count, int channels) {
            for (int f = 0; f < count; ++f)
                for (int ch = 0; ch < channels; ++ch)
                    channel[ch].push_back(frames[f * channels + ch]);
        };
        start(rate, c.channels, c.layout);
        run(3);
        input.stop();
        for (int ch = 0; ch < c.channels; ++ch) {
            // The last two seconds: whole periods of both sines.
            const std::vector<double> tail(channel[ch].end() - 2 * rate, channel[ch].end());
            EXPECT_NEAR(std::abs(amplitude(tail, rate, 440)), c.first[ch], 0.01) << c.channels << int(c.layout) << ch;
            EXPECT_NEAR(std::abs(amplitude(tail, rate, 1000)), c.second[ch], 0.01) << c.channels << int(c.layout) << ch;
        }
        EXPECT_EQ(input.mix()->limitedFrames(), 0);
    }

    // Two inputs near full scale, in phase: the sum would reach 1.7.
    backend.setInputDeviceGenerator(0, tone(rate, 1.0, [](double t) { return 0.85 * sine(200, t); }));
    backend.setInputDeviceGenerator(1, tone(rate, 1.0, [](double t) { return 0.85 * sine(200, t); }));
    float peak = 0;
    double magnitude = 0;
    qint64 samples = 0;
    inspector.look = [&](const float* frames, int count, int channels) {
        for (int i = 0; i < count * channels; ++i) {
            peak = std::max(peak, std::abs(frames[i]));
            magnitude += std::abs(frames[i]);
        }
        samples += count * channels;
    };
    start(rate, 2, InputLayout::Mixed);
    run(3);
    input.stop();
    EXPECT_LE(peak, 1.0f);
    EXPECT_GT(peak, 0.95f);
    // A sine brought down to full scale (2 / pi), not one cut flat at it (0.8).
    EXPECT_NEAR(magnitude / static_cast<double>(samples), 2 / M_PI, 0.03);
    EXPECT_GT(input.mix()->limitedFrames(), 0);
}

// A device's first words on its delay can be a block off either way, and come right only a
// second or two later (a sink working in large blocks): the second input still lies where it belongs from
// the recording's first frame, rather than being drawn there over seconds at a changed pitch.
TEST(InputMixStart, ADelaySaidWrongAtFirstDoesNotMisplaceTheSecondInput)
{
    constexpr int rate = 8000, step = 160, earlier = 800;   // the second device started 0.1 s before
    engine::InputMix mix({rate, 2, InputLayout::Split});
    const auto value = [](qint64 frame) { return static_cast<float>(frame) * 1e-5f; };
    std::vector<float> first(2 * step, 0.5f), second, out, right;
    const auto deliverSecond = [&](qint64 from, int count) {
        second.clear();
        for (qint64 f = from; f < from + count; ++f)
            second.insert(second.end(), 2, value(f));
        mix.addSecond(second.data(), count);
    };
    deliverSecond(0, earlier);
    for (qint64 done = 0; done < 6 * rate; done += step) {
        deliverSecond(done + earlier, step);
        // Its word is 0.3 s out for the first half second, then 0.15 s the other way until 1.3 s.
        const qint64 wrong = done < rate / 2 ? rate * 3 / 10 : done < rate * 13 / 10 ? -rate * 15 / 100 : 0;
        const qint64 secondPosition = done + step + earlier + wrong;
        const int n = mix.addFirst(first.data(), step, done + step, secondPosition, out);
        for (int f = 0; f < n; ++f)
            right.push_back(out[2 * f + 1]);
    }
    ASSERT_GT(right.size(), static_cast<std::size_t>(3 * rate));
    int misplaced = 0;
    for (std::size_t f = 64; f < right.size(); ++f)   // past the converter's first frames
        misplaced += std::abs(right[f] - value(static_cast<qint64>(f) + earlier)) > 16 * 1e-5f;   // 2 ms
    EXPECT_EQ(misplaced, 0);
    EXPECT_EQ(mix.secondLate() + mix.secondLost(), 0);
}

// Through the session: the second input unplugged leaves the recording running on the first
// with silence in its place and one notice; losses are told per input.
TEST(TwoInputsSession, ASecondInputLostLeavesTheRecordingRunningWithOneNotice)
{
    application();
    QTemporaryDir dir;
    VirtualBackend backend{VirtualBackend::ClockMode::Manual};
    backend.setInputDevices({AudioDeviceInfo{QStringLiteral("Microphone"), true},
                             AudioDeviceInfo{QStringLiteral("Headset"), true}});
    backend.setInputDeviceGenerator(0, tone(8000, 1.0, [](double t) { return 0.25 * sine(440, t); }));
    backend.setInputDeviceGenerator(1, tone(8000, 1.0, [](double t) { return 0.25 * sine(1000, t); }));
    TAudioRecord2 first{nullptr, &backend};
    TAudioRecord2 second{nullptr, &backend};
    second.setDeviceIndex(1);
    TwoRecorderInput input{first, second};
    input.setSecondEnabled(true);
    input.setLayout(InputLayout::Split);
    TAudioFile2 target;
    TAudioFile2LameEnc encoder;
    TRecordingSettings settings;
    settings.SavePath = dir.path() + QStringLiteral("/");
    settings.SaveFormat = QStringLiteral(".wav");
    settings.WavFrequency = 8000;
    settings.WavChannels = 2;
    settings.WavBits = 16;
    RecordingSession session{input, target, encoder, settings};
    const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"), QStringLiteral("none"));
    session.setSleepGuard(std::make_unique<SleepGuard>(none, none));
    QStringList messages;
    QObject::connect(&session, &RecordingSession::message,
                     [&](const QString& text, RecordingSession::MessageKind) { messages << text; });
    RecordingSession::Tick lastTick;
    QObject::connect(&session, &RecordingSession::ticked, [&](const RecordingSession::Tick& t) { lastTick = t; });

    session.record();
    backend.advanceAndProcess(2000, 20);
    backend.injectOverflow(400);   // both inputs lose 50 ms
    backend.advanceAndProcess(1000, 20);
    EXPECT_EQ(lastTick.lostFrames, 800);
    EXPECT_EQ(lastTick.secondLostFrames, 400);
    backend.loseInputDevice(1);
    backend.advanceAndProcess(2000, 20);
    EXPECT_EQ(session.state(), RecordingSession::State::Recording);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith("The second input was lost (The device was unplugged)")) << messages[0].toStdString();
    const QString path = session.file();
    session.stop();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].endsWith("(the first input 400, the second input 400).")) << messages[1].toStdString();

    TAudioFile2 file;
    file.setActive(true);
    file.Open(path, 0, 1);
    ASSERT_EQ(file.LastError(), 0);
    EXPECT_EQ(file.Length(), 5 * 8000);
    SampleArray all = file.ReadArray(file.Length());
    ASSERT_EQ(all.frames(), 5 * 8000);
    std::vector<double> right, rightEnd;
    for (int f = 8000; f < 16000; ++f)
        right.push_back(all.data()[f * 2 + 1]);
    for (int f = 4 * 8000; f < 5 * 8000; ++f)
        rightEnd.push_back(all.data()[f * 2 + 1]);
    EXPECT_NEAR(std::abs(amplitude(right, 8000, 1000)), 0.25, 0.01);
    EXPECT_LT(std::abs(amplitude(rightEnd, 8000, 1000)), 0.001);   // silence once it is gone
}

} // namespace
