#include "PulseFixture.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace devtest {

namespace {

struct Modules {
    bool loaded = false;
    std::string sinkModule;
    std::string keepAlivePid;
    ~Modules()
    {
        if (!keepAlivePid.empty())
            run("kill " + keepAlivePid);
        if (!sinkModule.empty())
            run("pactl unload-module " + sinkModule);
    }
};

Modules& modules()
{
    static Modules m;
    return m;
}

std::string suffix() { return std::to_string(static_cast<long>(::getpid())); }

} // namespace

std::string run(const std::string& command, bool* ok)
{
    std::string out;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) {
        if (ok)
            *ok = false;
        return out;
    }
    std::array<char, 512> buf{};
    while (std::fgets(buf.data(), static_cast<int>(buf.size()), pipe))
        out += buf.data();
    const int status = ::pclose(pipe);
    if (ok)
        *ok = status == 0;
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

std::string sinkName() { return "tavrin_test_sink_" + suffix(); }
std::string monitorName() { return sinkName() + ".monitor"; }

void useSink(const std::string& sink) { ::setenv("PULSE_SINK", sink.c_str(), 1); }
void useSource(const std::string& source) { ::setenv("PULSE_SOURCE", source.c_str(), 1); }

void PulseTest::SetUp()
{
    bool ok = false;
    run("pactl info", &ok);
    ASSERT_TRUE(ok) << "No PulseAudio server is reachable (`pactl info` fails). test.sh starts a private "
                       "one through scripts/start-pulse.sh; run the tests through test.sh, or start a server.";
    Modules& m = modules();
    if (!m.loaded) {
        m.loaded = true;
        m.sinkModule = run("pactl load-module module-null-sink sink_name=" + sinkName()
                           + " sink_properties=device.description=" + sinkName(), &ok);
        ASSERT_TRUE(ok) << "cannot load a null sink";
        // An idle null sink works in two-second blocks and takes that long to follow a new
        // stream. A silent low-latency stream keeps it quick; a suspend and resume makes it
        // take that latency at once.
        m.keepAlivePid = run("sh -c 'pacat --playback --device=" + sinkName()
                             + " --latency-msec=40 --client-name=tavrin-test-keepalive </dev/zero "
                               ">/dev/null 2>&1 & echo $!'");
        ::usleep(200 * 1000);
        run("pactl suspend-sink " + sinkName() + " 1");
        run("pactl suspend-sink " + sinkName() + " 0");
    }
    useSink(sinkName());
    useSource(monitorName());
}

} // namespace devtest
