#pragma once
// The stretch of a device thread in which the engine's real-time code runs: a backend holds a
// DeviceCallbackScope around each call into CaptureSink / PlaybackSource and around its own
// work in the device callback. Code inside must not allocate, lock or block; the tests watch
// the heap and the lock calls of threads inside a scope.

class DeviceCallbackScope {
public:
    DeviceCallbackScope() noexcept : outer_(inside_) { inside_ = true; }
    ~DeviceCallbackScope() { inside_ = outer_; }
    DeviceCallbackScope(const DeviceCallbackScope&) = delete;
    DeviceCallbackScope& operator=(const DeviceCallbackScope&) = delete;

    // True on a device thread while it runs the engine's real-time code.
    static bool inside() noexcept { return inside_; }

private:
    static inline thread_local constinit bool inside_ = false;
    bool outer_;
};
