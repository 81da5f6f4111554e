#include "engine/backends/PulseMixer.h"

#include "engine/EngineError.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace tavrin::pulse {

namespace {

int toUnit(pa_volume_t v)
{
    v = std::min<pa_volume_t>(v, PA_VOLUME_NORM);
    return static_cast<int>(std::lround(static_cast<double>(v) * 65535.0 / PA_VOLUME_NORM));
}

pa_volume_t fromUnit(int value)
{
    return static_cast<pa_volume_t>(std::lround(static_cast<double>(std::clamp(value, 0, 65535)) * PA_VOLUME_NORM / 65535.0));
}

QString channelName(pa_channel_position_t position, int number)
{
    switch (position) {
    case PA_CHANNEL_POSITION_MONO: return QCoreApplication::translate("PulseBackend", "Моно");
    case PA_CHANNEL_POSITION_FRONT_LEFT: return QCoreApplication::translate("PulseBackend", "Левый");
    case PA_CHANNEL_POSITION_FRONT_RIGHT: return QCoreApplication::translate("PulseBackend", "Правый");
    case PA_CHANNEL_POSITION_FRONT_CENTER: return QCoreApplication::translate("PulseBackend", "Центр");
    case PA_CHANNEL_POSITION_REAR_LEFT: return QCoreApplication::translate("PulseBackend", "Задний левый");
    case PA_CHANNEL_POSITION_REAR_RIGHT: return QCoreApplication::translate("PulseBackend", "Задний правый");
    case PA_CHANNEL_POSITION_REAR_CENTER: return QCoreApplication::translate("PulseBackend", "Задний центр");
    case PA_CHANNEL_POSITION_LFE: return QCoreApplication::translate("PulseBackend", "Сабвуфер");
    case PA_CHANNEL_POSITION_SIDE_LEFT: return QCoreApplication::translate("PulseBackend", "Боковой левый");
    case PA_CHANNEL_POSITION_SIDE_RIGHT: return QCoreApplication::translate("PulseBackend", "Боковой правый");
    default: return QCoreApplication::translate("PulseBackend", "Канал %1").arg(number);
    }
}

} // namespace

PulseMixer::PulseMixer(std::shared_ptr<PulseCore> core, Side side, int number)
    : core_(std::move(core)), side_(side), number_(number)
{
}

const Device* PulseMixer::entry() const
{
    const auto& list = core_->registry.devices[side_];
    return number_ >= 0 && number_ < static_cast<int>(list.size()) ? &list[static_cast<std::size_t>(number_)] : nullptr;
}

qsizetype PulseMixer::portLines(const Device& d) const { return side_ == Input && d.ports.size() > 1 ? d.ports.size() : 0; }
qsizetype PulseMixer::channelLines(const Device& d) const { return side_ == Output ? d.map.channels : 0; }
qsizetype PulseMixer::advancedPorts(const Device& d) const { return side_ == Output ? d.ports.size() : 0; }

QList<Choice> PulseMixer::profiles(const Device& d) const
{
    auto card = core_->registry.cards.find(d.card);
    return card != core_->registry.cards.end() ? card->second.profiles : QList<Choice>();
}

int PulseMixer::lineCount() const
{
    std::lock_guard lock(core_->registry.m);
    const Device* d = entry();
    // An application's sound has no mixer of its own here.
    return d && !d->application ? 1 + static_cast<int>(portLines(*d) + channelLines(*d)) : 0;
}

QString PulseMixer::lineName(int line) const
{
    std::lock_guard lock(core_->registry.m);
    const Device* d = entry();
    if (!d || line < 0)
        return {};
    if (line == 0)
        return core_->registry.displayName(*d);   // a monitor as the device lists name it
    const qsizetype k = line - 1;
    if (k < channelLines(*d))
        return channelName(d->map.map[k], line);
    return k < portLines(*d) ? d->ports[k].description : QString();
}

bool PulseMixer::volumeEnabled(int line) const
{
    std::lock_guard lock(core_->registry.m);
    const Device* d = entry();
    return d && line >= 0 && line <= channelLines(*d);
}

int PulseMixer::volume(int line) const
{
    std::lock_guard lock(core_->registry.m);
    const Device* d = entry();
    if (!d || line < 0 || line > channelLines(*d))
        return 0;
    if (line == 0)
        return toUnit(pa_cvolume_max(&d->volume));
    return line <= d->volume.channels ? toUnit(d->volume.values[line - 1]) : 0;
}

void PulseMixer::setVolume(int line, int value)
{
    const pa_volume_t target = fromUnit(value);
    writeVolume(line, [line, target](Device& d) {
        if (line > 0) {
            if (line <= d.volume.channels)
                d.volume.values[line - 1] = target;
        } else if (pa_cvolume_max(&d.volume) == PA_VOLUME_MUTED) {
            pa_cvolume_set(&d.volume, d.volume.channels, target);
            if (pa_channel_map_can_balance(&d.map))
                pa_cvolume_set_balance(&d.volume, &d.map, (d.lastBalance - 50) / 50.0f);
        } else {
            pa_cvolume_scale(&d.volume, target);
        }
    });
}

bool PulseMixer::balanceEnabled(int line) const
{
    std::lock_guard lock(core_->registry.m);
    const Device* d = entry();
    return d && line == 0 && pa_channel_map_can_balance(&d->map);
}

int PulseMixer::balance(int line) const
{
    std::lock_guard lock(core_->registry.m);
    const Device* d = entry();
    if (!d || line != 0 || !pa_channel_map_can_balance(&d->map))
        return 50;
    if (pa_cvolume_max(&d->volume) == PA_VOLUME_MUTED)
        return d->lastBalance;
    return std::clamp(static_cast<int>(std::lround(50.0 + 50.0 * pa_cvolume_get_balance(&d->volume, &d->map))), 0, 100);
}

void PulseMixer::setBalance(int line, int value)
{
    if (line != 0)
        throw EngineError(QStringLiteral("The mixer line %1 has no balance").arg(line));
    writeVolume(line, [value](Device& d) {
        d.lastBalance = std::clamp(value, 0, 100);
        if (pa_channel_map_can_balance(&d.map) && pa_cvolume_max(&d.volume) != PA_VOLUME_MUTED)
            pa_cvolume_set_balance(&d.volume, &d.map, (d.lastBalance - 50) / 50.0f);
    });
}

bool PulseMixer::switchEnabled(int line) const { return line >= 0 && line < lineCount(); }

bool PulseMixer::switchValue(int line) const
{
    std::lock_guard lock(core_->registry.m);
    const Device* d = entry();
    if (!d || line < 0)
        return false;
    if (line == 0)
        return side_ == Input ? !d->mute : d->mute;
    const qsizetype k = line - 1;
    if (k < channelLines(*d))
        return d->mute;
    return k < portLines(*d) && d->ports[k].name == d->activePort;
}

void PulseMixer::setSwitchValue(int line, bool on)
{
    if (line == 0 || side_ == Output) {
        const bool mute = side_ == Input ? !on : on;
        write(line, [&](pa_context* c, Device& d) -> pa_operation* {
            if (line > channelLines(d))
                throw EngineError(QStringLiteral("The mixer has no line %1").arg(line));
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

int PulseMixer::advancedCount(int line) const
{
    std::lock_guard lock(core_->registry.m);
    const Device* d = entry();
    return d && line == 0 ? static_cast<int>(advancedPorts(*d) + profiles(*d).size()) : 0;
}

QString PulseMixer::advancedName(int line, int index) const
{
    std::lock_guard lock(core_->registry.m);
    const Device* d = entry();
    if (!d || line != 0 || index < 0)
        return {};
    if (index < advancedPorts(*d))
        return QCoreApplication::translate("PulseBackend", "Порт: ") + d->ports[index].description;
    const QList<Choice> list = profiles(*d);
    const qsizetype k = index - advancedPorts(*d);
    return k < list.size() ? QCoreApplication::translate("PulseBackend", "Профиль: ") + list[k].description : QString();
}

QVariant PulseMixer::advancedValue(int line, int index) const
{
    std::lock_guard lock(core_->registry.m);
    const Device* d = entry();
    if (!d || line != 0 || index < 0)
        return {};
    if (index < advancedPorts(*d))
        return QVariant(d->ports[index].name == d->activePort);
    const QList<Choice> list = profiles(*d);
    const qsizetype k = index - advancedPorts(*d);
    if (k >= list.size())
        return {};
    auto card = core_->registry.cards.find(d->card);
    return QVariant(card != core_->registry.cards.end() && card->second.activeProfile == list[k].name);
}

void PulseMixer::setAdvancedValue(int line, int index, const QVariant& value)
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
        core_->registry.cards[d.card].activeProfile = profile.name;
        return pa_context_set_card_profile_by_index(c, d.card, profile.name.constData(), nullptr, nullptr);
    });
}

template <class Change>
void PulseMixer::write(int line, Change change)
{
    PulseConnection& connection = core_->connection;
    PulseConnection::Lock loop(connection);
    if (!connection.isOnline())
        throw EngineError(connection.notAnswering());
    std::lock_guard lock(core_->registry.m);
    auto& list = core_->registry.devices[side_];
    if (number_ < 0 || number_ >= static_cast<int>(list.size()) || line < 0)
        throw EngineError(QStringLiteral("The mixer has no line %1").arg(line));
    Device& d = list[static_cast<std::size_t>(number_)];
    if (!d.present)
        throw EngineError(QStringLiteral("The sound device \"%1\" is no longer there").arg(d.description));
    connection.send(Operation(change(connection.context(), d)), QStringLiteral("Mixer of \"%1\"").arg(d.description));
}

template <class Change>
void PulseMixer::writeVolume(int line, Change change)
{
    write(line, [&](pa_context* c, Device& d) {
        if (line < 0 || line > channelLines(d))
            throw EngineError(QStringLiteral("The mixer line %1 has no volume").arg(line));
        change(d);
        return side_ == Input ? pa_context_set_source_volume_by_index(c, d.index, &d.volume, nullptr, nullptr)
                              : pa_context_set_sink_volume_by_index(c, d.index, &d.volume, nullptr, nullptr);
    });
}

} // namespace tavrin::pulse
