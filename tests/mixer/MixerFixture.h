#pragma once
// The mixer tests' main window on the virtual backend. The input mixer can be made to behave
// like a sound card whose recording source is exclusive (selecting one line deselects the
// others, and the last source cannot be deselected), and every write to a mixer is counted.
#include "app/Unit1.h"
#include "engine/backends/VirtualBackend.h"
#include "support/GuiTestSupport.h"
#include <memory>

class CountingBackend : public VirtualBackend {
public:
    CountingBackend() : VirtualBackend(ClockMode::Manual) {}
    std::unique_ptr<AudioMixer> openMixer(int device, bool input) override;

    bool exclusiveSelect = false;   // input mixers: one recording source at a time
    int mixerWrites = 0;            // setter calls on any mixer opened through this backend
};

class MixerTest : public GuiTest {
protected:
    ~MixerTest() override { closeMainWindow(); }   // the window goes before its backend
    // The main window with the permanent dialogs; shown (FormShow runs) only when asked.
    TForm1* open(bool show = false) { return openMainWindow(show, &backend); }

    CountingBackend backend;
};

// Mixer lines 0..count-1 named "Line 0", "Line 1", ...
QList<VirtualBackend::MixerLine> namedLines(int count);
