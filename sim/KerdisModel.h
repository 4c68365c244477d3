// The Kerdis adapter on the PC parallel port, seen through the port's three
// registers. Data register (base): bit 0 pulls PGD low, bit 1 is the
// handshake output, bit 2 the pre-VPP line, bit 4 the programming voltage.
// Status register (base+1): bit 4 = NOT PGD (the adapter inverts it), bit 6
// echoes data bit 1 after the adapter's built-in delay. Control register
// (base+2): bit 0 = PGC level (the port inverts pin 1, the adapter inverts it
// back). Every register access costs about an ISA-bus cycle of virtual time.
#pragma once

#include <array>
#include <cstdint>

#include "hw/PortIo.h"
#include "sim/TargetBus.h"

namespace korv::sim {

class Clock;

struct KerdisFaults {
    bool noEcho = false;        // status bit 6 never follows data bit 1
    // Which edges of each four-edge handshake cycle the adapter echoes
    // (bit n = n-th edge of data bit 1 counted from reset, modulo 4; the
    // first edge is the rise from the idle 0). Unechoed edges leave status
    // bit 6 where it was. 0x3 answers the first two edges and ignores the
    // last two; 0xD skips only the second edge, 0xB only the third (the
    // second and third edges are the answers a presence check counts).
    uint8_t phaseMask = 0x0F;
};

struct KerdisTiming {
    uint64_t accessNs = 1000;     // one port read or write
    uint64_t echoDelayNs = 1500;  // data bit 1 to status bit 6
};

// With the adapter unplugged the same object is a bare port: inputs float
// high, BUSY (status bit 7) reads inverted, status bit 6 never follows.
class KerdisModel final : public korv::PortIo {
public:
    KerdisModel(Clock& clock, TargetBus& bus, uint16_t base, bool attached);

    void PortWrite(uint16_t port, uint8_t value) override;
    uint8_t PortRead(uint16_t port) override;

    uint16_t base() const { return base_; }
    bool attached() const { return attached_; }
    // Plugging the adapter in or out (its outputs go inactive when out).
    void setAttached(bool attached);
    KerdisFaults& faults() { return faults_; }
    KerdisTiming& timing() { return timing_; }
    // Restart the handshake-edge count (phase 0 is the next edge).
    void resetPhase() { edgeCount_ = 0; }

    // Counters and observed lines.
    uint64_t writes() const { return writes_; }
    uint64_t reads() const { return reads_; }
    uint64_t statusReads() const { return statusReads_; }
    uint64_t syncEdges() const { return edgeCount_; }
    uint8_t dataRegister() const { return data_; }
    uint8_t controlRegister() const { return control_; }
    uint64_t preVppPulses() const { return preVppPulses_; }
    uint64_t preVppTotalNs() const { return preVppTotalNs_; }
    uint64_t writesChangingFixedBits() const { return fixedBitWrites_; }

private:
    bool echoLevel(uint64_t t) const;
    void updateDrive(uint64_t t);

    Clock& clock_;
    TargetBus& bus_;
    uint16_t base_;
    bool attached_;
    KerdisFaults faults_;
    KerdisTiming timing_;

    uint8_t data_ = 0;
    uint8_t control_ = 0;
    bool dataWritten_ = false;
    bool controlWritten_ = false;

    // echo: level shown on status bit 6 and the pending change
    bool echoNow_ = false;
    bool echoNext_ = false;
    uint64_t echoAt_ = 0;
    uint64_t edgeCount_ = 0;

    uint64_t writes_ = 0;
    uint64_t reads_ = 0;
    uint64_t statusReads_ = 0;
    uint64_t preVppPulses_ = 0;
    uint64_t preVppSince_ = 0;
    uint64_t preVppTotalNs_ = 0;
    uint64_t fixedBitWrites_ = 0;
};

} // namespace korv::sim
