// Counts heap allocations made while an instance is alive, in this executable and in the plug-in
// libraries it loads (they resolve operator new to this executable's replacement). An executable
// that uses it compiles tests/host/CountedAllocations.cpp, which replaces the global operator new
// and delete, into itself.
#pragma once

namespace kestrune::testhost {

class CountedAllocations {
public:
    CountedAllocations();
    ~CountedAllocations();
    CountedAllocations(const CountedAllocations&) = delete;
    CountedAllocations& operator=(const CountedAllocations&) = delete;

    long count() const;
};

} // namespace kestrune::testhost
