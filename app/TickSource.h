// Millisecond tick count since boot (32-bit, wrapping), the time base of the
// USB engine's calibration and time-outs.
#pragma once

#include <cstdint>

namespace korv {

class TickSource {
public:
    virtual ~TickSource() = default;
    virtual uint32_t TickCount() = 0;
};

// The system's tick: a steady clock.
class SteadyTickSource final : public TickSource {
public:
    uint32_t TickCount() override;
};

} // namespace korv
