// The backend on the sound server's own client library (libpulse).
//
// Connection: one context on a threaded main loop; every callback runs on the loop's thread.
// The UI thread waits for the server only where the backend interface needs an answer (opening,
// starting and stopping a stream), and never longer than PulseOptions::answerSeconds. Device
// lists and mixer values live in a registry that the server's subscription events keep current,
// so reading them never waits; mixer writes are sent without waiting for the answer, and the
// registry takes the written value at once.
//
// Devices: every sink (outputs) and every source (inputs, the sinks' monitors included, shown as
// "Запись выхода: " and the sink's description) by the server's description; a name that two
// devices share gets " #2", " #3". Devices are numbered in the order they are first seen and
// keep their number for the life of the backend: one that goes away stays in the list as not
// available, and comes back under its old number. The initial devices are the server's defaults.
//
// Streams: 32-bit float at the rate and channel count asked for (the server converts from the
// device's own format and channel layout); a capture fragment of captureSeconds and a playback
// target of bufferSeconds, so the program and the server wake two or three times a second while
// recording and about ten times a second while playing. Streams are never moved to another
// device: one whose device goes away, or that the server ends, is reported once through
// deviceLost. On the loop's thread our own work (the gap check, the copy into the
// engine, rendering) runs inside a DeviceCallbackScope; the client library's calls around it
// (peek, drop, begin_write, write) are its own business.
//
// Capture loss: holes in the stream, and audio the server dropped without saying so, found by
// CaptureGapDetector as frames received falling behind the wall clock for good.
//
// Mixer: line 0 is the device itself (volume as the loudest channel, balance from the channels,
// mute; on the input side its switch means "records", i.e. not muted). An input with several
// ports gets one more line per port whose switch selects it. The device's line carries the
// output's ports and the card's profiles as advanced switches.
#include "engine/backends/PulseBackend.h"
#include "engine/DeviceCallback.h"
#include "engine/EngineError.h"
#include "engine/backends/CaptureGapDetector.h"
#include "engine/backends/DeviceWatchers.h"

#include <pulse/pulseaudio.h>

#include <QByteArray>
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <type_traits>
#include <vector>

namespace {

QString paText(int err) { return QString::fromUtf8(pa_strerror(err)); }

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

constexpr int Output = 0;
constexpr int Input = 1;

// ---------------------------------------------------------------------------------------------
// The main loop and the context.
class Connection {
public:
    explicit Connection(double answerSeconds) : answerSeconds_(answerSeconds)
    {
        try {
            open();
        } catch (...) {
            close();
            throw;
        }
    }
    ~Connection() { close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    class Lock {
    public:
        explicit Lock(Connection& c) : loop_(c.loop_) { pa_threaded_mainloop_lock(loop_); }
        ~Lock() { pa_threaded_mainloop_unlock(loop_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    pa_context* context() const { return context_; }
    void signal() { pa_threaded_mainloop_signal(loop_, 0); }
    QString lastError() const { return paText(pa_context_errno(context_)); }
    bool ready() const { return pa_context_get_state(context_) == PA_CONTEXT_READY; }

    // Lock held: lets the loop run until done() or the deadline; returns done().
    template <class Done>
    bool waitUntil(Done done)
    {
        struct Alarm {
            pa_threaded_mainloop* loop;
            bool rang = false;
        } alarm{loop_};
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
        timeval when{};
        pa_gettimeofday(&when);
        pa_timeval_add(&when, static_cast<pa_usec_t>(answerSeconds_ * 1e6));
        pa_time_event* event = api->time_new(
            api, &when,
            [](pa_mainloop_api*, pa_time_event*, const timeval*, void* user) {
                auto* a = static_cast<Alarm*>(user);
                a->rang = true;
                pa_threaded_mainloop_signal(a->loop, 0);
            },
            &alarm);
        if (!event)
            throw EngineError(QStringLiteral("The sound server's main loop cannot keep time"));
        while (!done() && !alarm.rang)
            pa_threaded_mainloop_wait(loop_);
        api->time_free(event);
        return done();
    }

    // Lock held: waits for an operation whose callback signals the loop. False when it did not
    // finish in time (it is cancelled then) or could not be sent.
    bool finish(pa_operation* op)
    {
        if (!op)
            return false;
        const bool done = waitUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; });
        if (!done)
            pa_operation_cancel(op);
        pa_operation_unref(op);
        return done;
    }

    // Lock held: sends a request whose answer nobody waits for.
    void send(pa_operation* op, const QString& what)
    {
        if (!op)
            throw EngineError(what + QStringLiteral(": ") + lastError());
        pa_operation_unref(op);
    }

    // Disconnects and stops the loop's thread: no callback runs once this returns.
    void close() noexcept
    {
        if (started_) {
            pa_threaded_mainloop_lock(loop_);
            release();
            pa_threaded_mainloop_unlock(loop_);
            pa_threaded_mainloop_stop(loop_);
            started_ = false;
        }
        release();
        if (loop_) {
            pa_threaded_mainloop_free(loop_);
            loop_ = nullptr;
        }
    }

    // Called on the loop's thread when the context fails after it was ready.
    void setOnFailure(void (*f)(void*), void* user)
    {
        onFailure_ = f;
        failureUser_ = user;
    }

private:
    void open()
    {
        loop_ = pa_threaded_mainloop_new();
        if (!loop_)
            throw EngineError(QStringLiteral("Cannot create the sound server's main loop"));
        pa_proplist* props = pa_proplist_new();
        if (!props)
            throw EngineError(QStringLiteral("Cannot describe the program to the sound server"));
        pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Tavrin");
        pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "tavrin");
        pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "audio-input-microphone");
        context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "Tavrin", props);
        pa_proplist_free(props);
        if (!context_)
            throw EngineError(QStringLiteral("Cannot create a sound server context"));
        pa_context_set_state_callback(context_, &Connection::onState, this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            throw EngineError(QStringLiteral("No sound server answers: ") + lastError());
        if (pa_threaded_mainloop_start(loop_) < 0)
            throw EngineError(QStringLiteral("Cannot start the sound server's main loop"));
        started_ = true;
        Lock lock(*this);
        waitUntil([this] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)) || ready(); });
        if (!ready())
            throw EngineError(QStringLiteral("The sound server did not answer: ") + lastError());
        wasReady_ = true;
    }

    void release() noexcept
    {
        if (!context_)
            return;
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_set_subscribe_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }

    static void onState(pa_context* c, void* user)
    {
        auto* self = static_cast<Connection*>(user);
        self->signal();
        if (self->wasReady_ && !PA_CONTEXT_IS_GOOD(pa_context_get_state(c)) && self->onFailure_)
            self->onFailure_(self->failureUser_);
    }

    double answerSeconds_;
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool started_ = false;
    bool wasReady_ = false;
    void (*onFailure_)(void*) = nullptr;
    void* failureUser_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// What the server told about its devices.
struct Choice {
    QByteArray name;
    QString description;
};

struct Device {
    QByteArray name;                 // the server's name, the key across comings and goings
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
};

struct Card {
    QList<Choice> profiles;          // the available ones
    QByteArray activeProfile;
};

bool sameVolume(const pa_cvolume& a, const pa_cvolume& b) { return pa_cvolume_equal(&a, &b) != 0; }

bool sameChoices(const QList<Choice>& a, const QList<Choice>& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].description != b[i].description)
            return false;
    return true;
}

QString text(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

// ---------------------------------------------------------------------------------------------
// The shared state of the backend, its streams and mixers.
class Core {
public:
    explicit Core(const PulseOptions& given) : options(given), connection(given.answerSeconds)
    {
        try {
            start();
        } catch (...) {
            connection.close();
            throw;
        }
    }

    // The loop stops before the registry goes: no callback runs on a dead object.
    ~Core() { connection.close(); }

    const PulseOptions options;
    Connection connection;
    DeviceWatchers watchers;
    mutable std::mutex m;          // the registry below (never held while waiting for the loop)
    std::vector<Device> devices[2];
    std::map<uint32_t, Card> cards;
    QByteArray defaults[2];
    QString serverName;

private:
    void start()
    {
        Connection::Lock lock(connection);
        connection.setOnFailure(&Core::onConnectionFailed, this);
        pa_context* c = connection.context();
        pa_context_set_subscribe_callback(c, &Core::onEvent, this);
        const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE
                                                              | PA_SUBSCRIPTION_MASK_CARD | PA_SUBSCRIPTION_MASK_SERVER);
        if (!connection.finish(pa_context_subscribe(c, mask, &Core::onSuccess, this)))
            throw EngineError(QStringLiteral("The sound server does not report its devices: ") + connection.lastError());
        // The first look at everything; later the events keep it current.
        pending_ = 4;
        bool sent = true;
        for (pa_operation* op : {pa_context_get_server_info(c, &Core::onServer, this),
                                 pa_context_get_sink_info_list(c, &Core::onDevice<pa_sink_info>, this),
                                 pa_context_get_source_info_list(c, &Core::onDevice<pa_source_info>, this),
                                 pa_context_get_card_info_list(c, &Core::onCard, this)}) {
            if (op)
                pa_operation_unref(op);
            else
                sent = false;
        }
        if (!sent || !connection.waitUntil([this] { return pending_ <= 0; }))
            throw EngineError(QStringLiteral("The sound server did not list its devices: ") + connection.lastError());
    }

public:
    // --- registry reads (any thread) ------------------------------------------------------------

    QList<AudioDeviceInfo> list(int side) const
    {
        std::lock_guard lock(m);
        QList<AudioDeviceInfo> out;
        QList<QString> seen;
        for (const Device& d : devices[side]) {
            QString name = displayName(d);
            if (d.present) {
                const qsizetype same = std::count(seen.cbegin(), seen.cend(), name);
                seen.append(name);
                if (same > 0)
                    name += QStringLiteral(" #%1").arg(same + 1);
            }
            out.append({name, d.present});
        }
        return out;
    }

    int defaultDevice(int side) const
    {
        std::lock_guard lock(m);
        const auto& list = devices[side];
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].present && list[i].name == defaults[side])
                return static_cast<int>(i);
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].present)
                return static_cast<int>(i);
        return -1;
    }

    // A copy of a device's entry; throws when there is no such number.
    Device device(int side, int number) const
    {
        std::lock_guard lock(m);
        const auto& list = devices[side];
        if (number < 0 || number >= static_cast<int>(list.size()))
            throw EngineError(QStringLiteral("There is no %1 device number %2")
                                  .arg(side == Input ? QStringLiteral("input") : QStringLiteral("output"))
                                  .arg(number));
        return list[static_cast<std::size_t>(number)];
    }

    QString displayName(const Device& d) const
    {
        if (d.monitorOf == PA_INVALID_INDEX)
            return d.description;
        QString of = d.description;
        for (const Device& sink : devices[Output])
            if (sink.present && sink.index == d.monitorOf)
                of = sink.description;
        return QCoreApplication::translate("PulseBackend", "Запись выхода: ") + of;
    }

    // --- registry writes (loop thread) ----------------------------------------------------------

    void update(int side, Device fresh)
    {
        int changes = 0;
        {
            std::lock_guard lock(m);
            auto& list = devices[side];
            auto it = std::find_if(list.begin(), list.end(), [&](const Device& d) { return d.name == fresh.name; });
            if (it == list.end()) {
                list.push_back(fresh);
                changes |= DeviceListsChanged;
            } else {
                if (!it->present || it->description != fresh.description || it->monitorOf != fresh.monitorOf)
                    changes |= DeviceListsChanged;
                if (!sameVolume(it->volume, fresh.volume) || it->mute != fresh.mute || it->activePort != fresh.activePort
                    || !sameChoices(it->ports, fresh.ports))
                    changes |= DeviceMixersChanged;
                fresh.lastBalance = it->lastBalance;
                *it = fresh;
            }
        }
        changes_ |= changes;
    }

    void remove(int side, uint32_t index)
    {
        std::lock_guard lock(m);
        for (Device& d : devices[side])
            if (d.present && d.index == index) {
                d.present = false;
                changes_ |= DeviceListsChanged;
            }
    }

    // An answer is complete: the watches hear what changed.
    void answered()
    {
        --pending_;
        connection.signal();
        const int changes = changes_;
        changes_ = 0;
        watchers.notify(changes);
    }

private:
    static Core* self(void* user) { return static_cast<Core*>(user); }

    static void onSuccess(pa_context*, int, void* user) { self(user)->connection.signal(); }

    static void onEvent(pa_context* c, pa_subscription_event_type_t t, uint32_t index, void* user)
    {
        Core* core = self(user);
        const auto facility = t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const bool removed = (t & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE;
        pa_operation* op = nullptr;
        switch (facility) {
        case PA_SUBSCRIPTION_EVENT_SINK:
            if (removed)
                core->remove(Output, index);
            else
                op = pa_context_get_sink_info_by_index(c, index, &Core::onDevice<pa_sink_info>, user);
            break;
        case PA_SUBSCRIPTION_EVENT_SOURCE:
            if (removed)
                core->remove(Input, index);
            else
                op = pa_context_get_source_info_by_index(c, index, &Core::onDevice<pa_source_info>, user);
            break;
        case PA_SUBSCRIPTION_EVENT_CARD:
            if (removed) {
                std::lock_guard lock(core->m);
                core->cards.erase(index);
            } else {
                op = pa_context_get_card_info_by_index(c, index, &Core::onCard, user);
            }
            break;
        case PA_SUBSCRIPTION_EVENT_SERVER:
            op = pa_context_get_server_info(c, &Core::onServer, user);
            break;
        default:
            break;
        }
        if (op) {
            ++core->pending_;
            pa_operation_unref(op);
        } else if (removed) {
            const int changes = core->changes_;
            core->changes_ = 0;
            core->watchers.notify(changes);
        }
    }

    // A sink's or a source's answer (the two info types share their fields' names).
    template <class Info>
    static void onDevice(pa_context*, const Info* i, int eol, void* user)
    {
        Core* core = self(user);
        if (eol) {
            core->answered();
            return;
        }
        if (!i)
            return;
        Device d;
        d.name = QByteArray(i->name ? i->name : "");
        d.description = text(i->description).isEmpty() ? text(i->name) : text(i->description);
        d.index = i->index;
        d.card = i->card;
        d.present = true;
        d.volume = i->volume;
        d.map = i->channel_map;
        d.mute = i->mute != 0;
        for (uint32_t k = 0; k < i->n_ports; ++k)
            if (i->ports[k])
                d.ports.append({QByteArray(i->ports[k]->name), text(i->ports[k]->description)});
        if (i->active_port)
            d.activePort = QByteArray(i->active_port->name);
        if constexpr (std::is_same_v<Info, pa_source_info>) {
            d.monitorOf = i->monitor_of_sink;
            core->update(Input, std::move(d));
        } else {
            core->update(Output, std::move(d));
        }
    }

    static void onCard(pa_context*, const pa_card_info* i, int eol, void* user)
    {
        Core* core = self(user);
        if (eol) {
            core->answered();
            return;
        }
        if (!i)
            return;
        Card card;
        for (uint32_t k = 0; k < i->n_profiles; ++k) {
            const pa_card_profile_info2* p = i->profiles2 ? i->profiles2[k] : nullptr;
            if (p && (p->available || (i->active_profile2 && i->active_profile2 == p)))
                card.profiles.append({QByteArray(p->name), text(p->description)});
        }
        if (i->active_profile2)
            card.activeProfile = QByteArray(i->active_profile2->name);
        std::lock_guard lock(core->m);
        auto it = core->cards.find(i->index);
        if (it == core->cards.end() || it->second.activeProfile != card.activeProfile
            || !sameChoices(it->second.profiles, card.profiles))
            core->changes_ |= DeviceMixersChanged;
        core->cards[i->index] = std::move(card);
    }

    static void onServer(pa_context*, const pa_server_info* i, void* user)
    {
        Core* core = self(user);
        if (i) {
            std::lock_guard lock(core->m);
            const QByteArray sink(i->default_sink_name ? i->default_sink_name : "");
            const QByteArray source(i->default_source_name ? i->default_source_name : "");
            if (sink != core->defaults[Output] || source != core->defaults[Input])
                core->changes_ |= DeviceListsChanged;
            core->defaults[Output] = sink;
            core->defaults[Input] = source;
            core->serverName = text(i->server_name) + QLatin1Char(' ') + text(i->server_version);
        }
        core->answered();
    }

    static void onConnectionFailed(void* user)
    {
        Core* core = self(user);
        {
            std::lock_guard lock(core->m);
            for (auto& list : core->devices)
                for (Device& d : list)
                    d.present = false;
        }
        core->watchers.notify(DeviceListsChanged);
    }

    int pending_ = 0;      // answers still to come (loop thread, or under the loop's lock)
    int changes_ = 0;      // what the answers so far changed
};

// ---------------------------------------------------------------------------------------------
// A capture or playback stream.
class PulseStream final : public AudioStream {
public:
    PulseStream(std::shared_ptr<Core> core, const Device& device, const QString& shownName, bool input, int rate,
                int channels, CaptureSink* sink, PlaybackSource* source)
        : core_(std::move(core)), input_(input), rate_(rate), channels_(channels), sink_(sink), source_(source),
          frameBytes_(static_cast<std::size_t>(channels) * sizeof(float))
    {
        lostText_ = QStringLiteral("The sound device \"%1\" went away or the sound server ended its stream").arg(shownName);
        const QString where = QStringLiteral("Cannot open the sound device \"%1\" (%2 Hz, %3 channel(s))")
                                  .arg(shownName)
                                  .arg(rate)
                                  .arg(channels);
        try {
            open(device.name, where);
        } catch (...) {
            release();
            throw;
        }
    }

    ~PulseStream() override
    {
        PulseStream::stop();
        release();
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }

    void start() override
    {
        Connection& c = core_->connection;
        Connection::Lock lock(c);
        if (running_)
            return;
        if (pa_stream_get_state(stream_) != PA_STREAM_READY)
            throw EngineError(lostText_);
        gaps_.start(rate_, std::max(0.12, 2.5 * (input_ ? core_->options.captureSeconds : core_->options.bufferSeconds)));
        carryBytes_ = 0;
        running_ = true;
        stopping_ = false;
        if (!input_) {
            // What the server asked for while the stream waited is filled now, with audio.
            const std::size_t wanted = pa_stream_writable_size(stream_);
            if (wanted != static_cast<std::size_t>(-1))
                write(wanted);
        }
        if (!c.finish(pa_stream_cork(stream_, 0, &PulseStream::onSuccess, this))) {
            running_ = false;
            throw EngineError(QStringLiteral("Cannot start the sound device: ") + c.lastError());
        }
    }

    void stop() override
    {
        Connection& c = core_->connection;
        Connection::Lock lock(c);
        if (!running_ || !stream_)
            return;
        if (input_)
            read();   // what has arrived is handed over
        running_ = false;
        stopping_ = true;
        if (pa_stream_get_state(stream_) == PA_STREAM_READY) {
            if (pa_operation* op = pa_stream_cork(stream_, 1, nullptr, nullptr))
                pa_operation_unref(op);
            if (pa_operation* op = pa_stream_flush(stream_, nullptr, nullptr))
                pa_operation_unref(op);
        }
    }

private:
    void open(const QByteArray& device, const QString& where)
    {
        Connection& c = core_->connection;
        Connection::Lock lock(c);
        const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(rate_), static_cast<uint8_t>(channels_)};
        pa_channel_map map{};
        if (!pa_sample_spec_valid(&spec) || !pa_channel_map_init_extend(&map, static_cast<unsigned>(channels_),
                                                                          PA_CHANNEL_MAP_DEFAULT))
            throw EngineError(where + QStringLiteral(": the format is not supported"));
        const QByteArray streamName = (input_ ? QCoreApplication::translate("PulseBackend", "Запись")
                                                  : QCoreApplication::translate("PulseBackend", "Воспроизведение")).toUtf8();
        stream_ = pa_stream_new(c.context(), streamName.constData(), &spec, &map);
        if (!stream_)
            throw EngineError(where + QStringLiteral(": ") + c.lastError());
        pa_stream_set_state_callback(stream_, &PulseStream::onState, this);
        pa_stream_set_moved_callback(stream_, &PulseStream::onMoved, this);
        if (input_)
            pa_stream_set_read_callback(stream_, &PulseStream::onRead, this);
        else
            pa_stream_set_write_callback(stream_, &PulseStream::onWrite, this);

        const auto bytesFor = [this](double seconds) {
            return static_cast<uint32_t>(std::max(1L, std::lround(seconds * rate_)) * static_cast<long>(frameBytes_));
        };
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(-1);
        attr.tlength = static_cast<uint32_t>(-1);
        attr.prebuf = static_cast<uint32_t>(-1);
        attr.minreq = static_cast<uint32_t>(-1);
        attr.fragsize = static_cast<uint32_t>(-1);
        const double buffer = core_->options.bufferSeconds;
        if (input_) {
            attr.fragsize = bytesFor(core_->options.captureSeconds);
            if (core_->options.maxBufferSeconds > 0)
                attr.maxlength = bytesFor(core_->options.maxBufferSeconds);
        } else {
            attr.tlength = bytesFor(buffer);
            attr.minreq = bytesFor(buffer / 2);
        }
        const auto flags =
            static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
        const int r = input_ ? pa_stream_connect_record(stream_, device.constData(), &attr, flags)
                             : pa_stream_connect_playback(stream_, device.constData(), &attr, flags, nullptr, nullptr);
        if (r < 0)
            throw EngineError(where + QStringLiteral(": ") + c.lastError());
        c.waitUntil([this] { return pa_stream_get_state(stream_) != PA_STREAM_CREATING; });
        if (pa_stream_get_state(stream_) != PA_STREAM_READY)
            throw EngineError(where + QStringLiteral(": ") + c.lastError());
    }

    void release() noexcept
    {
        if (!stream_)
            return;
        Connection::Lock lock(core_->connection);
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_moved_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_)))
            pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }

    static PulseStream* self(void* user) { return static_cast<PulseStream*>(user); }
    static void onSuccess(pa_stream*, int, void* user) { self(user)->core_->connection.signal(); }

    static void onState(pa_stream* s, void* user)
    {
        PulseStream* me = self(user);
        me->core_->connection.signal();
        if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
            me->lost();
    }

    static void onMoved(pa_stream*, void* user) { self(user)->lost(); }
    static void onRead(pa_stream*, size_t, void* user) { self(user)->read(); }
    static void onWrite(pa_stream*, size_t bytes, void* user) { self(user)->write(bytes); }

    // Loop thread: reported once, while the stream runs.
    void lost() noexcept
    {
        if (!running_ || stopping_ || lostReported_)
            return;
        lostReported_ = true;
        if (input_)
            sink_->deviceLost(lostText_);
        else
            source_->deviceLost(lostText_);
    }

    // Loop thread (or the UI thread with the loop locked): everything readable, in order.
    void read() noexcept
    {
        for (;;) {
            const void* data = nullptr;
            std::size_t bytes = 0;
            if (pa_stream_peek(stream_, &data, &bytes) < 0) {
                lost();
                return;
            }
            if (bytes == 0)
                return;
            if (running_) {
                DeviceCallbackScope scope;   // our part of the loop's work: no heap, no lock
                if (!data)
                    sink_->overflowed(static_cast<int>(std::min<std::size_t>(bytes / frameBytes_, 0x7fffffff)));
                else
                    deliver(static_cast<const unsigned char*>(data), bytes);
            }
            pa_stream_drop(stream_);
        }
    }

    void deliver(const unsigned char* p, std::size_t bytes) noexcept
    {
        // Fragments come when complete, at the device's pace: frames that the server dropped
        // show as a lasting shortfall against the wall clock (a burst after a stall does not).
        const double now = wallSeconds();
        const long long gap = gaps_.onBuffer(now, now, static_cast<int>(bytes / frameBytes_));
        if (gap > 0)
            sink_->overflowed(static_cast<int>(std::min<long long>(gap, 0x7fffffff)));

        if (carryBytes_ > 0) {   // the rest of a frame split between two fragments
            const std::size_t take = std::min(frameBytes_ - carryBytes_, bytes);
            std::memcpy(carry_ + carryBytes_, p, take);
            carryBytes_ += take;
            p += take;
            bytes -= take;
            if (carryBytes_ == frameBytes_) {
                sink_->captured(reinterpret_cast<const float*>(carry_), 1);
                carryBytes_ = 0;
            }
        }
        const std::size_t whole = bytes / frameBytes_;
        if (whole > 0)
            sink_->captured(reinterpret_cast<const float*>(p), static_cast<int>(whole));
        const std::size_t rest = bytes - whole * frameBytes_;
        if (rest > 0) {
            std::memcpy(carry_, p + whole * frameBytes_, rest);
            carryBytes_ = rest;
        }
    }

    // Loop thread (or the UI thread with the loop locked): fills what the server asked for.
    void write(std::size_t bytes) noexcept
    {
        if (!running_)
            return;   // asked again once the stream starts
        while (bytes >= frameBytes_) {
            void* buffer = nullptr;
            std::size_t n = bytes;
            if (pa_stream_begin_write(stream_, &buffer, &n) < 0 || !buffer) {
                lost();
                return;
            }
            n -= n % frameBytes_;
            if (n == 0) {
                pa_stream_cancel_write(stream_);
                return;
            }
            {
                DeviceCallbackScope scope;
                source_->render(static_cast<float*>(buffer), static_cast<int>(n / frameBytes_));
            }
            if (pa_stream_write(stream_, buffer, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
                lost();
                return;
            }
            bytes -= n;
        }
    }

    std::shared_ptr<Core> core_;
    bool input_;
    int rate_;
    int channels_;
    CaptureSink* sink_;
    PlaybackSource* source_;
    std::size_t frameBytes_;
    QString lostText_;
    pa_stream* stream_ = nullptr;
    // Changed only with the loop locked (or on its thread).
    bool running_ = false;
    bool stopping_ = false;
    bool lostReported_ = false;
    CaptureGapDetector gaps_;
    alignas(float) unsigned char carry_[8 * sizeof(float)] = {};
    std::size_t carryBytes_ = 0;
};

// ---------------------------------------------------------------------------------------------
// The mixer lines of one device (see the top of the file).
class PulseMixer final : public AudioMixer {
public:
    PulseMixer(std::shared_ptr<Core> core, int side, int number) : core_(std::move(core)), side_(side), number_(number) {}

    int lineCount() const override
    {
        std::lock_guard lock(core_->m);
        const Device* d = entry();
        return d ? 1 + static_cast<int>(portLines(*d)) : 0;
    }

    QString lineName(int line) const override
    {
        std::lock_guard lock(core_->m);
        const Device* d = entry();
        if (!d)
            return {};
        if (line == 0)
            return d->description;
        const qsizetype port = line - 1;
        return port >= 0 && port < portLines(*d) ? d->ports[port].description : QString();
    }

    bool volumeEnabled(int line) const override { return line == 0 && lineCount() > 0; }

    int volume(int line) const override
    {
        std::lock_guard lock(core_->m);
        const Device* d = entry();
        if (!d || line != 0)
            return 0;
        const pa_volume_t v = std::min<pa_volume_t>(pa_cvolume_max(&d->volume), PA_VOLUME_NORM);
        return static_cast<int>(std::lround(static_cast<double>(v) * 65535.0 / PA_VOLUME_NORM));
    }

    void setVolume(int line, int value) override
    {
        writeVolume(line, [value](Device& d) {
            const auto target = static_cast<pa_volume_t>(
                std::lround(static_cast<double>(std::clamp(value, 0, 65535)) * PA_VOLUME_NORM / 65535.0));
            if (pa_cvolume_max(&d.volume) == PA_VOLUME_MUTED) {
                pa_cvolume_set(&d.volume, d.volume.channels, target);
                if (pa_channel_map_can_balance(&d.map))
                    pa_cvolume_set_balance(&d.volume, &d.map, (d.lastBalance - 50) / 50.0f);
            } else {
                pa_cvolume_scale(&d.volume, target);
            }
        });
    }

    bool balanceEnabled(int line) const override
    {
        std::lock_guard lock(core_->m);
        const Device* d = entry();
        return d && line == 0 && pa_channel_map_can_balance(&d->map);
    }

    int balance(int line) const override
    {
        std::lock_guard lock(core_->m);
        const Device* d = entry();
        if (!d || line != 0 || !pa_channel_map_can_balance(&d->map))
            return 50;
        if (pa_cvolume_max(&d->volume) == PA_VOLUME_MUTED)
            return d->lastBalance;
        return std::clamp(static_cast<int>(std::lround(50.0 + 50.0 * pa_cvolume_get_balance(&d->volume, &d->map))), 0, 100);
    }

    void setBalance(int line, int value) override
    {
        writeVolume(line, [value](Device& d) {
            d.lastBalance = std::clamp(value, 0, 100);
            if (pa_channel_map_can_balance(&d.map) && pa_cvolume_max(&d.volume) != PA_VOLUME_MUTED)
                pa_cvolume_set_balance(&d.volume, &d.map, (d.lastBalance - 50) / 50.0f);
        });
    }

    bool switchEnabled(int line) const override { return line >= 0 && line < lineCount(); }

    bool switchValue(int line) const override
    {
        std::lock_guard lock(core_->m);
        const Device* d = entry();
        if (!d)
            return false;
        if (line == 0)
            return side_ == Input ? !d->mute : d->mute;
        const qsizetype port = line - 1;
        return port >= 0 && port < portLines(*d) && d->ports[port].name == d->activePort;
    }

    void setSwitchValue(int line, bool on) override
    {
        if (line == 0) {
            const bool mute = side_ == Input ? !on : on;
            write(line, [&](pa_context* c, Device& d) {
                d.mute = mute;
                return side_ == Input ? pa_context_set_source_mute_by_index(c, d.index, mute, nullptr, nullptr)
                                      : pa_context_set_sink_mute_by_index(c, d.index, mute, nullptr, nullptr);
            });
            return;
        }
        if (!on)
            return;   // a port is left by choosing another
        write(line, [&](pa_context* c, Device& d) -> pa_operation* {
            const qsizetype port = line - 1;
            if (port < 0 || port >= portLines(d))
                throw EngineError(QStringLiteral("The mixer has no line %1").arg(line));
            d.activePort = d.ports[port].name;
            return pa_context_set_source_port_by_index(c, d.index, d.activePort.constData(), nullptr, nullptr);
        });
    }

    int advancedCount(int line) const override
    {
        std::lock_guard lock(core_->m);
        const Device* d = entry();
        return d && line == 0 ? static_cast<int>(advancedPorts(*d) + profiles(*d).size()) : 0;
    }

    QString advancedName(int line, int index) const override
    {
        std::lock_guard lock(core_->m);
        const Device* d = entry();
        if (!d || line != 0 || index < 0)
            return {};
        if (index < advancedPorts(*d))
            return QCoreApplication::translate("PulseBackend", "Порт: ") + d->ports[index].description;
        const QList<Choice> list = profiles(*d);
        const qsizetype k = index - advancedPorts(*d);
        return k < list.size() ? QCoreApplication::translate("PulseBackend", "Профиль: ") + list[k].description : QString();
    }

    QVariant advancedValue(int line, int index) const override
    {
        std::lock_guard lock(core_->m);
        const Device* d = entry();
        if (!d || line != 0 || index < 0)
            return {};
        if (index < advancedPorts(*d))
            return QVariant(d->ports[index].name == d->activePort);
        const QList<Choice> list = profiles(*d);
        const qsizetype k = index - advancedPorts(*d);
        if (k >= list.size())
            return {};
        auto card = core_->cards.find(d->card);
        return QVariant(card != core_->cards.end() && card->second.activeProfile == list[k].name);
    }

    void setAdvancedValue(int line, int index, const QVariant& value) override
    {
        if (!value.toBool())
            return;   // a port or profile is left by choosing another
        write(line, [&](pa_context* c, Device& d) -> pa_operation* {
            if (line != 0 || index < 0 || index >= advancedPorts(d) + profiles(d).size())
                throw EngineError(QStringLiteral("The mixer line %1 has no control %2").arg(line).arg(index + 1));
            if (index < advancedPorts(d)) {
                d.activePort = d.ports[index].name;
                return pa_context_set_sink_port_by_index(c, d.index, d.activePort.constData(), nullptr, nullptr);
            }
            const Choice profile = profiles(d)[index - advancedPorts(d)];
            core_->cards[d.card].activeProfile = profile.name;
            return pa_context_set_card_profile_by_index(c, d.card, profile.name.constData(), nullptr, nullptr);
        });
    }

private:
    // Registry locked.
    const Device* entry() const
    {
        const auto& list = core_->devices[side_];
        return number_ >= 0 && number_ < static_cast<int>(list.size()) ? &list[static_cast<std::size_t>(number_)]
                                                                       : nullptr;
    }
    qsizetype portLines(const Device& d) const { return side_ == Input && d.ports.size() > 1 ? d.ports.size() : 0; }
    qsizetype advancedPorts(const Device& d) const { return side_ == Output ? d.ports.size() : 0; }
    QList<Choice> profiles(const Device& d) const
    {
        auto card = core_->cards.find(d.card);
        return card != core_->cards.end() ? card->second.profiles : QList<Choice>();
    }

    // Changes the registry's entry and sends the request the change makes (without waiting for
    // the answer). `change` returns the request.
    template <class Change>
    void write(int line, Change change)
    {
        Connection::Lock loop(core_->connection);
        std::lock_guard lock(core_->m);
        auto& list = core_->devices[side_];
        if (number_ < 0 || number_ >= static_cast<int>(list.size()) || line < 0)
            throw EngineError(QStringLiteral("The mixer has no line %1").arg(line));
        Device& d = list[static_cast<std::size_t>(number_)];
        if (!d.present)
            throw EngineError(QStringLiteral("The sound device \"%1\" is no longer there").arg(d.description));
        core_->connection.send(change(core_->connection.context(), d),
                               QStringLiteral("Mixer of \"%1\"").arg(d.description));
    }

    template <class Change>
    void writeVolume(int line, Change change)
    {
        if (line != 0)
            throw EngineError(QStringLiteral("The mixer line %1 has no volume").arg(line));
        write(line, [&](pa_context* c, Device& d) {
            change(d);
            return side_ == Input ? pa_context_set_source_volume_by_index(c, d.index, &d.volume, nullptr, nullptr)
                                  : pa_context_set_sink_volume_by_index(c, d.index, &d.volume, nullptr, nullptr);
        });
    }

    std::shared_ptr<Core> core_;
    int side_;
    int number_;
};

// ---------------------------------------------------------------------------------------------
class PulseBackend final : public AudioBackend {
public:
    explicit PulseBackend(std::shared_ptr<Core> core) : core_(std::move(core)) {}

    QString name() const override
    {
        std::lock_guard lock(core_->m);
        return QStringLiteral("Sound server (%1)").arg(core_->serverName);
    }
    QList<AudioDeviceInfo> inputDevices() override { return core_->list(Input); }
    QList<AudioDeviceInfo> outputDevices() override { return core_->list(Output); }
    int defaultInputDevice() override { return core_->defaultDevice(Input); }
    int defaultOutputDevice() override { return core_->defaultDevice(Output); }

    std::unique_ptr<AudioStream> openCapture(int device, int sampleRate, int channels, CaptureSink* sink) override
    {
        if (!sink)
            throw EngineError(QStringLiteral("A capture stream needs a receiver"));
        return open(Input, device, sampleRate, channels, sink, nullptr);
    }

    std::unique_ptr<AudioStream> openPlayback(int device, int sampleRate, int channels, PlaybackSource* source) override
    {
        if (!source)
            throw EngineError(QStringLiteral("A playback stream needs a source"));
        return open(Output, device, sampleRate, channels, nullptr, source);
    }

    std::unique_ptr<AudioMixer> openMixer(int device, bool input) override
    {
        return std::make_unique<PulseMixer>(core_, input ? Input : Output, device);
    }

    std::shared_ptr<void> watchDevices(std::function<void(int)> notify) override
    {
        return core_->watchers.add(std::move(notify));
    }

private:
    std::unique_ptr<AudioStream> open(int side, int number, int rate, int channels, CaptureSink* sink,
                                      PlaybackSource* source)
    {
        if (rate < 1000 || rate > 384000)
            throw EngineError(QStringLiteral("The sample rate %1 Hz is not supported").arg(rate));
        if (channels < 1 || channels > 8)
            throw EngineError(QStringLiteral("%1 channels are not supported").arg(channels));
        const Device d = core_->device(side, number);
        const QString shown = core_->list(side).value(number).name;
        if (!d.present)
            throw EngineError(QStringLiteral("The sound device \"%1\" is no longer there").arg(shown));
        return std::make_unique<PulseStream>(core_, d, shown, side == Input, rate, channels, sink, source);
    }

    std::shared_ptr<Core> core_;
};

} // namespace

std::unique_ptr<AudioBackend> createPulseBackend(const PulseOptions& options)
{
    try {
        return std::make_unique<PulseBackend>(std::make_shared<Core>(options));
    } catch (const EngineError&) {
        return nullptr;
    }
}
