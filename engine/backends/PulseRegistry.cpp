#include "engine/backends/PulseRegistry.h"

#include "engine/EngineError.h"

#include <QCoreApplication>

#include <algorithm>
#include <type_traits>
#include <unistd.h>

namespace tavrin::pulse {

namespace {

bool sameVolume(const pa_cvolume& a, const pa_cvolume& b) { return pa_cvolume_equal(&a, &b) != 0; }
bool sameMap(const pa_channel_map& a, const pa_channel_map& b) { return pa_channel_map_equal(&a, &b) != 0; }

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

} // namespace

PulseRegistry::PulseRegistry(PulseConnection& connection, DeviceWatchers& watchers)
    : connection_(connection), watchers_(watchers)
{
}

// --- reads ------------------------------------------------------------------------------------

QList<AudioDeviceInfo> PulseRegistry::list(Side side) const
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
        out.append({name, d.present, QString::fromUtf8(d.name)});
    }
    return out;
}

int PulseRegistry::defaultDevice(Side side) const
{
    std::lock_guard lock(m);
    const auto& list = devices[side];
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].present && list[i].name == defaults[side])
            return static_cast<int>(i);
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].present && !list[i].application)
            return static_cast<int>(i);
    return -1;
}

Device PulseRegistry::device(Side side, int number) const
{
    std::lock_guard lock(m);
    const auto& list = devices[side];
    if (number < 0 || number >= static_cast<int>(list.size()))
        throw EngineError(QStringLiteral("There is no %1 device number %2")
                              .arg(side == Input ? QStringLiteral("input") : QStringLiteral("output"))
                              .arg(number));
    return list[static_cast<std::size_t>(number)];
}

QByteArray PulseRegistry::monitorOf(uint32_t sink) const
{
    for (const Device& d : devices[Input])
        if (d.present && !d.application && d.monitorOf == sink)
            return d.name;
    return {};
}

QString PulseRegistry::displayName(const Device& d) const
{
    if (d.monitorOf == PA_INVALID_INDEX)
        return d.description;
    QString of = d.description;
    for (const Device& sink : devices[Output])
        if (sink.present && sink.index == d.monitorOf)
            of = sink.description;
    return QCoreApplication::translate("PulseBackend", "Запись выхода: ") + of;
}

// --- a server answered, or went away --------------------------------------------------------------

void PulseRegistry::serverReady(pa_context* c)
{
    pending_ = 0;
    refilling_ = true;
    pa_context_set_subscribe_callback(c, &PulseRegistry::onEvent, this);
    const auto mask = static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SOURCE
                                                          | PA_SUBSCRIPTION_MASK_SINK_INPUT
                                                          | PA_SUBSCRIPTION_MASK_CARD | PA_SUBSCRIPTION_MASK_SERVER);
    // The first look at everything; later the events keep it current.
    bool sent = true;
    for (pa_operation* op : {pa_context_subscribe(c, mask, &PulseRegistry::onSubscribed, this),
                             pa_context_get_server_info(c, &PulseRegistry::onServer, this),
                             pa_context_get_sink_info_list(c, &PulseRegistry::onDevice<pa_sink_info>, this),
                             pa_context_get_source_info_list(c, &PulseRegistry::onDevice<pa_source_info>, this),
                             pa_context_get_card_info_list(c, &PulseRegistry::onCard, this),
                             pa_context_get_sink_input_info_list(c, &PulseRegistry::onSinkInput, this)}) {
        Operation request(op);
        if (request)
            ++pending_;
        else
            sent = false;
    }
    if (!sent)
        pa_context_disconnect(c);   // it cannot be used: the connection looks for a server again
}

void PulseRegistry::serverLost()
{
    {
        std::lock_guard lock(m);
        for (auto& list : devices)
            for (Device& d : list)
                d.present = false;
        cards.clear();   // their numbers were the old server's
        sinkInputs.clear();
    }
    pending_ = 0;
    changes_ = 0;
    refilling_ = false;
    watchers_.notify(DeviceListsChanged);
}

// --- the registry's entries (loop thread) -----------------------------------------------------------

void PulseRegistry::update(Side side, Device fresh)
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
            if (!sameVolume(it->volume, fresh.volume) || !sameMap(it->map, fresh.map) || it->mute != fresh.mute
                || it->activePort != fresh.activePort || !sameChoices(it->ports, fresh.ports))
                changes |= DeviceMixersChanged;
            fresh.lastBalance = it->lastBalance;
            *it = fresh;
        }
    }
    changes_ |= changes;
}

void PulseRegistry::remove(Side side, uint32_t index)
{
    std::lock_guard lock(m);
    for (Device& d : devices[side])
        if (d.present && d.index == index) {
            d.present = false;
            changes_ |= DeviceListsChanged;
        }
}

void PulseRegistry::expect(Operation op)
{
    if (op)
        ++pending_;
}

void PulseRegistry::answered()
{
    --pending_;
    connection_.signal();
    if (refilling_ && pending_ <= 0) {
        refilling_ = false;
        connection_.online();
    }
    tell();
}

void PulseRegistry::tell()
{
    const int changes = changes_;
    changes_ = 0;
    watchers_.notify(changes);
}

// --- the server's answers and events (loop thread) ----------------------------------------------------

void PulseRegistry::onSubscribed(pa_context*, int, void* user) { self(user)->answered(); }

PulseRegistry* PulseRegistry::entryOf(void* user, int eol, const void* info)
{
    PulseRegistry* r = self(user);
    if (eol) {
        r->answered();
        return nullptr;
    }
    return info ? r : nullptr;
}

void PulseRegistry::onEvent(pa_context* c, pa_subscription_event_type_t t, uint32_t index, void* user)
{
    PulseRegistry* r = self(user);
    const auto facility = t & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    const bool removed = (t & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE;
    switch (facility) {
    case PA_SUBSCRIPTION_EVENT_SINK:
        if (removed)
            r->remove(Output, index);
        else
            r->expect(Operation(pa_context_get_sink_info_by_index(c, index, &PulseRegistry::onDevice<pa_sink_info>, user)));
        break;
    case PA_SUBSCRIPTION_EVENT_SOURCE:
        if (removed)
            r->remove(Input, index);
        else
            r->expect(
                Operation(pa_context_get_source_info_by_index(c, index, &PulseRegistry::onDevice<pa_source_info>, user)));
        break;
    case PA_SUBSCRIPTION_EVENT_CARD:
        if (removed) {
            std::lock_guard lock(r->m);
            r->cards.erase(index);
        } else {
            r->expect(Operation(pa_context_get_card_info_by_index(c, index, &PulseRegistry::onCard, user)));
        }
        break;
    case PA_SUBSCRIPTION_EVENT_SINK_INPUT:
        if (removed) {
            std::lock_guard lock(r->m);
            r->sinkInputs.erase(index);
            r->updateApplications();
        } else {
            r->expect(Operation(pa_context_get_sink_input_info(c, index, &PulseRegistry::onSinkInput, user)));
        }
        break;
    case PA_SUBSCRIPTION_EVENT_SERVER:
        r->expect(Operation(pa_context_get_server_info(c, &PulseRegistry::onServer, user)));
        break;
    default:
        break;
    }
    if (removed)
        r->tell();
}

// A sink's or a source's answer (the two info types share their fields' names).
template <class Info>
void PulseRegistry::onDevice(pa_context*, const Info* i, int eol, void* user)
{
    PulseRegistry* r = entryOf(user, eol, i);
    if (!r)
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
        r->update(Input, std::move(d));
    } else {
        r->update(Output, std::move(d));
    }
}

void PulseRegistry::onSinkInput(pa_context*, const pa_sink_input_info* i, int eol, void* user)
{
    PulseRegistry* r = entryOf(user, eol, i);
    if (!r)
        return;
    const char* app = i->proplist ? pa_proplist_gets(i->proplist, PA_PROP_APPLICATION_NAME) : nullptr;
    const char* pid = i->proplist ? pa_proplist_gets(i->proplist, PA_PROP_APPLICATION_PROCESS_ID) : nullptr;
    std::lock_guard lock(r->m);
    // Our own playback is no application to record.
    if (!app || !*app || (pid && QByteArray(pid) == QByteArray::number(static_cast<qint64>(::getpid()))))
        r->sinkInputs.erase(i->index);
    else
        r->sinkInputs[i->index] = SinkInput{i->sink, QString::fromUtf8(app)};
    r->updateApplications();
}

// An application is listed from its first stream on and keeps its number; it is present while
// one of its streams plays.
void PulseRegistry::updateApplications()
{
    auto& list = devices[Input];
    std::vector<bool> before;
    for (Device& d : list) {
        before.push_back(d.present);
        if (d.application)
            d.present = false;
    }
    for (const auto& [index, input] : sinkInputs) {
        const QByteArray key = "app:" + input.application.toUtf8();
        auto it = std::find_if(list.begin(), list.end(), [&](const Device& d) { return d.name == key; });
        if (it == list.end()) {
            Device d;
            d.name = key;
            d.description = QCoreApplication::translate("PulseBackend", "Программа: ") + input.application;
            d.application = true;
            list.push_back(d);
            it = list.end() - 1;
            changes_ |= DeviceListsChanged;
        }
        it->present = true;
    }
    for (std::size_t k = 0; k < before.size(); ++k)
        if (before[k] != list[k].present)
            changes_ |= DeviceListsChanged;
}

void PulseRegistry::onCard(pa_context*, const pa_card_info* i, int eol, void* user)
{
    PulseRegistry* r = entryOf(user, eol, i);
    if (!r)
        return;
    Card card;
    for (uint32_t k = 0; k < i->n_profiles; ++k) {
        const pa_card_profile_info2* p = i->profiles2 ? i->profiles2[k] : nullptr;
        if (p && (p->available || (i->active_profile2 && i->active_profile2 == p)))
            card.profiles.append({QByteArray(p->name), text(p->description)});
    }
    if (i->active_profile2)
        card.activeProfile = QByteArray(i->active_profile2->name);
    std::lock_guard lock(r->m);
    auto it = r->cards.find(i->index);
    if (it == r->cards.end() || it->second.activeProfile != card.activeProfile
        || !sameChoices(it->second.profiles, card.profiles))
        r->changes_ |= DeviceMixersChanged;
    r->cards[i->index] = std::move(card);
}

void PulseRegistry::onServer(pa_context*, const pa_server_info* i, void* user)
{
    PulseRegistry* r = self(user);
    if (i) {
        std::lock_guard lock(r->m);
        const QByteArray sink(i->default_sink_name ? i->default_sink_name : "");
        const QByteArray source(i->default_source_name ? i->default_source_name : "");
        if (sink != r->defaults[Output] || source != r->defaults[Input])
            r->changes_ |= DeviceListsChanged;
        r->defaults[Output] = sink;
        r->defaults[Input] = source;
        r->serverName = text(i->server_name) + QLatin1Char(' ') + text(i->server_version);
        r->connection_.setServerName(r->serverName);
    }
    r->answered();
}

} // namespace tavrin::pulse
