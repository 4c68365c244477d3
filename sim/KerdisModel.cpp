#include "sim/KerdisModel.h"

#include "sim/Clock.h"

namespace korv::sim {

namespace {
constexpr uint8_t kDataPgdLow = 0x01, kDataSync = 0x02, kDataPreVpp = 0x04, kDataFixed = 0x08, kDataVpp = 0x10;
// Status inputs with nothing attached: floating lines read 1, BUSY (bit 7)
// is inverted by the port hardware and reads 0.
constexpr uint8_t kBareStatus = 0x7F;
// Status bits the adapter leaves unconnected (bits 0-3 and 5 float high).
constexpr uint8_t kAdapterStatusBase = 0x2F;
} // namespace

KerdisModel::KerdisModel(Clock& clock, TargetBus& bus, uint16_t base, bool attached)
    : clock_(clock), bus_(bus), base_(base), attached_(attached)
{
}

void KerdisModel::setAttached(bool attached)
{
    attached_ = attached;
    updateDrive(clock_.now());
}

bool KerdisModel::echoLevel(uint64_t t) const { return t >= echoAt_ ? echoNext_ : echoNow_; }

void KerdisModel::updateDrive(uint64_t t)
{
    AdapterDrive d;
    d.active = attached_ && (dataWritten_ || controlWritten_);
    d.vpp = (data_ & kDataVpp) != 0;
    d.preVpp = (data_ & kDataPreVpp) != 0;
    d.pgdPullLow = (data_ & kDataPgdLow) != 0;
    // PGC is the port's control line: until the control register has been
    // written the adapter's PGC buffer is taken to be off the line.
    d.pgc = (control_ & 0x01) != 0;
    d.pgcDriven = controlWritten_;
    const AdapterDrive& old = bus_.drive(TargetBus::KerdisSlot);
    if (old.active != d.active || old.vpp != d.vpp || old.preVpp != d.preVpp || old.pgdPullLow != d.pgdPullLow ||
        old.pgc != d.pgc || old.pgcDriven != d.pgcDriven)
        bus_.setDrive(TargetBus::KerdisSlot, d, t);
}

void KerdisModel::PortWrite(uint16_t port, uint8_t value)
{
    const uint64_t t = clock_.now();
    ++writes_;
    if (attached_ && port == base_) {
        const uint8_t old = data_;
        data_ = value;
        dataWritten_ = true;
        if ((value & kDataFixed) == 0 || (value & 0xE0) != 0)
            ++fixedBitWrites_;
        if ((old ^ value) & kDataPreVpp) {
            if (value & kDataPreVpp) {
                ++preVppPulses_;
                preVppSince_ = t;
            } else {
                preVppTotalNs_ += t - preVppSince_;
            }
        }
        if ((old ^ value) & kDataSync) {
            // The adapter copies data bit 1 to status bit 6 after its fixed
            // delay; a faulty unit skips some edges of the four-edge cycle.
            const unsigned phase = static_cast<unsigned>(edgeCount_ % 4);
            ++edgeCount_;
            if (!faults_.noEcho && (faults_.phaseMask & (1u << phase))) {
                echoNow_ = echoLevel(t);
                echoNext_ = (value & kDataSync) != 0;
                echoAt_ = t + timing_.echoDelayNs;
            }
        }
        updateDrive(t);
    } else if (attached_ && port == base_ + 2) {
        control_ = value;
        controlWritten_ = true;
        updateDrive(t);
    }
    clock_.advance(timing_.accessNs);
}

uint8_t KerdisModel::PortRead(uint16_t port)
{
    const uint64_t t = clock_.now();
    ++reads_;
    uint8_t v = 0xFF;
    if (port == base_ + 1) {
        ++statusReads_;
        if (attached_) {
            v = kAdapterStatusBase;
            if (!bus_.pgdLevel(t))
                v |= 0x10;  // the adapter inverts PGD
            if (echoLevel(t))
                v |= 0x40;
        } else {
            v = kBareStatus;
        }
    } else if (port == base_) {
        v = data_;  // an SPP data register reads back what was written
    } else if (port == base_ + 2) {
        v = static_cast<uint8_t>((control_ & 0x1F) | 0xE0);
    }
    clock_.advance(timing_.accessNs);
    return v;
}

} // namespace korv::sim
