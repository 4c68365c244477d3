// Byte-wide access to the parallel port's registers: the only code that
// depends on how the operating system grants port access. The real backends
// (ppdev, ioperm) and the simulated Kerdis adapter implement it.
#pragma once

#include <cstdint>

namespace korv {

class PortIo {
public:
    virtual ~PortIo() = default;
    virtual void PortWrite(uint16_t port, uint8_t value) = 0;
    virtual uint8_t PortRead(uint16_t port) = 0;
};

} // namespace korv
