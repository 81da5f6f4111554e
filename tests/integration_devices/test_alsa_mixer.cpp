// Mixer lines on the ALSA control device "pulse": what is written reaches the server at once.
#include "PulseFixture.h"

#include "engine/EngineError.h"
#include "engine/backends/AlsaMixer.h"
#include "engine/backends/PortAudioBackend.h"

#include <QRegularExpression>

#include <algorithm>
#include <functional>
#include <unistd.h>
#include <cmath>

using namespace devtest;

namespace {

// Per-channel volumes of a sink or source as `pactl get-...-volume` prints them (raw values).
std::vector<long> pactlVolumes(const std::string& what, const std::string& name)
{
    const QString text = QString::fromStdString(run("pactl get-" + what + "-volume " + name));
    std::vector<long> out;
    static const QRegularExpression value(QStringLiteral(":\\s*(\\d+)\\s*/"));
    for (auto it = value.globalMatch(text); it.hasNext();)
        out.push_back(it.next().captured(1).toLong());
    return out;
}

// The "pulse" control device works on the server's default sink and source; "pulse:NAME"
// on the sink or source NAME. The tests write to their own sink and its monitor only, so that
// tests running alongside are not disturbed.
class PulseMixer : public PulseTest {
protected:
    void TearDown() override
    {
        // The sink serves the other tests of this program afterwards.
        run("pactl set-sink-volume " + sinkName() + " 65536 65536");
        run("pactl set-sink-mute " + sinkName() + " 0");
        run("pactl set-source-volume " + monitorName() + " 65536 65536");
        run("pactl set-source-mute " + monitorName() + " 0");
    }
    QString outputControl() const { return QString::fromStdString("pulse:" + sinkName()); }
    QString inputControl() const { return QString::fromStdString("pulse:" + monitorName()); }
};

// Asks until `pred` holds, for up to three seconds.
bool eventually(const std::function<bool()>& pred)
{
    for (int i = 0; i < 150; ++i) {
        if (pred())
            return true;
        ::usleep(20 * 1000);
    }
    return pred();
}

// The pulse control device's range is 0..65536.
int toUnitOfPulse(long raw) { return static_cast<int>(std::lround(raw * 65535.0 / 65536.0)); }

} // namespace

TEST_F(PulseMixer, OutputLineReachesTheSink)
{
    const std::string sink = sinkName();
    AlsaMixer mixer(outputControl(), false);
    ASSERT_GE(mixer.lineCount(), 1);
    EXPECT_EQ(mixer.lineName(0), QStringLiteral("Master"));
    ASSERT_TRUE(mixer.volumeEnabled(0));
    ASSERT_TRUE(mixer.balanceEnabled(0));
    ASSERT_TRUE(mixer.switchEnabled(0));

    mixer.setBalance(0, 50);
    mixer.setVolume(0, 32768);
    EXPECT_EQ(mixer.volume(0), 32768);
    auto v = pactlVolumes("sink", sink);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_NEAR(v[0], 32768, 2);   // the card's range is 0..65536
    EXPECT_NEAR(v[1], 32768, 2);

    // Balance 25: the right side at half the left, the left keeping the volume.
    mixer.setBalance(0, 25);
    v = pactlVolumes("sink", sink);
    EXPECT_NEAR(v[0], 32768, 2);
    EXPECT_NEAR(v[1], 16384, 2);
    EXPECT_EQ(mixer.balance(0), 25);
    EXPECT_EQ(mixer.volume(0), 32768);
    // A new volume keeps the balance.
    mixer.setVolume(0, 65535);
    v = pactlVolumes("sink", sink);
    EXPECT_NEAR(v[0], 65536, 2);
    EXPECT_NEAR(v[1], 32768, 2);
    EXPECT_EQ(mixer.balance(0), 25);

    // Mute: true means muted.
    mixer.setSwitchValue(0, true);
    EXPECT_EQ(run("pactl get-sink-mute " + sink), "Mute: yes");
    EXPECT_TRUE(mixer.switchValue(0));
    mixer.setSwitchValue(0, false);
    EXPECT_EQ(run("pactl get-sink-mute " + sink), "Mute: no");
    EXPECT_FALSE(mixer.switchValue(0));

    // Changes made by another program are read back (they arrive as events from the server,
    // a moment later).
    run("pactl set-sink-volume " + sink + " 16384 16384");
    EXPECT_TRUE(eventually([&] { return mixer.volume(0) == 16384; }));
    EXPECT_EQ(mixer.balance(0), 50);
    run("pactl set-sink-mute " + sink + " 1");
    EXPECT_TRUE(eventually([&] { return mixer.switchValue(0); }));
}

TEST_F(PulseMixer, InputLineReachesTheSource)
{
    const std::string source = monitorName();
    AlsaMixer mixer(inputControl(), true);
    ASSERT_GE(mixer.lineCount(), 1);
    EXPECT_EQ(mixer.lineName(0), QStringLiteral("Capture"));
    ASSERT_TRUE(mixer.volumeEnabled(0));
    ASSERT_TRUE(mixer.balanceEnabled(0));   // the monitor has two channels
    ASSERT_TRUE(mixer.switchEnabled(0));
    mixer.setBalance(0, 50);
    mixer.setVolume(0, 49152);
    auto v = pactlVolumes("source", source);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_NEAR(v[0], 49152, 2);
    EXPECT_NEAR(v[1], 49152, 2);
    EXPECT_EQ(mixer.volume(0), 49152);
    mixer.setBalance(0, 80);   // the left side lowered
    v = pactlVolumes("source", source);
    EXPECT_NEAR(v[0], 49152 * 0.4, 2);
    EXPECT_NEAR(v[1], 49152, 2);
    EXPECT_EQ(mixer.balance(0), 80);
    // Select: the capture switch (on = the source records, off = it is muted).
    mixer.setSwitchValue(0, false);
    EXPECT_EQ(run("pactl get-source-mute " + source), "Mute: yes");
    EXPECT_FALSE(mixer.switchValue(0));
    mixer.setSwitchValue(0, true);
    EXPECT_EQ(run("pactl get-source-mute " + source), "Mute: no");
    EXPECT_TRUE(mixer.switchValue(0));
}

TEST_F(PulseMixer, ThePlainPulseControlShowsTheDefaultSink)
{
    AlsaMixer mixer(QStringLiteral("pulse"), false);
    ASSERT_GE(mixer.lineCount(), 1);
    const auto v = pactlVolumes("sink", run("pactl get-default-sink"));
    ASSERT_FALSE(v.empty());
    EXPECT_EQ(mixer.volume(0), toUnitOfPulse(*std::max_element(v.begin(), v.end())));
}

TEST_F(PulseMixer, LinesThatDoNotExistReadAsNothingAndRefuseWrites)
{
    AlsaMixer mixer(outputControl(), false);
    const int n = mixer.lineCount();
    EXPECT_EQ(mixer.lineName(n), QString());
    EXPECT_EQ(mixer.volume(n), 0);
    EXPECT_FALSE(mixer.volumeEnabled(-1));
    EXPECT_FALSE(mixer.switchValue(n));
    EXPECT_EQ(mixer.advancedCount(n), 0);
    EXPECT_FALSE(mixer.advancedValue(0, 5).isValid());
    EXPECT_THROW(mixer.setVolume(n, 100), EngineError);
    EXPECT_THROW(mixer.setSwitchValue(-1, true), EngineError);
    EXPECT_THROW(mixer.setAdvancedValue(0, 0, QVariant(1)), EngineError);
}

TEST_F(PulseMixer, DevicesWithoutAMixerGiveAnEmptyOne)
{
    EXPECT_THROW(AlsaMixer(QStringLiteral("tavrin_no_such_control"), false), EngineError);
    auto none = AlsaMixer::forDevice(QStringLiteral("tavrin_no_such_device"), true);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->lineCount(), 0);
    EXPECT_THROW(none->setVolume(0, 1), EngineError);
}

TEST_F(PulseMixer, TheBackendOpensTheMixerBehindItsDevices)
{
    auto backend = createPortAudioBackend();
    ASSERT_TRUE(backend);
    const auto outputs = backend->outputDevices();
    int pulse = -1;
    for (int i = 0; i < outputs.size(); ++i)
        if (outputs[i].name == QStringLiteral("pulse"))
            pulse = i;
    ASSERT_GE(pulse, 0);
    auto mixer = backend->openMixer(pulse, false);
    ASSERT_TRUE(mixer);
    ASSERT_GE(mixer->lineCount(), 1);
    EXPECT_EQ(mixer->lineName(0), QStringLiteral("Master"));
    EXPECT_EQ(backend->openMixer(outputs.size(), false)->lineCount(), 0);
}
