#pragma once
// Watches the engine's real-time code on the device threads. This test program replaces malloc
// and its family, operator new and delete, and the pthread lock, wait and sleep calls; each
// forwards to the C library and, on a thread inside a DeviceCallbackScope, counts the call and
// keeps the call stack of the first one.
#include <string>

namespace devtest {

struct DeviceThreadCalls {
    long heap = 0;        // allocations and releases
    long locks = 0;       // lock, wait and sleep calls
    std::string first;    // the first of them: its name and call stack
};

void resetDeviceThreadWatch();
DeviceThreadCalls deviceThreadCalls();

} // namespace devtest
