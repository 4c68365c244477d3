#include "sim/TargetBus.h"

#include "sim/BootLoaderModel.h"
#include "sim/Pic18.h"
#include "sim/VcdTrace.h"

namespace korv::sim {

void TargetBus::setDrive(Slot slot, const AdapterDrive& drive, uint64_t t)
{
    drives_[slot] = drive;
    recompute(t);
}

void TargetBus::recompute(uint64_t t)
{
    // A ready signal the loader raised on its own time since the last change
    // shows in the trace at that time, with the lines as they were then.
    if (trace_ && trace_->isOpen() && loader_) {
        uint64_t at = loader_->readyAt();
        if (at != UINT64_MAX && at < t && at > traceMark_)
            targetChanged(at);
    }
    bool vpp = false, hostLow = false, anyPgc = false, pgc = true;
    for (const AdapterDrive& d : drives_) {
        if (!d.active)
            continue;
        vpp = vpp || d.vpp;
        hostLow = hostLow || d.pgdPullLow;
        if (d.pgcDriven) {
            anyPgc = true;
            pgc = pgc && d.pgc;
        }
    }
    if (!anyPgc)
        pgc = false;
    vpp_ = vpp;
    pgc_ = pgc;
    hostLow_ = hostLow;
    // The chip and the loader see the line as it is before their own answer
    // to this change; the chip's new drive takes effect from this instant.
    const bool line = pgdLevel(t);
    if (chip_)
        chip_->onPins(t, vpp_, pgc_, line, hostLow_);
    if (loader_)
        loader_->onPins(t, vpp_, pgc_, line);
    if (trace_)
        targetChanged(t);
}

bool TargetBus::pgdLevel(uint64_t t) const
{
    if (hostLow_)
        return false;
    bool level = true;
    if (chip_ && chip_->drivesPgd(&level) && !level)
        return false;
    if (loader_ && loader_->pullsPgdLow(t))
        return false;
    return true;
}

void TargetBus::targetChanged(uint64_t t)
{
    if (!trace_ || !trace_->isOpen())
        return;
    auto sampleAt = [this](uint64_t when) {
        LineSample s{};
        s.vpp = vpp_;
        s.pgc = pgc_;
        s.pgdHostLow = hostLow_;
        for (const AdapterDrive& d : drives_) {
            if (!d.active)
                continue;
            s.preVpp = s.preVpp || d.preVpp;
            s.marker = s.marker || d.marker;
            s.supply5V = s.supply5V || d.supply5V;
        }
        bool level = false;
        s.pgdChipDrive = chip_ && chip_->drivesPgd(&level);
        s.pgdChipLevel = s.pgdChipDrive && level;
        s.pgdLoaderLow = loader_ && loader_->pullsPgdLow(when);
        s.pgd = pgdLevel(when);
        return s;
    };
    trace_->sample(t, sampleAt(t));
    traceMark_ = t;
}

} // namespace korv::sim
