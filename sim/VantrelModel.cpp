#include "sim/VantrelModel.h"

#include <algorithm>
#include <cstring>

#include "sim/Clock.h"

namespace korv::sim {

namespace {
constexpr uint8_t kPinPgcN = 0x04, kPinPgd = 0x08, kPinSupply = 0x10, kPinVpp = 0x20, kPinPgdLow = 0x40,
                  kPinMarker = 0x80;
constexpr uint32_t kMinBaud = 183, kMaxBaud = 3000000;
} // namespace

VantrelModel::VantrelModel(Clock& clock, TargetBus& bus, std::vector<UsbDevice> devices)
    : clock_(clock), bus_(bus), devices_(std::move(devices))
{
    handles_.reserve(64);  // handles are pointers into this vector
    rx_.reserve(size_t(1) << 17);
}

uint64_t VantrelModel::callCount(const std::string& call) const
{
    for (const auto& c : calls_)
        if (c.first == call)
            return c.second;
    return 0;
}

bool VantrelModel::adapterUnplugged() const { return forcedUnplug_ || clock_.now() >= faults_.unplugAtNs; }

bool VantrelModel::plugged() const { return !adapterUnplugged(); }

void VantrelModel::unplugNow()
{
    forcedUnplug_ = true;
    pushDrive(clock_.now());
}

bool VantrelModel::faultFor(const char* call, uint64_t number, FT_STATUS* status) const
{
    for (const auto& f : faults_.failingCalls) {
        if (f.call == call && (f.nth == 0 || f.nth == number)) {
            *status = f.status;
            return true;
        }
    }
    return false;
}

// Counts the call, charges its time and applies an injected failure.
FT_STATUS VantrelModel::begin(const char* call)
{
    clock_.advance(timing_.callNs);
    uint64_t number = 0;
    for (auto& c : calls_) {
        if (c.first == call) {
            number = ++c.second;
            break;
        }
    }
    if (number == 0) {
        calls_.emplace_back(call, 1);
        number = 1;
    }
    if (driveActive_ && adapterUnplugged())
        pushDrive(clock_.now());
    FT_STATUS st = FT_OK;
    if (faultFor(call, number, &st))
        return st;
    return FT_OK;
}

VantrelModel::Handle* VantrelModel::handleOf(FT_HANDLE h)
{
    for (auto& hd : handles_)
        if (static_cast<void*>(&hd) == h)
            return &hd;
    return nullptr;
}

FT_STATUS VantrelModel::checkHandle(FT_HANDLE h, Handle** out)
{
    Handle* hd = handleOf(h);
    if (!hd || !hd->open)
        return FT_INVALID_HANDLE;
    if (devices_[hd->device].isAdapter && adapterUnplugged())
        return FT_IO_ERROR;
    *out = hd;
    return FT_OK;
}

FT_STATUS VantrelModel::FT_ListDevices(void* arg1, void* arg2, uint32_t flags)
{
    if (FT_STATUS st = begin("FT_ListDevices"))
        return st;
    std::vector<size_t> present;
    for (size_t i = 0; i < devices_.size(); ++i)
        if (!(devices_[i].isAdapter && adapterUnplugged()))
            present.push_back(i);
    if (flags & FT_LIST_NUMBER_ONLY) {
        if (!arg1)
            return FT_INVALID_PARAMETER;
        *static_cast<uint32_t*>(arg1) = static_cast<uint32_t>(present.size());
        return FT_OK;
    }
    if (flags & FT_LIST_BY_INDEX) {
        const auto index = reinterpret_cast<uintptr_t>(arg1);
        if (!arg2)
            return FT_INVALID_PARAMETER;
        if (index >= present.size())
            return FT_DEVICE_NOT_FOUND;
        const UsbDevice& d = devices_[present[index]];
        const std::string& text = (flags & FT_OPEN_BY_SERIAL_NUMBER) ? d.serial : d.description;
        char* out = static_cast<char*>(arg2);
        const size_t n = std::min<size_t>(text.size(), 63);
        std::memcpy(out, text.data(), n);
        out[n] = '\0';
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

FT_STATUS VantrelModel::FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle)
{
    if (FT_STATUS st = begin("FT_OpenEx"))
        return st;
    if (!arg || !handle)
        return FT_INVALID_PARAMETER;
    if (flags != FT_OPEN_BY_DESCRIPTION && flags != FT_OPEN_BY_SERIAL_NUMBER)
        return FT_INVALID_PARAMETER;
    const char* want = static_cast<const char*>(arg);
    for (size_t i = 0; i < devices_.size(); ++i) {
        const UsbDevice& d = devices_[i];
        if (d.isAdapter && adapterUnplugged())
            continue;
        const std::string& name = flags == FT_OPEN_BY_DESCRIPTION ? d.description : d.serial;
        if (name != want)
            continue;
        for (const auto& hd : handles_)
            if (hd.open && hd.device == i)
                return FT_DEVICE_NOT_OPENED;  // already open in this process
        if (handles_.size() == handles_.capacity())
            return FT_INSUFFICIENT_RESOURCES;
        clock_.advance(timing_.openNs);
        handles_.push_back(Handle{i, true});
        *handle = &handles_.back();
        if (d.isAdapter)
            adapterOpen_ = true;
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS VantrelModel::FT_SetBitMode(FT_HANDLE handle, uint8_t mask, uint8_t mode)
{
    if (FT_STATUS st = begin("FT_SetBitMode"))
        return st;
    Handle* hd = nullptr;
    if (FT_STATUS st = checkHandle(handle, &hd))
        return st;
    if (!devices_[hd->device].isAdapter)
        return FT_OK;
    mask_ = mask;
    mode_ = mode;
    pushDrive(clock_.now());
    return FT_OK;
}

FT_STATUS VantrelModel::FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms)
{
    if (FT_STATUS st = begin("FT_SetLatencyTimer"))
        return st;
    Handle* hd = nullptr;
    if (FT_STATUS st = checkHandle(handle, &hd))
        return st;
    if (ms == 0)
        return FT_INVALID_PARAMETER;
    if (devices_[hd->device].isAdapter)
        latencyMs_ = ms;
    return FT_OK;
}

FT_STATUS VantrelModel::FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs)
{
    if (FT_STATUS st = begin("FT_SetTimeouts"))
        return st;
    Handle* hd = nullptr;
    if (FT_STATUS st = checkHandle(handle, &hd))
        return st;
    if (devices_[hd->device].isAdapter) {
        readTimeoutMs_ = readMs;
        writeTimeoutMs_ = writeMs;
    }
    return FT_OK;
}

FT_STATUS VantrelModel::FT_SetBaudRate(FT_HANDLE handle, uint32_t baud)
{
    if (FT_STATUS st = begin("FT_SetBaudRate"))
        return st;
    Handle* hd = nullptr;
    if (FT_STATUS st = checkHandle(handle, &hd))
        return st;
    if (baud < kMinBaud || baud > kMaxBaud)
        return FT_INVALID_BAUD_RATE;
    if (devices_[hd->device].isAdapter)
        baud_ = baud;
    return FT_OK;
}

uint64_t VantrelModel::byteClockNs() const
{
    const uint64_t rate = uint64_t(baud_) * timing_.bitbangFactor;
    return rate ? (1000000000ull + rate / 2) / rate : 0;
}

size_t VantrelModel::visibleEnd(uint64_t t) const
{
    size_t end = rxHead_;
    for (const RxChunk& c : chunks_) {
        if (c.visibleAt > t)
            break;
        end = c.end;
    }
    return std::max(end, rxHead_);
}

void VantrelModel::dropRx(size_t upTo)
{
    rxHead_ = upTo;
    while (!chunks_.empty() && chunks_.front().end <= rxHead_)
        chunks_.pop_front();
    if (rxHead_ == rx_.size()) {
        rx_.clear();
        rxHead_ = 0;
        chunks_.clear();
    } else if (rxHead_ > (size_t(1) << 16)) {
        // Keep the FIFO storage bounded when the host leaves bytes behind.
        rx_.erase(rx_.begin(), rx_.begin() + static_cast<std::ptrdiff_t>(rxHead_));
        for (RxChunk& c : chunks_)
            c.end -= rxHead_;
        rxHead_ = 0;
    }
}

FT_STATUS VantrelModel::FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rxBytes)
{
    if (FT_STATUS st = begin("FT_GetQueueStatus"))
        return st;
    Handle* hd = nullptr;
    if (FT_STATUS st = checkHandle(handle, &hd))
        return st;
    if (!rxBytes)
        return FT_INVALID_PARAMETER;
    clock_.advance(timing_.queueStatusNs);
    *rxBytes = devices_[hd->device].isAdapter ? static_cast<uint32_t>(visibleEnd(clock_.now()) - rxHead_) : 0;
    return FT_OK;
}

FT_STATUS VantrelModel::FT_Purge(FT_HANDLE handle, uint32_t mask)
{
    if (FT_STATUS st = begin("FT_Purge"))
        return st;
    Handle* hd = nullptr;
    if (FT_STATUS st = checkHandle(handle, &hd))
        return st;
    if (devices_[hd->device].isAdapter && (mask & FT_PURGE_RX)) {
        rx_.clear();
        rxHead_ = 0;
        chunks_.clear();
    }
    return FT_OK;
}

void VantrelModel::pushDrive(uint64_t t)
{
    AdapterDrive d;
    d.active = !adapterUnplugged() && mode_ != FT_BITMODE_RESET;
    if (d.active) {
        d.pgcDriven = (mask_ & kPinPgcN) != 0;
        d.pgc = d.pgcDriven && (pins_ & kPinPgcN) == 0;  // the adapter inverts PGC
        d.vpp = (mask_ & kPinVpp) && (pins_ & kPinVpp);
        d.pgdPullLow = (mask_ & kPinPgdLow) && (pins_ & kPinPgdLow);
        d.supply5V = (mask_ & kPinSupply) && (pins_ & kPinSupply);
        d.marker = (mask_ & kPinMarker) && (pins_ & kPinMarker);
    }
    driveActive_ = d.active;
    const AdapterDrive& o = bus_.drive(TargetBus::VantrelSlot);
    if (o.active != d.active || o.pgc != d.pgc || o.pgcDriven != d.pgcDriven || o.vpp != d.vpp ||
        o.pgdPullLow != d.pgdPullLow || o.supply5V != d.supply5V || o.marker != d.marker)
        bus_.setDrive(TargetBus::VantrelSlot, d, t);
}

uint8_t VantrelModel::capture(uint64_t t) const
{
    // Output pins read back their latch; input pins read the line. Pin 3
    // senses PGD; the other pins have nothing that pulls them low.
    uint8_t inputs = 0xFF;
    if (!bus_.pgdLevel(t))
        inputs &= static_cast<uint8_t>(~kPinPgd);
    return static_cast<uint8_t>((pins_ & mask_) | (inputs & ~mask_));
}

void VantrelModel::applyPins(uint8_t byte, uint64_t t)
{
    if ((byte ^ pins_) & kPinSupply)
        ++supplyChanges_;
    if (byte & kPinMarker)
        ++markedBytes_;
    pins_ = byte;
    pushDrive(t);
}

FT_STATUS VantrelModel::FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count, uint32_t* written)
{
    if (written)
        *written = 0;
    if (FT_STATUS st = begin("FT_Write"))
        return st;
    Handle* hd = nullptr;
    if (FT_STATUS st = checkHandle(handle, &hd))
        return st;
    if (!buffer || !written)
        return FT_INVALID_PARAMETER;
    const uint64_t number = callCount("FT_Write");
    uint32_t n = count;
    if (faults_.shortWriteCall != 0 && number == faults_.shortWriteCall)
        n = std::min(count, faults_.shortWriteBytes);
    if (!devices_[hd->device].isAdapter) {
        *written = n;
        return FT_OK;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(buffer);
    const uint64_t rate = uint64_t(baud_) * timing_.bitbangFactor;
    const uint64_t start = std::max(clock_.now() + timing_.writeLatencyNs, nextSlot_);
    const bool sync = mode_ == FT_BITMODE_SYNC_BITBANG;
    for (uint32_t i = 0; i < n; ++i) {
        const uint64_t ti = start + (uint64_t(i) * 1000000000ull) / rate;
        clock_.advanceTo(ti);
        // Synchronous bit-bang: the pins are sampled just before the byte
        // is applied, so each capture shows the previous byte's effect.
        if (sync)
            rx_.push_back(capture(ti));
        applyPins(bytes[i], ti);
    }
    const uint64_t end = start + (uint64_t(n) * 1000000000ull) / rate;
    clock_.advanceTo(end);
    nextSlot_ = end;
    bytesOut_ += n;
    if (sync && n)
        chunks_.push_back(RxChunk{rx_.size(), end + uint64_t(latencyMs_) * kNsPerMs});
    *written = n;
    return FT_OK;
}

FT_STATUS VantrelModel::FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read)
{
    if (read)
        *read = 0;
    if (FT_STATUS st = begin("FT_Read"))
        return st;
    Handle* hd = nullptr;
    if (FT_STATUS st = checkHandle(handle, &hd))
        return st;
    if (!buffer || !read)
        return FT_INVALID_PARAMETER;
    if (!devices_[hd->device].isAdapter) {
        clock_.advance(uint64_t(readTimeoutMs_) * kNsPerMs);
        return FT_OK;
    }
    const uint64_t number = callCount("FT_Read");
    clock_.advance(timing_.readLatencyNs);
    // A zero time-out is the library's default: wait without limit. Bytes
    // that will never come cannot be waited for in a model, so such a read
    // returns once everything captured has arrived.
    uint64_t deadline = clock_.now() + uint64_t(readTimeoutMs_) * kNsPerMs;
    if (readTimeoutMs_ == 0)
        deadline = chunks_.empty() ? clock_.now() : std::max(clock_.now(), chunks_.back().visibleAt);
    const bool lose = faults_.shortReadCall != 0 && number == faults_.shortReadCall;
    // Blocks until the count has arrived, or the time-out passes.
    size_t want = rxHead_ + count;
    size_t avail = visibleEnd(clock_.now());
    if (avail < want || lose) {
        uint64_t at = deadline;
        if (!lose) {
            for (const RxChunk& c : chunks_) {
                if (c.end >= want) {
                    at = std::min(deadline, c.visibleAt);
                    break;
                }
            }
        }
        clock_.advanceTo(at);
        avail = visibleEnd(clock_.now());
    }
    size_t take = std::min(want, avail) - rxHead_;
    if (lose) {
        const size_t missing = std::min<size_t>(faults_.shortReadMissing, take);
        take -= missing;
        std::memcpy(buffer, rx_.data() + rxHead_, take);
        dropRx(rxHead_ + take + missing);  // the lost bytes never arrive
    } else {
        std::memcpy(buffer, rx_.data() + rxHead_, take);
        dropRx(rxHead_ + take);
    }
    *read = static_cast<uint32_t>(take);
    return FT_OK;
}

} // namespace korv::sim
