#pragma once
// What the sound-server backend, its streams and its mixers share: the options, the connection
// and the registry of devices. Streams and mixers hold it by shared pointer, so it lives as long
// as any of them.
#include "engine/backends/DeviceWatchers.h"
#include "engine/backends/PulseBackend.h"
#include "engine/backends/PulseConnection.h"
#include "engine/backends/PulseRegistry.h"

namespace tavrin::pulse {

struct PulseCore {
    // Connects; throws EngineError when no server answers.
    explicit PulseCore(const PulseOptions& given)
        : options(given), registry(connection, watchers), connection(given.answerSeconds, registry)
    {
        connection.open();
    }
    // The loop stops before the registry goes: no callback runs on a dead object.
    ~PulseCore() { connection.close(); }
    PulseCore(const PulseCore&) = delete;
    PulseCore& operator=(const PulseCore&) = delete;

    const PulseOptions options;
    DeviceWatchers watchers;
    PulseRegistry registry;
    PulseConnection connection;
};

} // namespace tavrin::pulse
