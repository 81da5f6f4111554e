#pragma once
// How the elements of a sound card's simple mixer become the lines the mixer pages show, and
// the arithmetic between the cards' ranges and the engine's units. Pure logic (no ALSA), so it
// can be tested with the element lists of cards this machine does not have.
//
// Lines of the output side: every element with a playback volume or switch of its own. Lines of
// the input side: every element with a capture volume or switch of its own, followed by one line
// per item of the card's input-source enumeration that has no element of that name (the line
// of an item that has one gets the item as its select switch). Everything else becomes an
// advanced control of the line its name starts with ("Mic Boost" belongs to "Mic"), or of
// line 0 when no line name matches: enumerations and controls without a direction on the
// output side, boosts and further capture enumerations on the input side.
#include <QList>
#include <QString>
#include <QStringList>

namespace tavrin::mixer {

struct ElementCaps {
    QString name;                 // element name, " N" appended for index N > 0
    bool playbackVolume = false;  // of its own (not a common volume)
    bool playbackSwitch = false;
    bool captureVolume = false;
    bool captureSwitch = false;
    bool commonVolume = false;    // one volume for both directions (boosts, for instance)
    bool commonSwitch = false;
    bool enumerated = false;
    bool captureEnum = false;     // an input-source selection
    QStringList items;            // items of an enumeration
};

struct AdvancedControl {
    enum class Kind { Level, Switch, Choice };
    int element = -1;
    Kind kind = Kind::Level;
    QString name;
};

struct LinePlan {
    QString name;
    int element = -1;       // element behind volume, balance and switch; -1 for a pure source item
    int selectEnum = -1;    // input lines: the enumeration that selects this line ...
    int selectItem = -1;    // ... and the item that stands for it
    QList<AdvancedControl> advanced;
};

QList<LinePlan> planLines(const QList<ElementCaps>& elements, bool input);

// The engine's 0..65535 against a card's raw range (linear in the raw value).
int toUnit(long raw, long min, long max);
long fromUnit(int value, long min, long max);

// Balance 0..100 (50 centre, 0 all left) from left and right levels; -1 when both are 0 and
// the balance therefore unknown.
int balanceOf(long left, long right);
// Left and right levels for a volume (the louder side) and a balance.
void levelsFor(long volume, int balance, long& left, long& right);

// The ALSA control device behind a PCM device name as PortAudio shows it: "pulse" and
// "default" stay, "... (hw:1,0)" and "hw:1,0" give "hw:1", "front:CARD=PCH,DEV=0" gives
// "hw:PCH"; other names are tried as they are.
QString controlDeviceFor(const QString& pcmName);

} // namespace tavrin::mixer
