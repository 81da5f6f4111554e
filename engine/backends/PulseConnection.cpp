#include "engine/backends/PulseConnection.h"

#include "engine/EngineError.h"

#include <algorithm>

namespace tavrin::pulse {

namespace {
constexpr double FirstRetrySeconds = 0.25;
constexpr double LongestRetrySeconds = 5.0;
} // namespace

PulseConnection::PulseConnection(double answerSeconds, Listener& listener)
    : answerSeconds_(answerSeconds), listener_(listener)
{
}

PulseConnection::~PulseConnection() { close(); }

void PulseConnection::open()
{
    loop_.reset(pa_threaded_mainloop_new());
    if (!loop_)
        throw EngineError(QStringLiteral("Cannot create the sound server's main loop"));
    if (pa_threaded_mainloop_start(loop_.get()) < 0)
        throw EngineError(QStringLiteral("Cannot start the sound server's main loop"));
    started_ = true;
    QString why;
    {
        Lock lock(*this);
        attempt();
        waitUntil([this] { return state_ == State::Online || state_ == State::Waiting; });
        if (state_ != State::Online)
            why = notAnswering();
    }
    if (!why.isEmpty()) {
        close();
        throw EngineError(why);
    }
}

void PulseConnection::close() noexcept
{
    if (started_) {
        {
            Lock lock(*this);
            state_ = State::Closed;
            retry_.reset();
            context_.reset();
            dead_.reset();
        }
        pa_threaded_mainloop_stop(loop_.get());
        started_ = false;
    }
    state_ = State::Closed;
    retry_.reset();
    context_.reset();
    dead_.reset();
    loop_.reset();
}

QString PulseConnection::lastError() const
{
    const int err = context_ ? pa_context_errno(context_.get()) : lastErrno_;
    return QString::fromUtf8(pa_strerror(err));
}

QString PulseConnection::notAnswering() const
{
    QString text = serverName_.isEmpty()
        ? QStringLiteral("The sound server is not answering")
        : QStringLiteral("The sound server (%1) is not answering").arg(serverName_);
    const int err = context_ ? pa_context_errno(context_.get()) : lastErrno_;
    if (err != PA_OK)
        text += QStringLiteral(": ") + QString::fromUtf8(pa_strerror(err));
    return text;
}

void PulseConnection::online()
{
    if (state_ != State::Refilling)
        return;
    state_ = State::Online;
    backoff_ = 0;
    signal();
}

bool PulseConnection::finish(Operation op)
{
    if (!op)
        return false;
    const bool done = waitUntil([&op] { return pa_operation_get_state(op.get()) != PA_OPERATION_RUNNING; });
    if (!done)
        pa_operation_cancel(op.get());
    return done && pa_operation_get_state(op.get()) == PA_OPERATION_DONE;
}

void PulseConnection::send(Operation op, const QString& what)
{
    if (!op)
        throw EngineError(what + QStringLiteral(": ") + lastError());
}

void PulseConnection::requireOnline()
{
    if (state_ == State::Online)
        return;
    if (state_ == State::Closed || pa_threaded_mainloop_in_thread(loop_.get()))
        throw EngineError(notAnswering());
    if (state_ == State::Waiting)
        attempt();   // now rather than at the next turn
    waitUntil([this] { return state_ == State::Online || state_ == State::Waiting; });
    if (state_ != State::Online)
        throw EngineError(notAnswering());
}

// --- connecting -------------------------------------------------------------------------------

Proplist programProperties(const char* mediaRole)
{
    // Who we are, as the desktop's volume and microphone indicators show it: the desktop
    // entry's id and the program's icon.
    Proplist props(pa_proplist_new());
    if (!props || pa_proplist_sets(props.get(), PA_PROP_APPLICATION_NAME, "Tavrin") < 0
        || pa_proplist_sets(props.get(), PA_PROP_APPLICATION_ID, "org.example.tavrin") < 0
        || pa_proplist_sets(props.get(), PA_PROP_APPLICATION_ICON_NAME, "tavrin") < 0
        || (mediaRole && pa_proplist_sets(props.get(), PA_PROP_MEDIA_ROLE, mediaRole) < 0))
        return nullptr;
    return props;
}

void PulseConnection::attempt()
{
    retry_.reset();
    dead_.reset();
    if (context_)
        dead_ = std::move(context_);
    state_ = State::Connecting;
    Proplist props = programProperties();
    Context c(props ? pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_.get()), "Tavrin", props.get())
                    : nullptr);
    if (!c) {
        lastErrno_ = PA_ERR_INTERNAL;
        retryLater();
        return;
    }
    pa_context_set_state_callback(c.get(), &PulseConnection::onState, this);
    context_ = std::move(c);
    // A server that is not there fails at once: the state callback has then said so already.
    if (pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0 && context_
        && state_ == State::Connecting) {
        lastErrno_ = pa_context_errno(context_.get());
        dead_ = std::move(context_);
        retryLater();
    }
}

void PulseConnection::retryLater()
{
    if (state_ == State::Closed)
        return;
    state_ = State::Waiting;
    backoff_ = backoff_ <= 0 ? FirstRetrySeconds : std::min(LongestRetrySeconds, backoff_ * 2);
    retry_ = timer(backoff_, &PulseConnection::onRetry, this);
    signal();
}

void PulseConnection::onRetry(pa_mainloop_api*, pa_time_event*, const timeval*, void* user)
{
    auto* self = static_cast<PulseConnection*>(user);
    if (self->state_ == State::Waiting)
        self->attempt();
}

void PulseConnection::onState(pa_context* c, void* user)
{
    auto* self = static_cast<PulseConnection*>(user);
    if (c != self->context_.get())
        return;   // one given up already
    self->signal();
    switch (pa_context_get_state(c)) {
    case PA_CONTEXT_READY:
        self->state_ = State::Refilling;
        self->listener_.serverReady(c);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED: {
        const bool hadAnswered = self->state_ == State::Refilling || self->state_ == State::Online;
        self->lastErrno_ = pa_context_errno(c);
        self->dead_ = std::move(self->context_);   // let go at the next attempt, not inside its callback
        if (hadAnswered) {
            self->backoff_ = 0;
            self->listener_.serverLost();
        }
        self->retryLater();
        break;
    }
    default:
        break;
    }
}

TimeEvent PulseConnection::timer(double seconds, pa_time_event_cb_t callback, void* user)
{
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_.get());
    timeval when{};
    pa_gettimeofday(&when);
    pa_timeval_add(&when, static_cast<pa_usec_t>(seconds * 1e6));
    return TimeEvent(api, api->time_new(api, &when, callback, user));
}

PulseConnection::Deadline::Deadline(PulseConnection& c) : c_(c)
{
    event_ = c.timer(c.answerSeconds_, &Deadline::ring, this);
    if (!event_)
        throw EngineError(QStringLiteral("The sound server's main loop cannot keep time"));
}

void PulseConnection::Deadline::ring(pa_mainloop_api*, pa_time_event*, const timeval*, void* user)
{
    auto* self = static_cast<Deadline*>(user);
    self->rang_ = true;
    self->c_.signal();
}

} // namespace tavrin::pulse
