#include "tests/host/CountedAllocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

// The replacements pair malloc with free on purpose.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

std::atomic<bool> countingAllocations{false};
std::atomic<long> allocationCount{0};

void* allocate(std::size_t size) {
    if (countingAllocations.load(std::memory_order_relaxed)) {
        allocationCount.fetch_add(1, std::memory_order_relaxed);
    }
    return std::malloc(size == 0 ? 1 : size);
}

} // namespace

void* operator new(std::size_t size) {
    if (void* p = allocate(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace kestrune::testhost {

CountedAllocations::CountedAllocations() {
    allocationCount = 0;
    countingAllocations = true;
}

CountedAllocations::~CountedAllocations() {
    countingAllocations = false;
}

long CountedAllocations::count() const {
    return allocationCount.load();
}

} // namespace kestrune::testhost
