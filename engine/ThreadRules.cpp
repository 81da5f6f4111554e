#include "engine/ThreadRules.h"

#include <QObject>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <pthread.h>

namespace engine {

void nameThisThread(const char* name) noexcept
{
    pthread_setname_np(pthread_self(), name);
}

void threadRuleBroken(const char* where, const char* rule) noexcept
{
    // No heap and no lock: this may run on a device thread.
    std::fputs("Tavrin: thread rule broken: ", stderr);
    std::fputs(where, stderr);
    std::fputs(" ", stderr);
    std::fputs(rule, stderr);
    std::fputs("\n", stderr);
    std::abort();
}

void expectOwnerThread(const QObject* owner, const char* where) noexcept
{
    if (owner && owner->thread() != QThread::currentThread())
        threadRuleBroken(where, "runs only on the thread that owns the component (the UI thread)");
}

} // namespace engine
