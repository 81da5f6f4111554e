#pragma once
// Mixer lines on alsa-lib's simple mixer (see MixerLayout.h for which elements become lines
// and advanced controls). Values are read from the card when asked (changes made by other
// programs are picked up) and writes reach the card at once.
//
// switchValue(): on the output side true means muted (the element's playback switch is off);
// on the input side true means the line is a recording source (its capture switch is on, or
// its item is chosen in the card's input-source enumeration; choosing one deselects the
// others, and an item cannot be deselected on its own).
//
// Lines and advanced controls that do not exist read as nothing (empty name, 0, false);
// writing to them throws EngineError, as does any failing ALSA call, with ALSA's message.
#include "engine/AudioBackend.h"
#include <memory>

class AlsaMixer : public AudioMixer {
public:
    // Opens the simple mixer of an ALSA control device ("pulse", "default", "hw:0").
    // Throws EngineError when it cannot be opened.
    AlsaMixer(const QString& controlDevice, bool input);
    ~AlsaMixer() override;

    // The mixer of the card behind a PCM device name as PortAudio shows it; a device without
    // a mixer (or whose mixer cannot be opened) gives a mixer with no lines. Never null.
    static std::unique_ptr<AudioMixer> forDevice(const QString& pcmDeviceName, bool input);

    QString controlDevice() const;

#include "engine/backends/AudioMixerOverrides.h"

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A mixer with no lines, for devices that have none.
class EmptyMixer : public AudioMixer {
public:
    int lineCount() const override { return 0; }
    QString lineName(int) const override { return {}; }
    bool volumeEnabled(int) const override { return false; }
    int volume(int) const override { return 0; }
    void setVolume(int line, int) override;
    bool balanceEnabled(int) const override { return false; }
    int balance(int) const override { return 50; }
    void setBalance(int line, int) override;
    bool switchEnabled(int) const override { return false; }
    bool switchValue(int) const override { return false; }
    void setSwitchValue(int line, bool) override;
    int advancedCount(int) const override { return 0; }
    QString advancedName(int, int) const override { return {}; }
    QVariant advancedValue(int, int) const override { return {}; }
    void setAdvancedValue(int line, int, const QVariant&) override;
};
