// Virtual time of the simulated bench: one nanosecond counter that every
// model advances. Nothing on the bench sleeps; a port access, a USB call or
// a wait for a time-out moves this clock forward instead.
#pragma once

#include <cstdint>

#include "app/TickSource.h"

namespace korv::sim {

class Clock {
public:
    uint64_t now() const { return now_; }
    void advance(uint64_t ns) { now_ += ns; }
    // Moves forward to t; a time in the past leaves the clock where it is.
    void advanceTo(uint64_t t)
    {
        if (t > now_)
            now_ = t;
    }

private:
    uint64_t now_ = 0;
};

constexpr uint64_t kNsPerUs = 1000;
constexpr uint64_t kNsPerMs = 1000 * 1000;

// The program's millisecond tick driven by the virtual clock. The start
// offset lets tests place the 32-bit wrap of the tick where they want it.
class VirtualTicks final : public korv::TickSource {
public:
    explicit VirtualTicks(const Clock& clock, uint32_t startMs = 1000) : clock_(clock), startMs_(startMs) {}
    uint32_t TickCount() override
    {
        return static_cast<uint32_t>(startMs_ + clock_.now() / kNsPerMs);
    }

private:
    const Clock& clock_;
    uint32_t startMs_;
};

} // namespace korv::sim
