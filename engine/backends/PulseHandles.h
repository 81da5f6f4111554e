#pragma once
// Owning handles for the sound server client library's objects. Included only by the adapter
// sources of the sound-server backend.
#include <pulse/pulseaudio.h>

#include <memory>

namespace tavrin::pulse {

struct OperationUnref {
    void operator()(pa_operation* o) const noexcept { pa_operation_unref(o); }
};
// A request sent to the server; the handle lets go of it (the request itself goes on).
using Operation = std::unique_ptr<pa_operation, OperationUnref>;

struct ProplistFree {
    void operator()(pa_proplist* p) const noexcept { pa_proplist_free(p); }
};
using Proplist = std::unique_ptr<pa_proplist, ProplistFree>;

struct LoopFree {
    void operator()(pa_threaded_mainloop* l) const noexcept { pa_threaded_mainloop_free(l); }
};
using Loop = std::unique_ptr<pa_threaded_mainloop, LoopFree>;

// A context: its callbacks are cleared and it is disconnected before it is let go.
struct ContextRelease {
    void operator()(pa_context* c) const noexcept
    {
        pa_context_set_state_callback(c, nullptr, nullptr);
        pa_context_set_subscribe_callback(c, nullptr, nullptr);
        if (PA_CONTEXT_IS_GOOD(pa_context_get_state(c)))
            pa_context_disconnect(c);
        pa_context_unref(c);
    }
};
using Context = std::unique_ptr<pa_context, ContextRelease>;

// A stream: its callbacks are cleared and it is disconnected before it is let go.
struct StreamRelease {
    void operator()(pa_stream* s) const noexcept
    {
        pa_stream_set_state_callback(s, nullptr, nullptr);
        pa_stream_set_moved_callback(s, nullptr, nullptr);
        pa_stream_set_read_callback(s, nullptr, nullptr);
        pa_stream_set_write_callback(s, nullptr, nullptr);
        if (PA_STREAM_IS_GOOD(pa_stream_get_state(s)))
            pa_stream_disconnect(s);
        pa_stream_unref(s);
    }
};
using Stream = std::unique_ptr<pa_stream, StreamRelease>;

// A timer of the main loop; freed with the handle. Made and freed with the loop locked.
class TimeEvent {
public:
    TimeEvent() = default;
    TimeEvent(pa_mainloop_api* api, pa_time_event* event) noexcept : api_(api), event_(event) {}
    ~TimeEvent() { reset(); }
    TimeEvent(TimeEvent&& o) noexcept : api_(o.api_), event_(o.event_) { o.event_ = nullptr; }
    TimeEvent& operator=(TimeEvent&& o) noexcept
    {
        if (this != &o) {
            reset();
            api_ = o.api_;
            event_ = o.event_;
            o.event_ = nullptr;
        }
        return *this;
    }
    TimeEvent(const TimeEvent&) = delete;
    TimeEvent& operator=(const TimeEvent&) = delete;

    explicit operator bool() const noexcept { return event_ != nullptr; }
    void reset() noexcept
    {
        if (event_)
            api_->time_free(event_);
        event_ = nullptr;
    }

private:
    pa_mainloop_api* api_ = nullptr;
    pa_time_event* event_ = nullptr;
};

} // namespace tavrin::pulse
