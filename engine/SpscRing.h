#pragma once
// A lock-free single-producer/single-consumer ring of trivially copyable items, used to move
// audio between a device thread and the engine's service side without locks or allocation.
//
// One thread writes (write/push), one thread reads (read/pop); the two may run at the same
// time. reset() allocates and is only called while neither side runs. Several writers (or
// readers) may share one side if they serialise among themselves (e.g. under a mutex).
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <type_traits>

template <typename T>
class SpscRing {
    static_assert(std::is_trivially_copyable_v<T>, "SpscRing holds trivially copyable items");

public:
    SpscRing() = default;
    explicit SpscRing(std::size_t capacity) { reset(capacity); }
    SpscRing(const SpscRing&) = delete;
    SpscRing& operator=(const SpscRing&) = delete;

    // Room for at least `capacity` items (rounded up to a power of two); empties the ring.
    void reset(std::size_t capacity)
    {
        std::size_t size = 1;
        while (size < capacity)
            size <<= 1;
        if (size != size_ || !buffer_) {
            buffer_ = std::make_unique<T[]>(size);
            size_ = size;
        }
        head_.store(0, std::memory_order_relaxed);
        tail_.store(0, std::memory_order_relaxed);
    }
    // Empties the ring; only while neither side runs.
    void clear()
    {
        head_.store(0, std::memory_order_relaxed);
        tail_.store(0, std::memory_order_relaxed);
    }

    std::size_t capacity() const noexcept { return buffer_ ? size_ : 0; }

    // Producer side.
    std::size_t writeAvailable() const noexcept
    {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        return capacity() - (head - tail);
    }
    // Writes up to n items; returns how many were written.
    std::size_t write(const T* items, std::size_t n) noexcept
    {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        const std::size_t tail = tail_.load(std::memory_order_acquire);
        const std::size_t room = capacity() - (head - tail);
        n = std::min(n, room);
        if (n == 0)
            return 0;
        const std::size_t mask = size_ - 1;
        const std::size_t start = head & mask;
        const std::size_t first = std::min(n, size_ - start);
        std::memcpy(buffer_.get() + start, items, first * sizeof(T));
        if (n > first)
            std::memcpy(buffer_.get(), items + first, (n - first) * sizeof(T));
        head_.store(head + n, std::memory_order_release);
        return n;
    }
    bool push(const T& item) noexcept { return write(&item, 1) == 1; }

    // Consumer side.
    std::size_t readAvailable() const noexcept
    {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t head = head_.load(std::memory_order_acquire);
        return head - tail;
    }
    // Reads up to n items; returns how many were read.
    std::size_t read(T* items, std::size_t n) noexcept
    {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        const std::size_t head = head_.load(std::memory_order_acquire);
        n = std::min(n, head - tail);
        if (n == 0)
            return 0;
        const std::size_t mask = size_ - 1;
        const std::size_t start = tail & mask;
        const std::size_t first = std::min(n, size_ - start);
        std::memcpy(items, buffer_.get() + start, first * sizeof(T));
        if (n > first)
            std::memcpy(items + first, buffer_.get(), (n - first) * sizeof(T));
        tail_.store(tail + n, std::memory_order_release);
        return n;
    }
    bool pop(T& item) noexcept { return read(&item, 1) == 1; }

private:
    std::unique_ptr<T[]> buffer_;
    std::size_t size_ = 0;
    alignas(64) std::atomic<std::size_t> head_{0};  // next index to write (producer)
    alignas(64) std::atomic<std::size_t> tail_{0};  // next index to read (consumer)
};
