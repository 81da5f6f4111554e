#include "engine/AudioDeviceComponent.h"

#include "engine/DeviceCore.h"
#include "engine/EngineError.h"

#include <QMetaObject>
#include <QTimer>
#include <algorithm>

namespace engine {

namespace {
constexpr int HistoryMinFrames = 65536;
}

DeviceCore::DeviceCore(AudioDeviceComponent* owner, AudioBackend* backend, bool isInput)
    : q(owner), input(isInput), backendArg_(backend),
      mixer_([this](int device) { return be().openMixer(device, input); })
{
    timer_ = new QTimer(q);
    QObject::connect(timer_, &QTimer::timeout, q, [this] { realTimeTick(); });
}

DeviceCore::~DeviceCore() = default;

AudioBackend& DeviceCore::be()
{
    if (!backend_)
        backend_ = backendArg_ ? backendArg_ : &systemAudioBackend();
    return *backend_;
}

QList<AudioDeviceInfo> DeviceCore::devices()
{
    return input ? be().inputDevices() : be().outputDevices();
}

int DeviceCore::device()
{
    if (!deviceResolved_) {
        deviceIndex_ = input ? be().defaultInputDevice() : be().defaultOutputDevice();
        deviceResolved_ = true;
    }
    return deviceIndex_;
}

bool DeviceCore::followMove()
{
    if (!running || !stream_)
        return false;
    const QString id = stream_->movedTo();
    if (id.isEmpty())
        return false;
    const auto list = devices();
    for (int i = 0; i < list.size(); ++i) {
        if (list[i].id == id) {
            const bool changed = i != device();
            setDevice(i);
            return changed;
        }
    }
    return false;
}

void DeviceCore::setDevice(int index)
{
    deviceIndex_ = index;
    deviceResolved_ = true;
}

MixerLines& DeviceCore::mix()
{
    mixer_.setDevice(device());
    return mixer_;
}

void DeviceCore::prepareHistory()
{
    if (historyRate_ == rate && historyChannels_ == channels)
        return;
    history.reset(channels, std::max(HistoryMinFrames, rate));
    historyRate_ = rate;
    historyChannels_ = channels;
}

bool DeviceCore::startStream(const std::function<std::unique_ptr<AudioStream>(AudioBackend&, int)>& open,
                             const QString& notOpened)
{
    const auto fail = [this](int code, const QString& text) {
        stopStream();
        running = false;
        lastError = code;
        lastErrorText = text;
        return false;
    };
    try {
        AudioBackend& b = be();
        const int dev = device();
        lost_.store(false);
        try {
            stream_ = open(b, dev);
        } catch (const std::exception& e) {
            return fail(ErrorOpen, QString::fromUtf8(e.what()));
        }
        if (!stream_)
            return fail(ErrorOpen, notOpened);
        auto* mc = dynamic_cast<ManualClock*>(&b);
        if (mc && mc->isManualClock()) {
            clock_ = mc;
            clock_->addClockClient(this);
        } else {
            service_.start(input ? "tavrin-capture" : "tavrin-playback", [this] { serviceStep(); });
        }
        running = true;
        ++generation;
        try {
            stream_->start();
        } catch (const std::exception& e) {
            return fail(ErrorStart, QString::fromUtf8(e.what()));
        }
        startTimer();
        return true;
    } catch (const std::exception& e) {
        return fail(ErrorBackend, QString::fromUtf8(e.what()));
    }
}

void DeviceCore::stopStream()
{
    stopTimer();
    if (clock_) {
        clock_->removeClockClient(this);
        clock_ = nullptr;
    }
    if (stream_) {
        try {
            stream_->stop();
        } catch (...) {
        }
        stream_.reset();
    }
    service_.stop();
}

void DeviceCore::noteLost(const QString& reason) noexcept
{
    try {
        {
            std::lock_guard lock(lostMutex_);
            lostReason_ = reason;
        }
        lost_.store(true);
        postNotify();
    } catch (...) {
    }
}

void DeviceCore::handleLost()
{
    QString reason;
    {
        std::lock_guard lock(lostMutex_);
        reason = lostReason_;
    }
    stopStream();
    running = false;
    ++generation;
    afterLoss();
    lastError = ErrorLost;
    lastErrorText = reason;
    emit q->OnDeviceError(reason);
}

void DeviceCore::postNotify()
{
    if (notifyQueued_.exchange(true))
        return;
    QMetaObject::invokeMethod(q, [this] {
        notifyQueued_.store(false);
        if (running && lost_.load())
            handleLost();
        else
            onNotify();
    }, Qt::QueuedConnection);
}

// --- the periodic OnTimer ------------------------------------------------------------------
// In real time the owning thread's QTimer ticks; it serves the stream first, so the levels and
// the picture cover everything captured or played up to the tick. On a hand-driven clock the
// tick falls due in clockAdvanced() and is posted to the owning thread, where a tick from
// before a stop or restart is dropped.

void DeviceCore::setTimerEnabled(bool on)
{
    if (on == timerEnabled)
        return;
    timerEnabled = on;
    if (on)
        startTimer();
    else
        stopTimer();
}

void DeviceCore::setTimerInterval(int ms)
{
    ms = std::max(1, ms);
    if (ms == timerInterval)
        return;
    timerInterval = ms;
    if (running && timerEnabled)
        startTimer();
}

void DeviceCore::startTimer()
{
    stopTimer();
    if (!running || !timerEnabled)
        return;
    if (clock_) {
        nextTickNs_ = clock_->clockNowNs() + static_cast<qint64>(timerInterval) * 1000000;
    } else {
        timer_->start(timerInterval);
        tickFrames.store(millisecondsToFrames(timerInterval, rate));
    }
}

void DeviceCore::stopTimer()
{
    timer_->stop();
    nextTickNs_ = ManualClock::Never;
    if (tickFrames.exchange(0) != 0 && running)
        postNotify();   // what the ticks would have announced
}

void DeviceCore::realTimeTick()
{
    if (!running || !timerEnabled)
        return;
    serviceStep();
    const int gen = generation;
    onNotify();
    if (!running || !timerEnabled || gen != generation)
        return;   // an event handler stopped or restarted the stream
    const auto levels = meter.take();
    emitTick(tickSamples(), levels.left, levels.right);
}

void DeviceCore::clockAdvanced(qint64 nowNs)
{
    serviceStep();
    tickIfDue(nowNs);
}

void DeviceCore::tickIfDue(qint64 nowNs)
{
    if (nextTickNs_ == ManualClock::Never || nowNs < nextTickNs_)
        return;
    const qint64 period = static_cast<qint64>(timerInterval) * 1000000;
    nextTickNs_ += period;
    if (nextTickNs_ <= nowNs)
        nextTickNs_ = nowNs + period;
    const auto levels = meter.take();
    const int samples = tickSamples();
    const int gen = generation;
    QMetaObject::invokeMethod(q, [this, gen, samples, levels] {
        if (running && timerEnabled && gen == generation)
            emitTick(samples, levels.left, levels.right);
    }, Qt::QueuedConnection);
}

void DeviceCore::emitTick(int samples, int left, int right)
{
    levelLeft = left;
    levelRight = right;
    emit q->OnTimer(samples, left, right);
}

} // namespace engine

// --- the public properties ------------------------------------------------------------------

using engine::DeviceCore;

AudioDeviceComponent::AudioDeviceComponent(QObject* parent) : QObject(parent) {}

AudioDeviceComponent::~AudioDeviceComponent()
{
    if (core_)
        core_->stopStream();
}

void AudioDeviceComponent::attachCore(std::unique_ptr<DeviceCore> core)
{
    core_ = std::move(core);
}

int AudioDeviceComponent::DeviceLastIndex() { return static_cast<int>(owned().devices().size()) - 1; }
int AudioDeviceComponent::DeviceIndex() { return owned().device(); }
void AudioDeviceComponent::setDeviceIndex(int index) { owned().setDevice(index); }
QString AudioDeviceComponent::DeviceName()
{
    DeviceCore& c = owned();
    const auto list = c.devices();
    const int i = c.device();
    return i >= 0 && i < list.size() ? list[i].name : QString();
}
bool AudioDeviceComponent::FollowMove()
{
    return owned().followMove();
}

QString AudioDeviceComponent::DeviceKey()
{
    DeviceCore& c = owned();
    const auto list = c.devices();
    const int i = c.device();
    if (i < 0 || i >= list.size())
        return {};
    return list[i].id.isEmpty() ? list[i].name : list[i].id;
}

bool AudioDeviceComponent::DeviceAvailable()
{
    DeviceCore& c = owned();
    const auto list = c.devices();
    const int i = c.device();
    return i >= 0 && i < list.size() && list[i].available;
}

void AudioDeviceComponent::SetFormat(int SampleRate, int Channels)
{
    DeviceCore& c = owned();
    engine::checkFormat(SampleRate, Channels);
    c.rate = SampleRate;
    c.channels = Channels;
}
int AudioDeviceComponent::SampleRate() const { return core_->rate; }
int AudioDeviceComponent::Channels() const { return core_->channels; }
int AudioDeviceComponent::MillisecondsToSamples(int ms) const { return engine::millisecondsToFrames(ms, core_->rate); }
int AudioDeviceComponent::SamplesToMilliseconds(int samples) const
{
    return engine::framesToMilliseconds(samples, core_->rate);
}

bool AudioDeviceComponent::TimerEnabled() const { return core_->timerEnabled; }
void AudioDeviceComponent::setTimerEnabled(bool on) { owned().setTimerEnabled(on); }
int AudioDeviceComponent::TimerInterval() const { return core_->timerInterval; }
void AudioDeviceComponent::setTimerInterval(int ms) { owned().setTimerInterval(ms); }

int AudioDeviceComponent::LastError() const { return core_->lastError; }
QString AudioDeviceComponent::LastErrorText() const { return core_->lastErrorText; }
SampleArray AudioDeviceComponent::GetCurrentArray(int Count)
{
    SampleArray frames = core_->history.latest(Count);
    frames.setSampleRate(core_->rate);
    return frames;
}
int AudioDeviceComponent::LevelLeft() const { return core_->levelLeft; }
int AudioDeviceComponent::LevelRight() const { return core_->levelRight; }

int AudioDeviceComponent::srcLastIndex() { return owned().mix().lastIndex(); }
void AudioDeviceComponent::setSrcIndex(int index) { owned().lines().setIndex(index); }
int AudioDeviceComponent::srcIndex() const { return core_->lines().index(); }
QString AudioDeviceComponent::srcName() { return owned().mix().name(); }
bool AudioDeviceComponent::srcVolumeEnabled() { return owned().mix().volumeEnabled(); }
int AudioDeviceComponent::srcVolume() { return owned().mix().volume(); }
void AudioDeviceComponent::setSrcVolume(int value) { owned().mix().setVolume(value); }
bool AudioDeviceComponent::srcBalanceEnabled() { return owned().mix().balanceEnabled(); }
int AudioDeviceComponent::srcBalance() { return owned().mix().balance(); }
void AudioDeviceComponent::setSrcBalance(int value) { owned().mix().setBalance(value); }
int AudioDeviceComponent::srcAdvancedLastIndex() { return owned().mix().advancedLastIndex(); }
QString AudioDeviceComponent::srcAdvancedName(int i) { return owned().mix().advancedName(i); }
QVariant AudioDeviceComponent::srcAdvancedValue(int i) { return owned().mix().advancedValue(i); }
void AudioDeviceComponent::setSrcAdvancedValue(int i, const QVariant& value) { owned().mix().setAdvancedValue(i, value); }
