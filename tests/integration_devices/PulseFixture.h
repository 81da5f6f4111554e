#pragma once
// The real sound stack for the device tests: a reachable PulseAudio server (test.sh starts a
// private one when none runs) and, for each test process, its own null sink, so that tests
// running side by side do not hear each other. Streams are pointed at the sink and its monitor
// through PULSE_SINK / PULSE_SOURCE, which the ALSA "pulse" device passes on to the server.
// (PulseAudio's sine source delivers in two-second lumps; the tests play their own tones into
// the sink instead and record the monitor.)
//
// Without a server the tests fail, saying why.
#include <gtest/gtest.h>

#include <QString>
#include <string>

namespace devtest {

// Runs a shell command; its standard output, trimmed. `ok` tells whether it exited with 0.
std::string run(const std::string& command, bool* ok = nullptr);

// The per-process sink and its monitor.
std::string sinkName();
std::string monitorName();

// Points new streams at these (PULSE_SINK / PULSE_SOURCE).
void useSink(const std::string& sink);
void useSource(const std::string& source);

// For each test: fails without a server; loads the sink once and points new streams at it.
class PulseTest : public ::testing::Test {
protected:
    void SetUp() override;
};

} // namespace devtest
