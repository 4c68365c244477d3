// The three ICSP wires between the adapters and the module: MCLR/VPP, PGC
// and PGD. Each adapter reports what its outputs do; the bus combines them
// with what the chip (programming mode) or the module's firmware (boot
// loader) drives and tells the target about every change.
//
// Electrical model:
//  - MCLR/VPP: the programming voltage is on when any adapter applies it.
//  - PGC: driven by an adapter whose outputs are active; when two adapters
//    drive it the one holding it low wins (push-pull outputs, the low side
//    sinks harder). Undriven, the module's pull-down keeps it low.
//  - PGD: open-collector pull-down in each adapter, pull-up in the adapters;
//    the line is low when an adapter pulls it, the chip drives it low, or
//    the boot loader pulls it low; otherwise high.
#pragma once

#include <array>
#include <cstdint>

namespace korv::sim {

class Clock;
class Pic18;
class BootLoaderModel;
class VcdTrace;

struct AdapterDrive {
    bool active = false;       // outputs enabled (adapter attached, pins configured)
    bool vpp = false;          // programming voltage applied to MCLR
    bool pgc = false;          // PGC level driven
    bool pgcDriven = true;     // PGC pin is an output
    bool pgdPullLow = false;   // PGD pulled low
    bool preVpp = false;       // Kerdis pre-VPP line (recorded only)
    bool supply5V = false;     // Vantrel supply select (recorded only)
    bool marker = false;       // Vantrel read-marker pin (recorded only)
};

class TargetBus {
public:
    enum Slot : unsigned { KerdisSlot = 0, VantrelSlot = 1 };

    explicit TargetBus(Clock& clock) : clock_(clock) {}

    void attach(Pic18* chip, BootLoaderModel* loader)
    {
        chip_ = chip;
        loader_ = loader;
    }
    void setTrace(VcdTrace* trace) { trace_ = trace; }

    // An adapter's outputs changed at virtual time t.
    void setDrive(Slot slot, const AdapterDrive& drive, uint64_t t);
    const AdapterDrive& drive(Slot slot) const { return drives_[slot]; }

    bool vpp() const { return vpp_; }
    bool pgc() const { return pgc_; }
    bool hostPullsPgdLow() const { return hostLow_; }
    // Level of PGD at time t (t not before the last change of the bus).
    bool pgdLevel(uint64_t t) const;

    // Re-evaluate after the chip or loader changed its own drive outside an
    // adapter event (the trace records the new state).
    void targetChanged(uint64_t t);

    Clock& clock() { return clock_; }

private:
    void recompute(uint64_t t);

    Clock& clock_;
    Pic18* chip_ = nullptr;
    BootLoaderModel* loader_ = nullptr;
    VcdTrace* trace_ = nullptr;
    std::array<AdapterDrive, 2> drives_{};
    bool vpp_ = false;
    bool pgc_ = false;
    bool hostLow_ = false;
    uint64_t traceMark_ = 0;
};

} // namespace korv::sim
