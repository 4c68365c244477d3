#include "hw/Detect.h"

#include "app/AppCore.h"
#include "app/Format.h"

namespace korv {

namespace {

bool Matches(const ChipProfile& chip, uint8_t devid1, uint8_t devid2)
{
    return (devid1 & chip.devid1Mask) == chip.devid1Value && devid2 == chip.devid2;
}

// One device-ID read: programming mode, panel register, code memory, then
// DEVID1/DEVID2, and the lines parked with the module released.
// adapterAnswered: the parallel-port adapter echoed the handshake that ends
// the DEVID2 read.
void ReadDeviceId(AppCore& core, uint8_t& devid1, uint8_t& devid2, bool& adapterAnswered)
{
    auto& L = core.hw.portProg;
    L.SetMclrLine(false);
    L.SetClockLine(false);
    L.SetDataLine(true);
    L.DelayUnits(1500);
    L.SetMclrLine(true);
    L.SetTablePointer(0x3C0006);
    L.SendCommand(kCmdTableWrite, false);
    L.WriteDataWord(0x0000);
    L.SendCoreInstruction(0x8EA6); // BSF EECON1, EEPGD
    L.SendCoreInstruction(0x9CA6); // BCF EECON1, CFGS
    L.SetTablePointer(0x3FFFFE);
    L.SendCommand(kCmdTableRead, false);
    devid1 = L.ReadDataByte();
    L.SendCommand(kCmdTableRead, false);
    devid2 = L.ReadDataByte();
    adapterAnswered = L.AdapterPresent;
    L.SetClockLine(false);
    L.SetDataLine(true);
    L.SetMclrLine(false);
    L.SetClockLine(true);
    L.SetDataLine(false);
    L.SetMclrLine(false);
}

} // namespace

int IdentifyChip(const VariantProfile& profile, uint8_t devid1, uint8_t devid2)
{
    if (Matches(profile.newChip, devid1, devid2))
        return 1;
    if (Matches(profile.oldChip, devid1, devid2))
        return 0;
    return -1;
}

bool ConnectProgrammer(AppCore& core)
{
    auto& L = core.hw.portProg;
    auto& U = core.hw.ftFunkc;
    UiHost& host = core.host;
    DetectionState& st = core.detection;

    // Parallel port first: on the USB path SyncWait only queues a sample, so
    // once USB is chosen the parallel adapter is never seen again this run.
    bool lptAnswered = false;
    bool usbOpened = false;
    L.SyncWait();
    if (L.AdapterPresent) {
        lptAnswered = true;
        L.ProgrammerKind = Programmer::ParallelPort;
        host.SetChecked(kUsbIndicator, false);
        host.SetChecked(kLptIndicator, true);
    }
    L.SyncWait();
    if (!lptAnswered && U.OpenUsbAdapter()) {
        usbOpened = true;
        L.ProgrammerKind = Programmer::Usb;
        host.SetChecked(kUsbIndicator, true);
        host.SetChecked(kLptIndicator, false);
        U.SetSupply5V();
        L.SetClockLine(true);
        L.SetDataLine(false);
        L.SetMclrLine(false);
    }

    if (!st.ProgrammerReported) {
        const std::string usbName = U.UsbDescription;
        if (usbOpened) {
            host.Okno("Программатор " + usbName + " успешно открыт!");
        } else if (lptAnswered) {
            host.Okno("Программатор Kerdis успешно открыт!");
        } else {
            host.Okno("Программатор " + usbName + " к USB не подключен.");
            host.Okno("Программатор Kerdis к LPT не подключен.");
            host.Okno("Завершите программу.Подключите программатор к USB или к LPT.Запустите программу вновь.");
            return false;
        }
        st.ProgrammerReported = true;
    }

    uint8_t devid1 = 0xFF;
    uint8_t devid2 = 0xFF;
    int attempt = 0;
    bool adapterAnswered = false;
    for (; attempt < kIdAttempts; ++attempt) {
        ReadDeviceId(core, devid1, devid2, adapterAnswered);
        const bool stop = core.profile.idLoopStopsOnNonBlank
                              ? !(devid1 == 0xFF && devid2 == 0xFF)
                              : IdentifyChip(core.profile, devid1, devid2) >= 0;
        if (stop)
            break;
        // A parallel-port adapter that has gone since it was reported (the
        // search above then keeps the parallel path) leaves every handshake
        // wait to run to its poll limit: one attempt takes about 15 s
        // instead of 80 ms and reads the same bare port again. Further
        // attempts would only freeze the window for 25 minutes, so the
        // read ends with this answer.
        if (L.ProgrammerKind == Programmer::ParallelPort && !adapterAnswered)
            break;
    }
    st.Devid1 = devid1;
    st.Devid2 = devid2;
    st.Attempt = attempt;
    host.SetText("Prog12.Label2", Format("Devid1=%x Devid2=%x a=%d", {devid1, devid2, attempt}));

    const int chip = IdentifyChip(core.profile, devid1, devid2);
    if (chip < 0) {
        core.chip.SetUnidentified(host);
        host.CancelDialog(core.profile.unknownIdDialog);
        return false;
    }
    core.chip.SetIdentified(host, core.profile, chip == 1);
    return true;
}

} // namespace korv
