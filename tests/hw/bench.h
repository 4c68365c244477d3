// A bench for the hardware tests: the simulated station with the program's
// own line layer and USB engine on top, wired as the application wires them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/RecordingHost.h"
#include "app/VariantProfile.h"
#include "hw/FtFunkc.h"
#include "hw/PortProg.h"
#include "sim/Station.h"

namespace korv::test {

// Counts and records port accesses on their way to the station's port.
class RecordingPort final : public PortIo {
public:
    explicit RecordingPort(PortIo& inner) : inner_(inner) {}
    struct Access {
        bool write;
        uint16_t port;
        uint8_t value;
    };
    void PortWrite(uint16_t port, uint8_t value) override
    {
        if (recording) accesses.push_back({true, port, value});
        inner_.PortWrite(port, value);
    }
    uint8_t PortRead(uint16_t port) override
    {
        uint8_t v = inner_.PortRead(port);
        if (recording) accesses.push_back({false, port, v});
        return v;
    }
    std::vector<uint8_t> Writes(uint16_t port) const
    {
        std::vector<uint8_t> out;
        for (const auto& a : accesses)
            if (a.write && a.port == port) out.push_back(a.value);
        return out;
    }
    size_t Reads(uint16_t port) const
    {
        size_t n = 0;
        for (const auto& a : accesses)
            if (!a.write && a.port == port) ++n;
        return n;
    }
    size_t WriteCount() const
    {
        size_t n = 0;
        for (const auto& a : accesses) n += a.write;
        return n;
    }
    void Clear() { accesses.clear(); }
    bool recording = true;
    std::vector<Access> accesses;

private:
    PortIo& inner_;
};

// Records every pin image the program hands to FT_Write and counts calls.
class RecordingD2xx final : public D2xxApi {
public:
    explicit RecordingD2xx(D2xxApi& inner) : inner_(inner) {}
    FT_STATUS FT_ListDevices(void* a, void* b, uint32_t f) override { ++calls; return inner_.FT_ListDevices(a, b, f); }
    FT_STATUS FT_OpenEx(void* a, uint32_t f, FT_HANDLE* h) override { ++calls; ++opens; return inner_.FT_OpenEx(a, f, h); }
    FT_STATUS FT_SetBitMode(FT_HANDLE h, uint8_t m, uint8_t mode) override { ++calls; return inner_.FT_SetBitMode(h, m, mode); }
    FT_STATUS FT_SetLatencyTimer(FT_HANDLE h, uint8_t ms) override { ++calls; return inner_.FT_SetLatencyTimer(h, ms); }
    FT_STATUS FT_SetTimeouts(FT_HANDLE h, uint32_t r, uint32_t w) override { ++calls; return inner_.FT_SetTimeouts(h, r, w); }
    FT_STATUS FT_SetBaudRate(FT_HANDLE h, uint32_t b) override { ++calls; return inner_.FT_SetBaudRate(h, b); }
    FT_STATUS FT_GetQueueStatus(FT_HANDLE h, uint32_t* rx) override
    {
        ++calls;
        ++queueStatus;
        ++queueStatusAfterRead;
        return inner_.FT_GetQueueStatus(h, rx);
    }
    FT_STATUS FT_Purge(FT_HANDLE h, uint32_t m) override { ++calls; ++purges; return inner_.FT_Purge(h, m); }
    FT_STATUS FT_Write(FT_HANDLE h, const void* buf, uint32_t n, uint32_t* w) override
    {
        ++calls;
        ++writes;
        const uint8_t* p = static_cast<const uint8_t*>(buf);
        FT_STATUS st = inner_.FT_Write(h, buf, n, w);
        if (st == FT_OK && w) written.insert(written.end(), p, p + *w);
        return st;
    }
    FT_STATUS FT_Read(FT_HANDLE h, void* buf, uint32_t n, uint32_t* r) override
    {
        ++calls;
        ++reads;
        queueStatusAfterRead = 0;
        return inner_.FT_Read(h, buf, n, r);
    }
    void Clear()
    {
        calls = opens = queueStatus = purges = writes = reads = queueStatusAfterRead = 0;
        written.clear();
    }
    uint64_t calls = 0, opens = 0, queueStatus = 0, purges = 0, writes = 0, reads = 0;
    uint64_t queueStatusAfterRead = 0;  // polls since the last FT_Read
    std::vector<uint8_t> written;

private:
    D2xxApi& inner_;
};

inline sim::StationConfig StationFor(sim::Adapters adapters, sim::ChipType chip = sim::ChipType::PIC18F4620)
{
    sim::StationConfig c;
    c.adapters = adapters;
    c.chip = chip;
    c.contents = sim::Contents::Module;
    return c;
}

// Device-ID read as detection performs one attempt, through any line layer;
// it ends with the lines released and MCLR off.
inline std::pair<uint8_t, uint8_t> ReadDeviceIdWith(PortProg& pp)
{
    pp.SetMclrLine(false);
    pp.SetClockLine(false);
    pp.SetDataLine(true);
    pp.DelayUnits(1500);
    pp.SetMclrLine(true);
    pp.SetTablePointer(0x3C0006);
    pp.SendCommand(kCmdTableWrite, false);
    pp.WriteDataWord(0x0000);
    pp.SendCoreInstruction(0x8EA6);
    pp.SendCoreInstruction(0x9CA6);
    pp.SetTablePointer(0x3FFFFE);
    pp.SendCommand(kCmdTableRead, false);
    uint8_t d1 = pp.ReadDataByte();
    pp.SendCommand(kCmdTableRead, false);
    uint8_t d2 = pp.ReadDataByte();
    pp.SetClockLine(false);
    pp.SetDataLine(true);
    pp.SetMclrLine(false);
    pp.SetClockLine(true);
    pp.SetDataLine(false);
    pp.SetMclrLine(false);
    return {d1, d2};
}

struct Bench {
    Bench(const VariantProfile& profile, const sim::StationConfig& config)
        : st(config), port(st.port()), d2xx(st.d2xx()), usb(host, d2xx, st.ticks()),
          pp(profile, host, port, usb)
    {
        pp.PresetDataShadow();
    }

    // What detection does once it chose the USB adapter.
    bool SelectUsb()
    {
        if (!usb.OpenUsbAdapter()) return false;
        pp.ProgrammerKind = Programmer::Usb;
        usb.SetSupply5V();
        pp.SetClockLine(true);
        pp.SetDataLine(false);
        pp.SetMclrLine(false);
        return true;
    }

    // Device-ID read as detection performs one attempt.
    std::pair<uint8_t, uint8_t> ReadDeviceId() { return ReadDeviceIdWith(pp); }

    sim::Station st;
    RecordingHost host;
    RecordingPort port;
    RecordingD2xx d2xx;
    FtFunkc usb;
    PortProg pp;
};

} // namespace korv::test
