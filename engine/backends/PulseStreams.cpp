#include "engine/backends/PulseStreams.h"

#include "engine/DeviceCallback.h"
#include "engine/EngineError.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

namespace tavrin::pulse {

namespace {
double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
} // namespace

PulseStream::PulseStream(std::shared_ptr<PulseCore> core, const StreamTarget& target, int rate, int channels,
                         CaptureSink* sink, PlaybackSource* source)
    : core_(std::move(core)), input_(target.side == Input), rate_(rate), channels_(channels), sink_(sink),
      source_(source), frameBytes_(static_cast<std::size_t>(channels) * sizeof(float))
{
    lostText_ = QStringLiteral("The sound device \"%1\" went away or the sound server ended its stream")
                    .arg(target.shownName);
    const QString where = QStringLiteral("Cannot open the sound device \"%1\" (%2 Hz, %3 channel(s))")
                              .arg(target.shownName)
                              .arg(rate)
                              .arg(channels);
    try {
        open(target, where);
    } catch (...) {
        release();
        throw;
    }
}

PulseStream::~PulseStream()
{
    PulseStream::stop();
    release();
}

void PulseStream::start()
{
    PulseConnection& c = core_->connection;
    PulseConnection::Lock lock(c);
    if (running_)
        return;
    if (pa_stream_get_state(stream_.get()) != PA_STREAM_READY)
        throw EngineError(lostText_);
    gaps_.start(rate_, std::max(0.12, 2.5 * (input_ ? core_->options.captureSeconds : core_->options.bufferSeconds)));
    carryBytes_ = 0;
    running_ = true;
    stopping_ = false;
    if (!input_) {
        // What the server asked for while the stream waited is filled now, with audio.
        const std::size_t wanted = pa_stream_writable_size(stream_.get());
        if (wanted != static_cast<std::size_t>(-1))
            write(wanted);
    }
    if (!c.finish(Operation(pa_stream_cork(stream_.get(), 0, &PulseStream::onSuccess, this)))) {
        running_ = false;
        throw EngineError(QStringLiteral("Cannot start the sound device: ") + c.lastError());
    }
}

void PulseStream::stop()
{
    PulseConnection::Lock lock(core_->connection);
    if (!running_ || !stream_)
        return;
    if (input_)
        read();   // what has arrived is handed over
    running_ = false;
    stopping_ = true;
    if (pa_stream_get_state(stream_.get()) == PA_STREAM_READY) {
        // Sent without waiting: the stream is let go right after.
        Operation cork(pa_stream_cork(stream_.get(), 1, nullptr, nullptr));
        Operation flush(pa_stream_flush(stream_.get(), nullptr, nullptr));
    }
}

void PulseStream::open(const StreamTarget& target, const QString& where)
{
    const QByteArray& device = target.device;
    device_ = device;
    PulseConnection& c = core_->connection;
    PulseConnection::Lock lock(c);
    c.requireOnline();
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(rate_), static_cast<uint8_t>(channels_)};
    pa_channel_map map{};
    if (!pa_sample_spec_valid(&spec)
        || !pa_channel_map_init_extend(&map, static_cast<unsigned>(channels_), PA_CHANNEL_MAP_DEFAULT))
        throw EngineError(where + QStringLiteral(": the format is not supported"));
    const QByteArray streamName = (input_ ? QCoreApplication::translate("PulseBackend", "Запись") : QCoreApplication::translate("PulseBackend", "Воспроизведение")).toUtf8();
    // A recording is "production"; what it plays back is music as far as the desktop knows.
    const Proplist props = programProperties(input_ ? "production" : "music");
    if (!props)
        throw EngineError(where + QStringLiteral(": the stream's properties could not be made"));
    stream_.reset(pa_stream_new_with_proplist(c.context(), streamName.constData(), &spec, &map, props.get()));
    if (!stream_)
        throw EngineError(where + QStringLiteral(": ") + c.lastError());
    pa_stream* s = stream_.get();
    pa_stream_set_state_callback(s, &PulseStream::onState, this);
    pa_stream_set_moved_callback(s, &PulseStream::onMoved, this);
    if (input_ && target.sinkInput != PA_INVALID_INDEX && pa_stream_set_monitor_stream(s, target.sinkInput) < 0)
        throw EngineError(where + QStringLiteral(": ") + c.lastError());
    if (input_)
        pa_stream_set_read_callback(s, &PulseStream::onRead, this);
    else
        pa_stream_set_write_callback(s, &PulseStream::onWrite, this);

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
    // A capture keeps the server's timing at hand: how far behind the device it is (reportDelay).
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY
        | (input_ ? PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE : 0));
    const int r = input_ ? pa_stream_connect_record(s, device.constData(), &attr, flags)
                         : pa_stream_connect_playback(s, device.constData(), &attr, flags, nullptr, nullptr);
    if (r < 0)
        throw EngineError(where + QStringLiteral(": ") + c.lastError());
    c.waitUntil([s] { return pa_stream_get_state(s) != PA_STREAM_CREATING; });
    if (pa_stream_get_state(s) != PA_STREAM_READY)
        throw EngineError(where + QStringLiteral(": ") + (c.isOnline() ? c.lastError() : c.notAnswering()));
    if (const char* now = pa_stream_get_device_name(s))
        device_ = QByteArray(now);
}

void PulseStream::release() noexcept
{
    if (!stream_)
        return;
    PulseConnection::Lock lock(core_->connection);
    if (checkOld_) {
        pa_operation_cancel(checkOld_.get());
        checkOld_.reset();
    }
    stream_.reset();
}

void PulseStream::onSuccess(pa_stream*, int, void* user) { self(user)->core_->connection.signal(); }

void PulseStream::onState(pa_stream* s, void* user)
{
    PulseStream* me = self(user);
    me->core_->connection.signal();
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
        me->lost();
}

void PulseStream::onMoved(pa_stream* s, void* user) { self(user)->moved(s); }

// Loop thread. The server moves a stream by itself only when its device goes away; whether the
// device it left is still there tells a move of the user's from that.
void PulseStream::moved(pa_stream* s) noexcept
{
    const QByteArray left = device_;
    const char* now = pa_stream_get_device_name(s);
    device_ = QByteArray(now ? now : "");
    pa_context* c = core_->connection.context();
    checkOld_.reset(c ? (input_ ? pa_context_get_source_info_by_name(c, left.constData(),
                                                                     [](pa_context* cc, const pa_source_info*, int eol, void* u) {
                                                                         onOldDevice(cc, eol, u);
                                                                     }, this)
                                : pa_context_get_sink_info_by_name(c, left.constData(),
                                                                   [](pa_context* cc, const pa_sink_info*, int eol, void* u) {
                                                                       onOldDevice(cc, eol, u);
                                                                   }, this))
                      : nullptr);
    if (!checkOld_)
        lost();
}

// Loop thread: the answer about the device the stream left. An entry (eol 0) comes first when
// it is there; a failure (eol < 0) when it is not.
void PulseStream::onOldDevice(pa_context*, int eol, void* user)
{
    PulseStream* me = self(user);
    if (!me->checkOld_)
        return;   // answered already
    me->checkOld_.reset();
    if (eol < 0) {
        me->lost();
        return;
    }
    me->movedTo_ = me->device_;
    me->core_->watchers.notify(DeviceListsChanged);
}

QString PulseStream::movedTo() const
{
    PulseConnection::Lock lock(core_->connection);
    return QString::fromUtf8(movedTo_);
}
void PulseStream::onRead(pa_stream*, size_t, void* user) { self(user)->read(); }
void PulseStream::onWrite(pa_stream*, size_t bytes, void* user) { self(user)->write(bytes); }

// Loop thread: reported once, while the stream runs.
void PulseStream::lost() noexcept
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
void PulseStream::read() noexcept
{
    for (;;) {
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream_.get(), &data, &bytes) < 0) {
            lost();
            return;
        }
        if (bytes == 0) {
            reportDelay();
            return;
        }
        if (running_) {
            DeviceCallbackScope scope;   // our part of the loop's work: no heap, no lock
            if (!data)
                sink_->overflowed(static_cast<int>(std::min<std::size_t>(bytes / frameBytes_, 0x7fffffff)));
            else
                deliver(static_cast<const unsigned char*>(data), bytes);
        }
        pa_stream_drop(stream_.get());
    }
}

// Loop thread: how far behind the device the stream is now that everything readable has been
// read, from the server's timing (interpolated between its updates).
void PulseStream::reportDelay() noexcept
{
    if (!input_ || !running_)
        return;
    pa_usec_t usec = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream_.get(), &usec, &negative) < 0)
        return;   // no timing from the server yet
    const auto frames = static_cast<int>(std::min<pa_usec_t>(usec, 10 * PA_USEC_PER_SEC) * static_cast<pa_usec_t>(rate_) / PA_USEC_PER_SEC);
    DeviceCallbackScope scope;
    sink_->delayed(negative ? -frames : frames);
}

void PulseStream::deliver(const unsigned char* p, std::size_t bytes) noexcept
{
    // Fragments come when complete, at the device's pace: frames that the server dropped show
    // as a lasting shortfall against the wall clock (a burst after a stall does not).
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
void PulseStream::write(std::size_t bytes) noexcept
{
    if (!running_)
        return;   // asked again once the stream starts
    while (bytes >= frameBytes_) {
        void* buffer = nullptr;
        std::size_t n = bytes;
        if (pa_stream_begin_write(stream_.get(), &buffer, &n) < 0 || !buffer) {
            lost();
            return;
        }
        n -= n % frameBytes_;
        if (n == 0) {
            pa_stream_cancel_write(stream_.get());
            return;
        }
        {
            DeviceCallbackScope scope;
            source_->render(static_cast<float*>(buffer), static_cast<int>(n / frameBytes_));
        }
        if (pa_stream_write(stream_.get(), buffer, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            lost();
            return;
        }
        bytes -= n;
    }
}

} // namespace tavrin::pulse
