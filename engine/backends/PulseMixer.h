#pragma once
// The mixer lines of one sound-server device.
//
// Line 0 is the device itself: volume as the loudest channel, balance from the channels, mute
// (on the input side its switch means "records", i.e. not muted); it carries the output's ports
// and the card's profiles as advanced switches.
// An output has one more line per channel ("Левый", "Правый", ...): that channel's volume, and
// the device's mute as its switch (the server mutes a device as a whole), so every line of an
// output shows whether it is heard.
// An input with several ports has one more line per port, whose switch selects it.
//
// Reads come from the registry and never wait; writes change the registry's entry at once and
// send the request without waiting for its answer.
#include "engine/AudioBackend.h"
#include "engine/backends/PulseCore.h"

#include <memory>

namespace tavrin::pulse {

class PulseMixer final : public AudioMixer {
public:
    PulseMixer(std::shared_ptr<PulseCore> core, Side side, int number);

#include "engine/backends/AudioMixerOverrides.h"

private:
    // Registry locked.
    const Device* entry() const;
    qsizetype portLines(const Device& d) const;
    qsizetype channelLines(const Device& d) const;
    qsizetype advancedPorts(const Device& d) const;
    QList<Choice> profiles(const Device& d) const;

    // Changes the registry's entry and sends the request the change makes (without waiting
    // for the answer). `change` returns the request.
    template <class Change>
    void write(int line, Change change);
    // Changes the device's volume (`change` edits it) and sends it.
    template <class Change>
    void writeVolume(int line, Change change);

    std::shared_ptr<PulseCore> core_;
    Side side_;
    int number_;
};

} // namespace tavrin::pulse
