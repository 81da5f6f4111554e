#pragma once
// Optional abilities of a backend or a capture sink, found with dynamic_cast. They let the
// virtual backend drive the engine components deterministically in tests.
#include <QtGlobal>
#include <limits>

// A backend whose time is advanced by hand. While a component has a stream open on such a
// backend it registers as a client: instead of a service thread and a Qt timer, the clock
// calls it after every step of virtual time, on the thread that advances the clock.
class ManualClock {
public:
    static constexpr qint64 Never = std::numeric_limits<qint64>::max();

    class Client {
    public:
        virtual ~Client() = default;
        // The streams have been served up to nowNs: move the audio on, post events, fire a
        // timer tick that is due.
        virtual void clockAdvanced(qint64 nowNs) = 0;
        // The next moment (virtual nanoseconds) the client must be called at, e.g. its next
        // timer tick; Never for none. The clock stops there so a tick sees exactly the audio
        // delivered before it.
        virtual qint64 nextDeadlineNs() const = 0;
    };

    virtual ~ManualClock() = default;
    virtual bool isManualClock() const = 0;
    virtual qint64 clockNowNs() const = 0;
    virtual void addClockClient(Client* client) = 0;
    virtual void removeClockClient(Client* client) = 0;
};

// A capture sink that can say how much it can take without losing anything. A free-running
// virtual device waits for room instead of overflowing it.
class CaptureFlowControl {
public:
    virtual ~CaptureFlowControl() = default;
    virtual int writableFrames() const noexcept = 0;
};
