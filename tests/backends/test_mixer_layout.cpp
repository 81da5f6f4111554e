#include "engine/backends/MixerLayout.h"

#include <gtest/gtest.h>

using namespace tavrin::mixer;

namespace {

ElementCaps playback(const char* name, bool volume = true, bool sw = true)
{
    ElementCaps e;
    e.name = QString::fromLatin1(name);
    e.playbackVolume = volume;
    e.playbackSwitch = sw;
    return e;
}

ElementCaps capture(const char* name, bool volume = true, bool sw = true)
{
    ElementCaps e;
    e.name = QString::fromLatin1(name);
    e.captureVolume = volume;
    e.captureSwitch = sw;
    return e;
}

ElementCaps enumeration(const char* name, QStringList items, bool captureSide)
{
    ElementCaps e;
    e.name = QString::fromLatin1(name);
    e.enumerated = true;
    e.captureEnum = captureSide;
    e.items = std::move(items);
    return e;
}

ElementCaps boost(const char* name)
{
    ElementCaps e;
    e.name = QString::fromLatin1(name);
    e.commonVolume = true;
    return e;
}

// Simple-mixer elements of a typical HD-audio laptop card.
QList<ElementCaps> hdaCard()
{
    return {playback("Master"),
            playback("Headphone"),
            playback("Speaker"),
            playback("PCM", true, false),
            playback("Mic"),                       // loopback of the microphone
            boost("Mic Boost"),
            capture("Capture"),
            enumeration("Auto-Mute Mode", {"Disabled", "Enabled"}, false),
            enumeration("Input Source", {"Mic", "Internal Mic"}, true),
            boost("Internal Mic Boost")};
}

QStringList names(const QList<LinePlan>& lines)
{
    QStringList out;
    for (const auto& l : lines)
        out << l.name;
    return out;
}

} // namespace

TEST(MixerLayout, PulseHasOneLineEachWay)
{
    const QList<ElementCaps> pulse = {playback("Master"), capture("Capture")};
    const auto out = planLines(pulse, false);
    const auto in = planLines(pulse, true);
    EXPECT_EQ(names(out), QStringList{"Master"});
    EXPECT_EQ(names(in), QStringList{"Capture"});
    EXPECT_EQ(out[0].element, 0);
    EXPECT_EQ(in[0].element, 1);
    EXPECT_TRUE(out[0].advanced.isEmpty());
}

TEST(MixerLayout, OutputLinesOfAnHdaCard)
{
    const auto lines = planLines(hdaCard(), false);
    EXPECT_EQ(names(lines), (QStringList{"Master", "Headphone", "Speaker", "PCM", "Mic"}));
    // The playback enumeration has no line of its name: it goes to line 0.
    ASSERT_EQ(lines[0].advanced.size(), 1);
    EXPECT_EQ(lines[0].advanced[0].name, "Auto-Mute Mode");
    EXPECT_EQ(lines[0].advanced[0].kind, AdvancedControl::Kind::Choice);
    // Boosts belong to the input side, not to the "Mic" loopback line.
    EXPECT_TRUE(lines[4].advanced.isEmpty());
}

TEST(MixerLayout, InputLinesOfAnHdaCardWithItsSourceSelection)
{
    const auto lines = planLines(hdaCard(), true);
    EXPECT_EQ(names(lines), (QStringList{"Capture", "Mic", "Internal Mic"}));
    EXPECT_EQ(lines[0].selectEnum, -1);          // its own capture switch
    EXPECT_EQ(lines[1].element, -1);              // only a source item
    EXPECT_EQ(lines[1].selectEnum, 8);
    EXPECT_EQ(lines[1].selectItem, 0);
    EXPECT_EQ(lines[2].selectItem, 1);
    // Each boost goes to the line its name begins with, the longest match winning.
    ASSERT_EQ(lines[1].advanced.size(), 1);
    EXPECT_EQ(lines[1].advanced[0].name, "Mic Boost");
    EXPECT_EQ(lines[1].advanced[0].kind, AdvancedControl::Kind::Level);
    ASSERT_EQ(lines[2].advanced.size(), 1);
    EXPECT_EQ(lines[2].advanced[0].name, "Internal Mic Boost");
    EXPECT_TRUE(lines[0].advanced.isEmpty());
}

TEST(MixerLayout, ASourceItemWithItsOwnElementSharesTheLine)
{
    // An older card: each input has capture controls and a source enumeration names them.
    const QList<ElementCaps> card = {capture("Line", true, false), capture("Mic", true, false),
                                     enumeration("Capture Source", {"Mic", "Line", "CD"}, true)};
    const auto lines = planLines(card, true);
    EXPECT_EQ(names(lines), (QStringList{"Line", "Mic", "CD"}));
    EXPECT_EQ(lines[0].element, 0);
    EXPECT_EQ(lines[0].selectItem, 1);
    EXPECT_EQ(lines[1].selectItem, 0);
    EXPECT_EQ(lines[2].element, -1);
    EXPECT_EQ(lines[2].selectItem, 2);
}

TEST(MixerLayout, SwitchesAndExtraLevelsBecomeAdvancedControls)
{
    ElementCaps jack;
    jack.name = "Headphone Jack Sense";
    jack.commonSwitch = true;
    ElementCaps both = boost("Line Boost");
    both.commonSwitch = true;
    const QList<ElementCaps> card = {playback("Master"), playback("Headphone"), capture("Line"), jack, both};
    const auto out = planLines(card, false);
    ASSERT_EQ(out[1].advanced.size(), 1);
    EXPECT_EQ(out[1].advanced[0].kind, AdvancedControl::Kind::Switch);
    EXPECT_EQ(out[1].advanced[0].name, "Headphone Jack Sense");
    const auto in = planLines(card, true);
    ASSERT_EQ(in[0].advanced.size(), 2);
    EXPECT_EQ(in[0].advanced[0].kind, AdvancedControl::Kind::Level);
    EXPECT_EQ(in[0].advanced[1].kind, AdvancedControl::Kind::Switch);
    EXPECT_EQ(in[0].advanced[1].name, "Line Boost Switch");
}

TEST(MixerLayout, NoElementsNoLines)
{
    EXPECT_TRUE(planLines({}, false).isEmpty());
    // Advanced controls without any line to carry them are dropped.
    EXPECT_TRUE(planLines({enumeration("Auto-Mute Mode", {"a", "b"}, false)}, false).isEmpty());
}

TEST(MixerLayout, UnitsAgainstCardRanges)
{
    EXPECT_EQ(toUnit(0, 0, 65536), 0);
    EXPECT_EQ(toUnit(65536, 0, 65536), 65535);
    EXPECT_EQ(toUnit(87, 0, 87), 65535);
    EXPECT_EQ(toUnit(-20, -40, 0), 32768);   // rounds half away
    EXPECT_EQ(toUnit(5, 5, 5), 0);           // an empty range
    EXPECT_EQ(fromUnit(65535, 0, 87), 87);
    EXPECT_EQ(fromUnit(0, 3, 87), 3);
    EXPECT_EQ(fromUnit(-7, 0, 87), 0);
    EXPECT_EQ(fromUnit(70000, 0, 87), 87);
    // A value survives the trip to a fine range and back.
    for (int v : {0, 1, 1000, 32767, 32768, 65534, 65535})
        EXPECT_EQ(toUnit(fromUnit(v, 0, 65536), 0, 65536), v);
}

TEST(MixerLayout, BalanceFromLeftAndRight)
{
    EXPECT_EQ(balanceOf(100, 100), 50);
    EXPECT_EQ(balanceOf(100, 0), 0);
    EXPECT_EQ(balanceOf(0, 100), 100);
    EXPECT_EQ(balanceOf(100, 50), 25);
    EXPECT_EQ(balanceOf(50, 100), 75);
    EXPECT_EQ(balanceOf(0, 0), -1);
    long l = 0, r = 0;
    levelsFor(1000, 50, l, r);
    EXPECT_EQ(l, 1000);
    EXPECT_EQ(r, 1000);
    levelsFor(1000, 25, l, r);   // the louder side keeps the volume
    EXPECT_EQ(l, 1000);
    EXPECT_EQ(r, 500);
    levelsFor(1000, 100, l, r);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(r, 1000);
    levelsFor(1000, 130, l, r);
    EXPECT_EQ(l, 0);
    for (int b = 0; b <= 100; ++b) {
        levelsFor(65536, b, l, r);
        EXPECT_NEAR(balanceOf(l, r), b, 1) << b;
    }
}

TEST(MixerLayout, ControlDeviceBehindAPcmName)
{
    EXPECT_EQ(controlDeviceFor("pulse"), "pulse");
    EXPECT_EQ(controlDeviceFor("default"), "default");
    EXPECT_EQ(controlDeviceFor("HDA Intel PCH: ALC892 Analog (hw:0,0)"), "hw:0");
    EXPECT_EQ(controlDeviceFor("USB Audio: - (hw:2,1)"), "hw:2");
    EXPECT_EQ(controlDeviceFor("hw:1,0"), "hw:1");
    EXPECT_EQ(controlDeviceFor("plughw:1,0"), "hw:1");
    EXPECT_EQ(controlDeviceFor("front:CARD=PCH,DEV=0"), "hw:PCH");
    EXPECT_EQ(controlDeviceFor("sysdefault:CARD=Generic"), "hw:Generic");
    EXPECT_EQ(controlDeviceFor("dmix"), "dmix");
}
