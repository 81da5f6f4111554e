#pragma once
// The engine's thread rules, checked where they enter, and the names of its threads.
//
// Two rules have entry points:
//  - device thread only: CaptureSink::captured / overflowed and PlaybackSource::render of the
//    components run inside a DeviceCallbackScope (engine/DeviceCallback.h), which every backend
//    holds around its calls into them; there they must not allocate, lock or block;
//  - owning thread only: the components' methods that start and stop streams, choose devices,
//    set formats and timers or reach the mixer run on the thread that owns the component (the
//    UI thread in the program), since that thread alone keeps their state.
// A breach stops the program at once with a message naming the entry point and the rule.
//
// The checks are compiled where NDEBUG is not defined (Debug builds) or TAVRIN_THREAD_CHECKS
// is (the test command's build, cmake -DTAVRIN_THREAD_CHECKS=ON). Everywhere else, the
// release builds included, the macros are empty: they cost nothing.
#include "engine/DeviceCallback.h"

class QObject;

namespace engine {

// Names the calling thread (at most 15 characters) for the system's thread lists.
void nameThisThread(const char* name) noexcept;

// Stops the program with a message: `where` broke `rule`.
[[noreturn]] void threadRuleBroken(const char* where, const char* rule) noexcept;
// Stops the program unless the calling thread owns `owner`.
void expectOwnerThread(const QObject* owner, const char* where) noexcept;

#if !defined(NDEBUG) || defined(TAVRIN_THREAD_CHECKS)
inline constexpr bool threadChecksCompiled = true;
#else
inline constexpr bool threadChecksCompiled = false;
#endif

} // namespace engine

#if !defined(NDEBUG) || defined(TAVRIN_THREAD_CHECKS)
#define TAVRIN_DEVICE_THREAD_ONLY()                                                              \
    do {                                                                                       \
        if (!DeviceCallbackScope::inside())                                                    \
            ::engine::threadRuleBroken(__PRETTY_FUNCTION__, "runs only on a device thread");  \
    } while (false)
#define TAVRIN_OWNER_THREAD_ONLY() ::engine::expectOwnerThread(this, __PRETTY_FUNCTION__)
#else
#define TAVRIN_DEVICE_THREAD_ONLY() ((void)0)
#define TAVRIN_OWNER_THREAD_ONLY() ((void)0)
#endif
