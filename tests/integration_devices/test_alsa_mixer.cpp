// Mixer lines on the ALSA control device "pulse": what is written reaches the server at once.
#include "PulseFixture.h"

#include "engine/EngineError.h"
#include "engine/backends/AlsaMixer.h"
#include "engine/backends/PortAudioBackend.h"

#include <QRegularExpression>

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

// The "pulse" control device works on the server's default sink and source; whatever the
// test changes there is put back afterwards.
class PulseMixer : public PulseTest {
protected:
    void SetUp() override
    {
        PulseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        sink = run("pactl get-default-sink");
        source = run("pactl get-default-source");
        ASSERT_FALSE(sink.empty());
        savedSinkVolume = run("pactl get-sink-volume " + sink);
        savedSinkMute = run("pactl get-sink-mute " + sink);
        savedSourceVolume = run("pactl get-source-volume " + source);
    }
    void TearDown() override
    {
        if (sink.empty())
            return;
        auto raw = [](const std::string& s) {
            std::string out;
            static const QRegularExpression value(QStringLiteral(":\\s*(\\d+)\\s*/"));
            for (auto it = value.globalMatch(QString::fromStdString(s)); it.hasNext();)
                out += " " + it.next().captured(1).toStdString();
            return out;
        };
        run("pactl set-sink-volume " + sink + raw(savedSinkVolume));
        run("pactl set-sink-mute " + sink + (savedSinkMute.find("yes") != std::string::npos ? " 1" : " 0"));
        run("pactl set-source-volume " + source + raw(savedSourceVolume));
    }

    std::string sink, source;
    std::string savedSinkVolume, savedSinkMute, savedSourceVolume;
};

} // namespace

TEST_F(PulseMixer, OutputLineReachesTheDefaultSink)
{
    AlsaMixer mixer(QStringLiteral("pulse"), false);
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

    // Changes made by another program are read back.
    run("pactl set-sink-volume " + sink + " 16384 16384");
    EXPECT_EQ(mixer.volume(0), 16384);
    EXPECT_EQ(mixer.balance(0), 50);
    run("pactl set-sink-mute " + sink + " 1");
    EXPECT_TRUE(mixer.switchValue(0));
}

TEST_F(PulseMixer, InputLineReachesTheDefaultSource)
{
    AlsaMixer mixer(QStringLiteral("pulse"), true);
    ASSERT_GE(mixer.lineCount(), 1);
    EXPECT_EQ(mixer.lineName(0), QStringLiteral("Capture"));
    ASSERT_TRUE(mixer.volumeEnabled(0));
    EXPECT_TRUE(mixer.switchEnabled(0));
    mixer.setVolume(0, 49152);
    for (long v : pactlVolumes("source", source))
        EXPECT_NEAR(v, 49152, 2);
    EXPECT_EQ(mixer.volume(0), 49152);
    // The pulse control device shows the source as one channel: no balance.
    EXPECT_FALSE(mixer.balanceEnabled(0));
    EXPECT_EQ(mixer.balance(0), 50);
    EXPECT_THROW(mixer.setBalance(0, 30), EngineError);
}

TEST_F(PulseMixer, LinesThatDoNotExistReadAsNothingAndRefuseWrites)
{
    AlsaMixer mixer(QStringLiteral("pulse"), false);
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
