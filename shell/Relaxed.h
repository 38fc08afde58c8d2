// A value that two threads share without a lock: the host's audio thread and its user-interface
// thread each read and write it whole. Loads and stores are relaxed atomic operations, which on
// the targets are the plain 32-bit moves a float or int field would get anyway; they only make
// the exchange well defined (and visible as such to the thread sanitizer). Nothing is ordered by
// them: each value stands on its own, as the design of the engine and the controls wants.
#pragma once

#include <atomic>

namespace kestrune {

template <typename T>
class Relaxed {
public:
    static_assert(std::atomic<T>::is_always_lock_free, "a shared value must be lock-free");

    constexpr Relaxed() noexcept : value_(T{}) {}
    constexpr Relaxed(T value) noexcept : value_(value) {} // NOLINT: converts like the plain type
    Relaxed(const Relaxed& other) noexcept : value_(other.load()) {}
    Relaxed& operator=(const Relaxed& other) noexcept {
        store(other.load());
        return *this;
    }
    Relaxed& operator=(T value) noexcept {
        store(value);
        return *this;
    }

    // Read, change, write: not one atomic step. Only the thread that owns the change (the editor
    // stepping a control, the audio thread its own state) uses these.
    Relaxed& operator+=(T change) noexcept {
        store(load() + change);
        return *this;
    }
    Relaxed& operator-=(T change) noexcept {
        store(load() - change);
        return *this;
    }
    Relaxed& operator*=(T factor) noexcept {
        store(load() * factor);
        return *this;
    }

    T load() const noexcept { return value_.load(std::memory_order_relaxed); }
    void store(T value) noexcept { value_.store(value, std::memory_order_relaxed); }
    operator T() const noexcept { return load(); } // NOLINT: reads like the plain type

private:
    std::atomic<T> value_;
};

} // namespace kestrune
