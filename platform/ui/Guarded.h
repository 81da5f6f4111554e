#pragma once
// Exception guard for handlers connected to signals.
//
// Every handler of a form that runs from a signal (menu action, button click, timer, engine
// event) goes through guarded(), so that an exception leaving it reaches the general error
// report (a box titled "Tavrin" with the error's text) instead of unwinding through Qt:
//
//     connect(Record1, &QAction::triggered, this, guarded([this] { Record1Click(); }));
//     connect(AudioRecord1, &TAudioRecord2::OnTimer, this,
//             guarded([this](int s, int l, int r) { AudioRecord1Timer(s, l, r); }));
//
// The wrapped callable may take fewer arguments than the signal carries; the extra ones are
// dropped as with any functor connection. runGuarded(f) runs f at once under the same guard
// (for event filters, overridden event handlers and the like).
#include <concepts>
#include <functional>
#include <utility>

// Shows the exception being handled (call only inside a catch block) through the error
// report. Never throws.
void ReportCurrentException() noexcept;

template <class F>
class GuardedCall {
public:
    explicit GuardedCall(F f) : f_(std::move(f)) {}
    template <class... Args>
        requires std::invocable<F&, Args...>
    void operator()(Args&&... args) const
    {
        try {
            std::invoke(f_, std::forward<Args>(args)...);
        } catch (...) {
            ReportCurrentException();
        }
    }

private:
    mutable F f_;
};

template <class F>
GuardedCall<std::decay_t<F>> guarded(F&& f)
{
    return GuardedCall<std::decay_t<F>>(std::forward<F>(f));
}

// Runs f() now; an exception it throws is shown by the error report. True when f returned
// normally.
template <class F>
bool runGuarded(F&& f)
{
    try {
        std::forward<F>(f)();
        return true;
    } catch (...) {
        ReportCurrentException();
        return false;
    }
}
