#include "hw/PortProg.h"

namespace korv {

PortProg::PortProg(const VariantProfile& profile, UiHost& host, PortIo& port, FtFunkc& usb)
    : profile_(profile), host_(host), port_(port), usb_(usb)
{
    usb_.BindProgrammerKind(&ProgrammerKind);
}

// The data register is never read back: its image lives in the shadow and
// every change writes the whole byte.
void PortProg::WriteShadow() { port_.PortWrite(LptBase, LptDataShadow); }

// ------------------------------------------------------- line operations

void PortProg::SetClockLine(bool level)
{
    if (ProgrammerKind == Programmer::Usb) {
        usb_.UsbSetClockLine(level);
        return;
    }
    // All other control lines stay 0.
    port_.PortWrite(static_cast<uint16_t>(LptBase + 2), level ? kLptControlPgc : 0x00);
}

void PortProg::SetDataLine(bool drive)
{
    if (ProgrammerKind == Programmer::Usb) {
        usb_.UsbSetDataLine(drive);
        return;
    }
    if (drive)
        LptDataShadow |= kLptPgdDrive;
    else
        LptDataShadow &= static_cast<uint8_t>(~kLptPgdDrive);
    WriteShadow();
}

void PortProg::SetMclrLine(bool on)
{
    if (ProgrammerKind == Programmer::Usb) {
        usb_.UsbSetMclrLine(on);
        return;
    }
    if (on) {
        // The adapter's programming-voltage switch settles for 4000 units
        // before VPP reaches MCLR; the modupd4620 adapter raises its pre-VPP
        // line meanwhile.
        if (profile_.lptPreVppBit) LptDataShadow |= kLptPreVpp;
        LptDataShadow &= static_cast<uint8_t>(~kLptVpp);
        WriteShadow();
        DelayUnits(kMclrSettleUnits);
        LptDataShadow &= static_cast<uint8_t>(~kLptPreVpp);
        LptDataShadow |= kLptVpp;
        WriteShadow();
    } else {
        LptDataShadow &= static_cast<uint8_t>(~(kLptPreVpp | kLptVpp));
        WriteShadow();
    }
}

void PortProg::SetSyncLine(bool level)
{
    if (level)
        LptDataShadow &= static_cast<uint8_t>(~kLptSyncOut);
    else
        LptDataShadow |= kLptSyncOut;
    WriteShadow();
}

bool PortProg::ReadDataLine()
{
    if (ProgrammerKind == Programmer::Usb) return usb_.UsbReadDataLine();
    return (port_.PortRead(static_cast<uint16_t>(LptBase + 1)) & kLptStatusPgd) == 0;
}

bool PortProg::ReadSyncLine()
{
    return (port_.PortRead(static_cast<uint16_t>(LptBase + 1)) & kLptStatusSync) == 0;
}

bool PortProg::WaitSync(bool level)
{
    for (int poll = 0; poll < kSyncPollLimit; ++poll)
        if (ReadSyncLine() == level) return true;
    return false;
}

// One cycle of the echo handshake: data bit 1 goes up and down twice and the
// adapter's echo on status bit 6 is awaited after every edge.
int PortProg::HandshakeCycle()
{
    int answers = 0;
    WaitSync(true);
    SetSyncLine(false);
    WaitSync(false);
    SetSyncLine(true);
    if (WaitSync(true)) ++answers;
    SetSyncLine(false);
    if (WaitSync(false)) ++answers;
    SetSyncLine(true);
    return answers;
}

void PortProg::SyncWait()
{
    AdapterPresent = false;
    if (ProgrammerKind == Programmer::Usb) {
        usb_.UsbSyncWait();
        return;
    }
    AdapterPresent = HandshakeCycle() == 2;
}

void PortProg::DelayUnits(uint16_t count)
{
    if (ProgrammerKind == Programmer::Usb) {
        usb_.UsbDelayUnits(count);
        return;
    }
    for (uint32_t i = 0; i <= count; ++i) HandshakeCycle();
}

void PortProg::ClockPulse()
{
    if (ProgrammerKind == Programmer::Usb) {
        usb_.UsbClockPulse();
        return;
    }
    SyncWait();
    SetClockLine(true);
    SyncWait();
    SetClockLine(false);
    SyncWait();
}

// ------------------------------------------------------ ICSP command layer

void PortProg::SendCommand(uint8_t code, bool hold)
{
    SetClockLine(false);
    SetDataLine(true);
    for (int i = 0; i < 4; ++i) {
        SetDataLine(((code >> i) & 1) == 0);
        if (hold && i == 3) {
            // The chip programs while PGC stays high on the fourth clock
            // (P9, at least 1 ms). PGC then stays low before the operand for
            // P10, which is 100 us on the PIC18F2XXX/4XXX (5 us on the FXX2):
            // one timing step (10 us) is too short for those chips, so the
            // low time is a delay of 10 units (11 steps on the parallel
            // port, an exchange and its poll on USB).
            SetClockLine(true);
            DelayUnits(kProgramHoldUnits);
            SetClockLine(false);
            DelayUnits(kProgramLowUnits);
        } else {
            ClockPulse();
        }
    }
    SetClockLine(false);
    SetDataLine(true);
}

void PortProg::SendCoreInstruction(uint16_t instruction)
{
    SetClockLine(false);
    SetDataLine(true);
    SyncWait();
    for (int i = 0; i < 4; ++i) ClockPulse();  // command 0000, PGD low
    SyncWait();
    for (int i = 0; i < 16; ++i) {
        SetDataLine(((instruction >> i) & 1) == 0);
        ClockPulse();
    }
    SetDataLine(true);
    SyncWait();
}

void PortProg::WriteDataWord(uint16_t word)
{
    SetClockLine(false);
    SetDataLine(true);
    for (int i = 0; i < 16; ++i) {
        SetDataLine(((word >> i) & 1) == 0);
        ClockPulse();
    }
    SetDataLine(true);
    SyncWait();
}

uint8_t PortProg::ReadDataByte()
{
    if (ProgrammerKind == Programmer::Usb) return usb_.UsbReadDataByte();

    uint8_t value = 0;
    SetClockLine(false);
    SetDataLine(true);
    for (int i = 0; i < 8; ++i) ClockPulse();
    SetDataLine(false);  // PGD to the chip
    SyncWait();
    for (int i = 0; i < 8; ++i) {
        SetClockLine(true);
        SyncWait();
        SetClockLine(false);
        value = static_cast<uint8_t>((value >> 1) | (ReadDataLine() ? 0x80 : 0x00));
        SyncWait();
    }
    SetClockLine(false);
    SetDataLine(true);
    SyncWait();
    return value;
}

void PortProg::SetTablePointer(uint32_t address)
{
    SendCoreInstruction(static_cast<uint16_t>(0x0E00 | (address & 0xFF)));
    SendCoreInstruction(0x6EF6);
    SendCoreInstruction(static_cast<uint16_t>(0x0E00 | ((address >> 8) & 0xFF)));
    SendCoreInstruction(0x6EF7);
    SendCoreInstruction(static_cast<uint16_t>(0x0E00 | ((address >> 16) & 0xFF)));
    SendCoreInstruction(0x6EF8);
}

void PortProg::ClearTablePointer()
{
    SendCoreInstruction(0x0E00);
    SendCoreInstruction(0x6EF6);
    SendCoreInstruction(0x6EF7);
    SendCoreInstruction(0x6EF8);
}

} // namespace korv
