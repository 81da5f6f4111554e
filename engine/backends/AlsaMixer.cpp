#include "engine/backends/AlsaMixer.h"
#include "engine/EngineError.h"
#include "engine/backends/MixerLayout.h"

#include <alsa/asoundlib.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

using namespace tavrin::mixer;

namespace {

struct MixerCloser {
    void operator()(snd_mixer_t* m) const noexcept { snd_mixer_close(m); }
};
using MixerHandle = std::unique_ptr<snd_mixer_t, MixerCloser>;

QString alsaText(int err) { return QString::fromLocal8Bit(snd_strerror(err)); }

[[noreturn]] void noLine(int line)
{
    throw EngineError(QStringLiteral("The mixer has no line %1").arg(line));
}

constexpr auto Left = SND_MIXER_SCHN_FRONT_LEFT;
constexpr auto Right = SND_MIXER_SCHN_FRONT_RIGHT;

// The simple-mixer calls of one direction of an element: alsa-lib has a capture and a
// playback copy of each.
struct Direction {
    int (*volumeRange)(snd_mixer_elem_t*, long*, long*);
    int (*isMono)(snd_mixer_elem_t*);
    int (*hasChannel)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t);
    int (*volume)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, long*);
    int (*setVolume)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, long);
    int (*setVolumeAll)(snd_mixer_elem_t*, long);
    int (*switchValue)(snd_mixer_elem_t*, snd_mixer_selem_channel_id_t, int*);
    int (*setSwitchAll)(snd_mixer_elem_t*, int);
};

constexpr Direction kCapture{snd_mixer_selem_get_capture_volume_range, snd_mixer_selem_is_capture_mono,
                             snd_mixer_selem_has_capture_channel,      snd_mixer_selem_get_capture_volume,
                             snd_mixer_selem_set_capture_volume,       snd_mixer_selem_set_capture_volume_all,
                             snd_mixer_selem_get_capture_switch,       snd_mixer_selem_set_capture_switch_all};
constexpr Direction kPlayback{snd_mixer_selem_get_playback_volume_range, snd_mixer_selem_is_playback_mono,
                              snd_mixer_selem_has_playback_channel,      snd_mixer_selem_get_playback_volume,
                              snd_mixer_selem_set_playback_volume,       snd_mixer_selem_set_playback_volume_all,
                              snd_mixer_selem_get_playback_switch,       snd_mixer_selem_set_playback_switch_all};

const Direction& direction(bool capture) { return capture ? kCapture : kPlayback; }

} // namespace

void EmptyMixer::setVolume(int line, int) { noLine(line); }
void EmptyMixer::setBalance(int line, int) { noLine(line); }
void EmptyMixer::setSwitchValue(int line, bool) { noLine(line); }
void EmptyMixer::setAdvancedValue(int line, int, const QVariant&) { noLine(line); }

struct AlsaMixer::Impl {
    QString control;
    bool input = false;
    MixerHandle mixer;
    std::vector<snd_mixer_elem_t*> elements;   // owned by `mixer`
    QList<ElementCaps> caps;
    QList<LinePlan> lines;
    std::vector<int> lastBalance;              // shown while a line is at volume 0

    void check(int err, const QString& what) const
    {
        if (err < 0)
            throw EngineError(QStringLiteral("Mixer %1: %2: %3").arg(control, what, alsaText(err)));
    }

    // Takes in what other programs changed since the last look (never blocks).
    void refresh() const
    {
        const int count = snd_mixer_poll_descriptors_count(mixer.get());
        if (count <= 0)
            return;
        std::array<pollfd, 16> fds{};
        const int n = snd_mixer_poll_descriptors(mixer.get(), fds.data(),
                                                 static_cast<unsigned>(std::min<int>(count, fds.size())));
        check(n, QStringLiteral("poll descriptors"));
        if (::poll(fds.data(), static_cast<nfds_t>(n), 0) <= 0)
            return;
        unsigned short revents = 0;
        check(snd_mixer_poll_descriptors_revents(mixer.get(), fds.data(), static_cast<unsigned>(n), &revents),
              QStringLiteral("poll events"));
        if (revents & (POLLERR | POLLNVAL | POLLHUP))
            throw EngineError(QStringLiteral("Mixer %1: the sound device is gone").arg(control));
        if (revents & POLLIN)
            check(snd_mixer_handle_events(mixer.get()), QStringLiteral("reading changes"));
    }

    const LinePlan* plan(int line) const
    {
        return line >= 0 && line < lines.size() ? &lines[line] : nullptr;
    }
    snd_mixer_elem_t* element(const LinePlan* p) const
    {
        return p && p->element >= 0 ? elements[static_cast<std::size_t>(p->element)] : nullptr;
    }
    QString nameOf(int element) const { return caps[element].name; }

    // --- volume of one direction of an element ----------------------------------------
    struct Stereo {
        long min = 0, max = 0, left = 0, right = 0;
        bool mono = true;
    };

    bool lineHasVolume(const LinePlan* p) const
    {
        if (!p || p->element < 0)
            return false;
        const ElementCaps& c = caps[p->element];
        return input ? c.captureVolume : c.playbackVolume;
    }

    Stereo readVolume(snd_mixer_elem_t* e, bool capture, const QString& name) const
    {
        const Direction& to = direction(capture);
        Stereo s;
        check(to.volumeRange(e, &s.min, &s.max), name);
        s.mono = to.isMono(e) || !to.hasChannel(e, Right);
        check(to.volume(e, Left, &s.left), name);
        s.right = s.left;
        if (!s.mono)
            check(to.volume(e, Right, &s.right), name);
        return s;
    }

    void writeVolume(snd_mixer_elem_t* e, bool capture, const Stereo& s, const QString& name) const
    {
        const Direction& to = direction(capture);
        if (s.mono) {
            check(to.setVolumeAll(e, s.left), name);
        } else {
            check(to.setVolume(e, Left, s.left), name);
            check(to.setVolume(e, Right, s.right), name);
        }
    }

    int rememberedBalance(int line) const { return lastBalance[static_cast<std::size_t>(line)]; }

    // --- enumerations --------------------------------------------------------------------
    unsigned enumItem(snd_mixer_elem_t* e, const QString& name) const
    {
        unsigned item = 0;
        check(snd_mixer_selem_get_enum_item(e, SND_MIXER_SCHN_MONO, &item), name);
        return item;
    }

    void setEnumItem(snd_mixer_elem_t* e, unsigned item, const QString& name) const
    {
        bool any = false;
        for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
            unsigned current = 0;
            const auto channel = static_cast<snd_mixer_selem_channel_id_t>(ch);
            if (snd_mixer_selem_get_enum_item(e, channel, &current) < 0)
                continue;   // the element has no such channel
            check(snd_mixer_selem_set_enum_item(e, channel, item), name);
            any = true;
        }
        if (!any)
            check(snd_mixer_selem_set_enum_item(e, SND_MIXER_SCHN_MONO, item), name);
    }
};

AlsaMixer::AlsaMixer(const QString& controlDevice, bool input) : d(std::make_unique<Impl>())
{
    d->control = controlDevice;
    d->input = input;
    snd_mixer_t* raw = nullptr;
    d->check(snd_mixer_open(&raw, 0), QStringLiteral("open"));
    d->mixer.reset(raw);
    const QByteArray name = controlDevice.toLocal8Bit();
    d->check(snd_mixer_attach(raw, name.constData()), QStringLiteral("attach"));
    d->check(snd_mixer_selem_register(raw, nullptr, nullptr), QStringLiteral("register"));
    d->check(snd_mixer_load(raw), QStringLiteral("load"));

    for (snd_mixer_elem_t* e = snd_mixer_first_elem(raw); e; e = snd_mixer_elem_next(e)) {
        if (!snd_mixer_selem_is_active(e))
            continue;
        ElementCaps c;
        c.name = QString::fromLocal8Bit(snd_mixer_selem_get_name(e));
        if (const unsigned index = snd_mixer_selem_get_index(e); index > 0)
            c.name += QLatin1Char(' ') + QString::number(index);
        c.commonVolume = snd_mixer_selem_has_common_volume(e);
        c.commonSwitch = snd_mixer_selem_has_common_switch(e);
        c.playbackVolume = !c.commonVolume && snd_mixer_selem_has_playback_volume(e);
        c.captureVolume = !c.commonVolume && snd_mixer_selem_has_capture_volume(e);
        c.playbackSwitch = !c.commonSwitch && snd_mixer_selem_has_playback_switch(e);
        c.captureSwitch = !c.commonSwitch && snd_mixer_selem_has_capture_switch(e);
        c.enumerated = snd_mixer_selem_is_enumerated(e);
        if (c.enumerated) {
            c.captureEnum = snd_mixer_selem_is_enum_capture(e);
            const int items = snd_mixer_selem_get_enum_items(e);
            d->check(items, c.name);
            for (int i = 0; i < items; ++i) {
                std::array<char, 128> buf{};
                d->check(snd_mixer_selem_get_enum_item_name(e, static_cast<unsigned>(i), buf.size(), buf.data()), c.name);
                c.items.append(QString::fromLocal8Bit(buf.data()));
            }
        }
        d->caps.append(c);
        d->elements.push_back(e);
    }
    d->lines = planLines(d->caps, input);
    d->lastBalance.assign(static_cast<std::size_t>(d->lines.size()), 50);
}

AlsaMixer::~AlsaMixer() = default;

std::unique_ptr<AudioMixer> AlsaMixer::forDevice(const QString& pcmDeviceName, bool input)
{
    const QString control = controlDeviceFor(pcmDeviceName);
    if (control.isEmpty())
        return std::make_unique<EmptyMixer>();
    try {
        return std::make_unique<AlsaMixer>(control, input);
    } catch (const EngineError&) {
        return std::make_unique<EmptyMixer>();   // no mixer behind this device
    }
}

QString AlsaMixer::controlDevice() const { return d->control; }

int AlsaMixer::lineCount() const { return static_cast<int>(d->lines.size()); }

QString AlsaMixer::lineName(int line) const
{
    const LinePlan* p = d->plan(line);
    return p ? p->name : QString();
}

bool AlsaMixer::volumeEnabled(int line) const { return d->lineHasVolume(d->plan(line)); }

int AlsaMixer::volume(int line) const
{
    const LinePlan* p = d->plan(line);
    if (!d->lineHasVolume(p))
        return 0;
    d->refresh();
    const auto s = d->readVolume(d->element(p), d->input, p->name);
    return toUnit(std::max(s.left, s.right), s.min, s.max);
}

void AlsaMixer::setVolume(int line, int value)
{
    const LinePlan* p = d->plan(line);
    if (!p)
        noLine(line);
    if (!d->lineHasVolume(p))
        throw EngineError(QStringLiteral("Mixer line \"%1\" has no volume control").arg(p->name));
    d->refresh();
    auto s = d->readVolume(d->element(p), d->input, p->name);
    int b = balanceOf(s.left - s.min, s.right - s.min);
    if (b < 0)
        b = d->rememberedBalance(line);
    long left = 0, right = 0;
    levelsFor(fromUnit(value, s.min, s.max) - s.min, s.mono ? 50 : b, left, right);
    s.left = s.min + left;
    s.right = s.min + right;
    d->writeVolume(d->element(p), d->input, s, p->name);
}

bool AlsaMixer::balanceEnabled(int line) const
{
    const LinePlan* p = d->plan(line);
    if (!d->lineHasVolume(p))
        return false;
    snd_mixer_elem_t* e = d->element(p);
    const Direction& to = direction(d->input);
    return !to.isMono(e) && to.hasChannel(e, Right);
}

int AlsaMixer::balance(int line) const
{
    const LinePlan* p = d->plan(line);
    if (!balanceEnabled(line))
        return 50;
    d->refresh();
    const auto s = d->readVolume(d->element(p), d->input, p->name);
    const int b = balanceOf(s.left - s.min, s.right - s.min);
    if (b < 0)
        return d->rememberedBalance(line);
    d->lastBalance[static_cast<std::size_t>(line)] = b;
    return b;
}

void AlsaMixer::setBalance(int line, int value)
{
    const LinePlan* p = d->plan(line);
    if (!p)
        noLine(line);
    if (!balanceEnabled(line))
        throw EngineError(QStringLiteral("Mixer line \"%1\" has no balance control").arg(p->name));
    const int b = std::clamp(value, 0, 100);
    d->refresh();
    auto s = d->readVolume(d->element(p), d->input, p->name);
    long left = 0, right = 0;
    levelsFor(std::max(s.left, s.right) - s.min, b, left, right);
    s.left = s.min + left;
    s.right = s.min + right;
    d->writeVolume(d->element(p), d->input, s, p->name);
    d->lastBalance[static_cast<std::size_t>(line)] = b;
}

bool AlsaMixer::switchEnabled(int line) const
{
    const LinePlan* p = d->plan(line);
    if (!p)
        return false;
    if (d->input && p->selectEnum >= 0)
        return true;
    if (p->element < 0)
        return false;
    return d->input ? d->caps[p->element].captureSwitch : d->caps[p->element].playbackSwitch;
}

bool AlsaMixer::switchValue(int line) const
{
    if (!switchEnabled(line))
        return false;
    const LinePlan* p = d->plan(line);
    d->refresh();
    if (d->input && p->selectEnum >= 0) {
        snd_mixer_elem_t* e = d->elements[static_cast<std::size_t>(p->selectEnum)];
        return d->enumItem(e, d->nameOf(p->selectEnum)) == static_cast<unsigned>(p->selectItem);
    }
    int on = 0;
    d->check(direction(d->input).switchValue(d->element(p), Left, &on), p->name);
    return d->input ? on != 0 : on == 0;   // muted when the playback switch is off
}

void AlsaMixer::setSwitchValue(int line, bool on)
{
    const LinePlan* p = d->plan(line);
    if (!p)
        noLine(line);
    if (!switchEnabled(line))
        throw EngineError(QStringLiteral("Mixer line \"%1\" has no %2 switch")
                              .arg(p->name, d->input ? QStringLiteral("select") : QStringLiteral("mute")));
    d->refresh();
    if (d->input && p->selectEnum >= 0) {
        if (on) {
            d->setEnumItem(d->elements[static_cast<std::size_t>(p->selectEnum)],
                           static_cast<unsigned>(p->selectItem), d->nameOf(p->selectEnum));
        }
        return;   // one source is always chosen: deselecting leaves it as it is
    }
    const bool switchOn = d->input ? on : !on;   // an output's switch is off while it is muted
    d->check(direction(d->input).setSwitchAll(d->element(p), switchOn ? 1 : 0), p->name);
}

int AlsaMixer::advancedCount(int line) const
{
    const LinePlan* p = d->plan(line);
    return p ? static_cast<int>(p->advanced.size()) : 0;
}

QString AlsaMixer::advancedName(int line, int index) const
{
    const LinePlan* p = d->plan(line);
    if (!p || index < 0 || index >= p->advanced.size())
        return {};
    return p->advanced[index].name;
}

QVariant AlsaMixer::advancedValue(int line, int index) const
{
    const LinePlan* p = d->plan(line);
    if (!p || index < 0 || index >= p->advanced.size())
        return {};
    const AdvancedControl& a = p->advanced[index];
    const ElementCaps& c = d->caps[a.element];
    snd_mixer_elem_t* e = d->elements[static_cast<std::size_t>(a.element)];
    d->refresh();
    switch (a.kind) {
    case AdvancedControl::Kind::Switch: {
        int on = 0;
        d->check(direction(d->input && c.captureSwitch).switchValue(e, Left, &on), a.name);
        return QVariant(on != 0);
    }
    case AdvancedControl::Kind::Level: {
        const auto s = d->readVolume(e, d->input && c.captureVolume, a.name);
        return QVariant(toUnit(std::max(s.left, s.right), s.min, s.max));
    }
    case AdvancedControl::Kind::Choice: {
        const int items = static_cast<int>(c.items.size());
        const unsigned item = d->enumItem(e, a.name);
        return QVariant(items > 1 ? toUnit(static_cast<long>(item), 0, items - 1) : 0);
    }
    }
    return {};
}

void AlsaMixer::setAdvancedValue(int line, int index, const QVariant& value)
{
    const LinePlan* p = d->plan(line);
    if (!p)
        noLine(line);
    if (index < 0 || index >= p->advanced.size())
        throw EngineError(QStringLiteral("Mixer line \"%1\" has no advanced control %2").arg(p->name).arg(index));
    const AdvancedControl& a = p->advanced[index];
    const ElementCaps& c = d->caps[a.element];
    snd_mixer_elem_t* e = d->elements[static_cast<std::size_t>(a.element)];
    d->refresh();
    if (a.kind == AdvancedControl::Kind::Switch) {
        d->check(direction(d->input && c.captureSwitch).setSwitchAll(e, value.toBool() ? 1 : 0), a.name);
        return;
    }
    bool ok = false;
    const int v = value.toInt(&ok);
    if (!ok)
        throw EngineError(QStringLiteral("Mixer control \"%1\" takes a number from 0 to 65535").arg(a.name));
    if (a.kind == AdvancedControl::Kind::Level) {
        const bool capture = d->input && c.captureVolume;
        auto s = d->readVolume(e, capture, a.name);
        d->check(direction(capture).setVolumeAll(e, fromUnit(v, s.min, s.max)), a.name);
        return;
    }
    const int items = static_cast<int>(c.items.size());
    if (items <= 0)
        return;
    d->setEnumItem(e, static_cast<unsigned>(fromUnit(v, 0, items - 1)), a.name);
}
