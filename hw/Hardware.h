// The programmer-hardware subsystem as the application holds it: the line
// layer with the ICSP command layer (portProg) and the USB engine (ftFunkc),
// driving whatever port and D2XX backends are attached (the real ones, or a
// simulated station). Until something is attached the port answers nothing
// and the D2XX layer lists no devices, as on a PC without adapters.
//
//   AppCore core(profile, host, station.ticks());
//   core.hw.Attach(station.port(), station.d2xx());
//   core.hw.portProg.SyncWait();
#pragma once

#include "app/TickSource.h"
#include "app/UiHost.h"
#include "app/VariantProfile.h"
#include "hw/D2xxApi.h"
#include "hw/FtFunkc.h"
#include "hw/PortIo.h"
#include "hw/PortProg.h"

namespace korv {

// Port access passed on to the attached backend; without one, writes go
// nowhere and reads see the floating inputs of an empty port (all ones).
class ForwardingPort final : public PortIo {
public:
    void PortWrite(uint16_t port, uint8_t value) override
    {
        if (target_) target_->PortWrite(port, value);
    }
    uint8_t PortRead(uint16_t port) override { return target_ ? target_->PortRead(port) : 0xFF; }
    void Attach(PortIo* target) { target_ = target; }
    PortIo* Target() const { return target_; }

private:
    PortIo* target_ = nullptr;
};

// D2XX calls passed on to the attached library; without one there are no
// devices and no handle is valid.
class ForwardingD2xx final : public D2xxApi {
public:
    FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) override;
    FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) override;
    FT_STATUS FT_SetBitMode(FT_HANDLE handle, uint8_t mask, uint8_t mode) override;
    FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) override;
    FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs) override;
    FT_STATUS FT_SetBaudRate(FT_HANDLE handle, uint32_t baud) override;
    FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rxBytes) override;
    FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t mask) override;
    FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count, uint32_t* written) override;
    FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read) override;
    void Attach(D2xxApi* target) { target_ = target; }
    D2xxApi* Target() const { return target_; }

private:
    D2xxApi* target_ = nullptr;
};

struct HwSubsystem {
    HwSubsystem(const VariantProfile& profile, UiHost& host, TickSource& ticks)
        : ftFunkc(host, d2xx, ticks), portProg(profile, host, port, ftFunkc)
    {
    }
    HwSubsystem(const HwSubsystem&) = delete;
    HwSubsystem& operator=(const HwSubsystem&) = delete;

    void Attach(PortIo& p, D2xxApi& d)
    {
        port.Attach(&p);
        d2xx.Attach(&d);
    }

    ForwardingPort port;
    ForwardingD2xx d2xx;
    FtFunkc ftFunkc;
    PortProg portProg;
};

} // namespace korv
