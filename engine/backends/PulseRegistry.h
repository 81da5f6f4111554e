#pragma once
// What the sound server told about its devices, kept current by its subscription events, so
// that reading the lists or a mixer value never waits for the server.
//
// Devices: every sink (outputs) and every source (inputs, the sinks' monitors included, shown
// as "Запись выхода: " and the sink's description) by the server's description; a name that two
// devices share gets " #2", " #3". Devices are numbered in the order they are first seen and
// keep their number for the life of the backend: one that goes away stays in the list as not
// available and comes back under its old number, also when the whole server went away and came
// back (matched by the server's name of the device).
//
// Threads: the registry is written on the loop's thread (the connection's callbacks) and read
// anywhere under its mutex `m`, which is never held while waiting for the loop.
#include "engine/AudioBackend.h"
#include "engine/backends/DeviceWatchers.h"
#include "engine/backends/PulseConnection.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <map>
#include <mutex>
#include <vector>

namespace tavrin::pulse {

enum Side { Output = 0, Input = 1 };

struct Choice {
    QByteArray name;
    QString description;
};

struct Device {
    QByteArray name;                 // the server's name, the key across comings and goings
                                     // ("app:<name>" for an application)
    QString description;
    uint32_t index = PA_INVALID_INDEX;
    uint32_t card = PA_INVALID_INDEX;
    uint32_t monitorOf = PA_INVALID_INDEX;   // sources: the sink they record
    bool present = false;
    pa_cvolume volume{};
    pa_channel_map map{};
    bool mute = false;
    QList<Choice> ports;
    QByteArray activePort;
    int lastBalance = 50;            // shown while the volume is 0
    bool application = false;        // an application's sound, not a device: present while
                                     // one of its streams plays
};

// A stream some application plays (a sink input), ours left out.
struct SinkInput {
    uint32_t sink = PA_INVALID_INDEX;
    QString application;             // its application.name
};

struct Card {
    QList<Choice> profiles;          // the available ones
    QByteArray activeProfile;
};

class PulseRegistry final : public PulseConnection::Listener {
public:
    // `connection` is the one whose listener this registry is; `watchers` hear the changes.
    PulseRegistry(PulseConnection& connection, DeviceWatchers& watchers);

    mutable std::mutex m;            // everything below
    std::vector<Device> devices[2];
    std::map<uint32_t, Card> cards;
    std::map<uint32_t, SinkInput> sinkInputs;   // by the sink input's index
    QByteArray defaults[2];
    QString serverName;

    // --- reads, any thread (they lock m) ---------------------------------------------------------
    QList<AudioDeviceInfo> list(Side side) const;
    int defaultDevice(Side side) const;
    // A copy of a device's entry; throws EngineError when there is no such number.
    Device device(Side side, int number) const;
    // m locked: the name a device is shown under (without the " #2" of a shared name).
    QString displayName(const Device& d) const;
    // m locked: the server's name of the monitor of a sink, by the sink's index (empty if none).
    QByteArray monitorOf(uint32_t sink) const;

    // --- PulseConnection::Listener (loop locked) ---------------------------------------------------
    void serverReady(pa_context* c) override;
    void serverLost() override;

private:
    static PulseRegistry* self(void* user) { return static_cast<PulseRegistry*>(user); }
    void update(Side side, Device fresh);
    void remove(Side side, uint32_t index);
    // m locked: the applications' entries follow the sink inputs.
    void updateApplications();
    static void onSinkInput(pa_context*, const pa_sink_input_info* i, int eol, void* user);
    void expect(Operation op);       // an answer to come
    void answered();                 // one came: the watches hear what changed
    void tell();

    // A list answer's entry: the registry to take it, or nullptr at the end of the list (the
    // answer is complete then) and for an empty entry.
    static PulseRegistry* entryOf(void* user, int eol, const void* info);
    static void onSubscribed(pa_context*, int success, void* user);
    static void onEvent(pa_context* c, pa_subscription_event_type_t t, uint32_t index, void* user);
    template <class Info>
    static void onDevice(pa_context*, const Info* i, int eol, void* user);
    static void onCard(pa_context*, const pa_card_info* i, int eol, void* user);
    static void onServer(pa_context*, const pa_server_info* i, void* user);

    PulseConnection& connection_;
    DeviceWatchers& watchers_;
    // Loop locked.
    int pending_ = 0;                // answers still to come
    int changes_ = 0;                // what the answers so far changed
    bool refilling_ = false;         // the first answers after a server answered
};

} // namespace tavrin::pulse
