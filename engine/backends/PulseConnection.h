#pragma once
// The connection to the sound server: a threaded main loop and the context on it, kept up for
// the life of the backend.
//
// Every callback of the client library runs on the loop's thread with the loop locked; other
// threads lock it (Lock) before they touch the context or anything the callbacks change, and
// wait for the server only inside waitUntil / finish, never longer than answerSeconds.
//
// When the server goes away (restarted, crashed, stopped), the listener hears serverLost() and
// the connection tries again on its own: after 0.25 s, then doubling up to 5 s between tries,
// until a server answers. Each time a server answers, the listener hears serverReady() and
// calls online() once it knows what it needs; only then does the connection count as online.
// Whoever needs the server while it is away (opening a stream) calls requireOnline(), which
// tries at once instead of waiting for the next turn and fails promptly when nothing answers.
#include "engine/backends/PulseHandles.h"

#include <QString>

namespace tavrin::pulse {

// The properties the program's context and streams carry (the media role for a stream);
// null when they cannot be made.
Proplist programProperties(const char* mediaRole = nullptr);

class PulseConnection {
public:
    class Listener {
    public:
        virtual ~Listener() = default;
        // Lock held: a server answered on context `c`. Sends what must be known before the
        // connection counts as online, and calls online() when it is known.
        virtual void serverReady(pa_context* c) = 0;
        // Lock held: the server that had answered went away; a new one is looked for.
        virtual void serverLost() = 0;
    };

    PulseConnection(double answerSeconds, Listener& listener);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // Starts the loop and connects; returns once online. Throws EngineError when no server
    // answers in time (nothing is left running then).
    void open();
    // Disconnects and stops the loop's thread: no callback runs once this returns.
    void close() noexcept;

    class Lock {
    public:
        explicit Lock(PulseConnection& c) : loop_(c.loop_.get()) { pa_threaded_mainloop_lock(loop_); }
        ~Lock() { pa_threaded_mainloop_unlock(loop_); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* loop_;
    };

    // --- lock held ---------------------------------------------------------------------------
    pa_context* context() const { return context_.get(); }   // nullptr while there is none
    bool isOnline() const { return state_ == State::Online; }
    void online();                       // the listener knows what it needed
    void signal() { pa_threaded_mainloop_signal(loop_.get(), 0); }
    QString lastError() const;
    // The server's name and version, as last told ("pulseaudio 16.1").
    void setServerName(const QString& name) { serverName_ = name; }
    QString serverName() const { return serverName_; }
    // "The sound server (…) is not answering" and what the library last said.
    QString notAnswering() const;

    // Lets the loop run until done() or the deadline; returns done(). Not on the loop thread.
    template <class Done>
    bool waitUntil(Done done)
    {
        Deadline deadline(*this);
        while (!done() && !deadline.passed())
            pa_threaded_mainloop_wait(loop_.get());
        return done();
    }

    // Waits for a request whose callback signals the loop. False when it did not finish in
    // time (it is cancelled then) or could not be sent.
    bool finish(Operation op);
    // Sends a request whose answer nobody waits for; throws when it cannot be sent.
    void send(Operation op, const QString& what);
    // Returns when online; otherwise tries to connect at once and waits for the answer (at
    // most answerSeconds), and throws EngineError(notAnswering()) when none comes.
    void requireOnline();

private:
    enum class State { Closed, Connecting, Refilling, Online, Waiting };

    // Rings (signals the loop) once answerSeconds have passed.
    class Deadline {
    public:
        explicit Deadline(PulseConnection& c);
        bool passed() const { return rang_; }

    private:
        static void ring(pa_mainloop_api*, pa_time_event*, const timeval*, void* user);
        PulseConnection& c_;
        bool rang_ = false;
        TimeEvent event_;
    };

    void attempt();                      // a new context, connecting
    void retryLater();                   // the next attempt after the back-off
    static void onState(pa_context* c, void* user);
    static void onRetry(pa_mainloop_api*, pa_time_event*, const timeval*, void* user);
    TimeEvent timer(double seconds, pa_time_event_cb_t callback, void* user);

    const double answerSeconds_;
    Listener& listener_;
    Loop loop_;
    Context context_;
    Context dead_;                       // the context that failed, let go at the next attempt
    bool started_ = false;
    int lastErrno_ = PA_OK;            // of the last context that failed
    State state_ = State::Closed;
    double backoff_ = 0;                 // seconds until the next attempt
    TimeEvent retry_;
    QString serverName_;
};

} // namespace tavrin::pulse
