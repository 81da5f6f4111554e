// The replacements of the heap and lock calls behind DeviceThreadWatch.h. Each forwards to the C
// library (the heap through glibc's __libc_* entry points, the rest through the next definition
// of the symbol) and, inside a DeviceCallbackScope, counts first.
#include "DeviceThreadWatch.h"

#include "engine/DeviceCallback.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <pthread.h>
#include <semaphore.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* p, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* p);
}

namespace {

std::atomic<long> g_heap{0};
std::atomic<long> g_locks{0};
std::atomic<bool> g_haveFirst{false};
const char* g_firstName = nullptr;
void* g_firstStack[32];
int g_firstDepth = 0;

__attribute__((tls_model("initial-exec"))) thread_local bool t_inWatch = false;

void note(bool heap, const char* name) noexcept
{
    if (!DeviceCallbackScope::inside() || t_inWatch)
        return;
    t_inWatch = true;
    (heap ? g_heap : g_locks).fetch_add(1);
    if (!g_haveFirst.exchange(true)) {
        g_firstName = name;
        g_firstDepth = backtrace(g_firstStack, 32);
    }
    t_inWatch = false;
}

// The next definition of a C library function (the one this program's replaces).
template <class Fn>
Fn next(std::atomic<void*>& slot, const char* name) noexcept
{
    void* f = slot.load(std::memory_order_acquire);
    if (!f) {
        f = dlsym(RTLD_NEXT, name);
        if (!f)
            std::abort();
        slot.store(f, std::memory_order_release);
    }
    return reinterpret_cast<Fn>(f);
}

std::string demangled(const char* line)
{
    std::string text = line;
    const auto open = text.find('(');
    const auto plus = text.find('+', open);
    if (open == std::string::npos || plus == std::string::npos || plus == open + 1)
        return text;
    int status = 0;
    char* name = abi::__cxa_demangle(text.substr(open + 1, plus - open - 1).c_str(), nullptr, nullptr, &status);
    if (status == 0 && name)
        text = text.substr(0, open + 1) + name + text.substr(plus);
    std::free(name);
    return text;
}

} // namespace

namespace devtest {

void resetDeviceThreadWatch()
{
    void* warm[4];
    (void)backtrace(warm, 4);   // loads the unwinder now rather than on a device thread
    g_heap = 0;
    g_locks = 0;
    g_firstName = nullptr;
    g_firstDepth = 0;
    g_haveFirst = false;
}

DeviceThreadCalls deviceThreadCalls()
{
    DeviceThreadCalls calls;
    calls.heap = g_heap.load();
    calls.locks = g_locks.load();
    if (g_firstName) {
        calls.first = g_firstName;
        if (char** lines = backtrace_symbols(g_firstStack, g_firstDepth)) {
            for (int i = 1; i < g_firstDepth; ++i)
                calls.first += "\n    " + demangled(lines[i]);
            std::free(lines);
        }
    }
    return calls;
}

} // namespace devtest

// ---- the heap ----------------------------------------------------------------------------
#if !defined(__SANITIZE_ADDRESS__)
extern "C" {

void* malloc(size_t size) noexcept
{
    note(true, "malloc");
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) noexcept
{
    note(true, "calloc");
    return __libc_calloc(count, size);
}

void* realloc(void* p, size_t size) noexcept
{
    note(true, "realloc");
    return __libc_realloc(p, size);
}

void free(void* p) noexcept
{
    if (p)
        note(true, "free");
    __libc_free(p);
}

void* memalign(size_t alignment, size_t size) noexcept
{
    note(true, "memalign");
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) noexcept
{
    note(true, "aligned_alloc");
    return __libc_memalign(alignment, size);
}

void* valloc(size_t size) noexcept
{
    note(true, "valloc");
    return __libc_memalign(static_cast<size_t>(sysconf(_SC_PAGESIZE)), size);
}

int posix_memalign(void** out, size_t alignment, size_t size) noexcept
{
    note(true, "posix_memalign");
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0)
        return EINVAL;
    void* p = __libc_memalign(alignment, size);
    if (!p)
        return ENOMEM;
    *out = p;
    return 0;
}

} // extern "C"

namespace {

void* allocate(const char* name, std::size_t size, std::size_t alignment = 0)
{
    note(true, name);
    void* p = alignment ? __libc_memalign(alignment, size ? size : 1) : __libc_malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

void* allocateNoThrow(const char* name, std::size_t size, std::size_t alignment = 0) noexcept
{
    note(true, name);
    return alignment ? __libc_memalign(alignment, size ? size : 1) : __libc_malloc(size ? size : 1);
}

void release(void* p) noexcept
{
    if (p)
        note(true, "operator delete");
    __libc_free(p);
}

} // namespace

void* operator new(std::size_t n) { return allocate("operator new", n); }
void* operator new[](std::size_t n) { return allocate("operator new[]", n); }
void* operator new(std::size_t n, std::align_val_t a) { return allocate("operator new", n, std::size_t(a)); }
void* operator new[](std::size_t n, std::align_val_t a) { return allocate("operator new[]", n, std::size_t(a)); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return allocateNoThrow("operator new", n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return allocateNoThrow("operator new[]", n); }
void* operator new(std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return allocateNoThrow("operator new", n, std::size_t(a));
}
void* operator new[](std::size_t n, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return allocateNoThrow("operator new[]", n, std::size_t(a));
}
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { release(p); }
#endif

// ---- locks, waits and sleeps -------------------------------------------------------------
#define TAVRIN_WATCHED(ret, name, params, args, ...)                                  \
    extern "C" ret name params __VA_ARGS__                                              \
    {                                                                                   \
        note(false, #name);                                                             \
        static std::atomic<void*> slot{nullptr};                                        \
        return next<ret(*) params>(slot, #name) args;                                   \
    }

TAVRIN_WATCHED(int, pthread_mutex_lock, (pthread_mutex_t* m), (m), noexcept)
TAVRIN_WATCHED(int, pthread_mutex_trylock, (pthread_mutex_t* m), (m), noexcept)
TAVRIN_WATCHED(int, pthread_mutex_timedlock, (pthread_mutex_t* m, const struct timespec* t), (m, t), noexcept)
TAVRIN_WATCHED(int, pthread_rwlock_rdlock, (pthread_rwlock_t* l), (l), noexcept)
TAVRIN_WATCHED(int, pthread_rwlock_wrlock, (pthread_rwlock_t* l), (l), noexcept)
TAVRIN_WATCHED(int, pthread_rwlock_tryrdlock, (pthread_rwlock_t* l), (l), noexcept)
TAVRIN_WATCHED(int, pthread_rwlock_trywrlock, (pthread_rwlock_t* l), (l), noexcept)
TAVRIN_WATCHED(int, pthread_spin_lock, (pthread_spinlock_t* l), (l), noexcept)
TAVRIN_WATCHED(int, pthread_cond_wait, (pthread_cond_t* c, pthread_mutex_t* m), (c, m))
TAVRIN_WATCHED(int, pthread_cond_timedwait, (pthread_cond_t* c, pthread_mutex_t* m, const struct timespec* t),
               (c, m, t))
TAVRIN_WATCHED(int, sem_wait, (sem_t* s), (s))
TAVRIN_WATCHED(int, sem_timedwait, (sem_t* s, const struct timespec* t), (s, t))
TAVRIN_WATCHED(int, nanosleep, (const struct timespec* t, struct timespec* rest), (t, rest))
TAVRIN_WATCHED(int, clock_nanosleep, (clockid_t c, int flags, const struct timespec* t, struct timespec* rest),
               (c, flags, t, rest))
TAVRIN_WATCHED(int, usleep, (useconds_t us), (us))
