// Line layer of the programmer and the ICSP command layer built on it.
//
// Line operations drive MCLR/VPP, PGC and PGD either through the parallel
// port registers of the Kerdis adapter or, when ProgrammerKind is Usb, by
// queueing pin images for the Vantrel adapter (FtFunkc).
//
// Kerdis adapter registers (LptBase = data, +1 = status, +2 = control):
//   data 0x01  PGD drive (1 pulls PGD low)
//   data 0x02  handshake output = NOT level of SetSyncLine
//   data 0x04  pre-VPP line during the MCLR settling delay (profile lptPreVppBit)
//   data 0x08  always 1 from main-window creation on
//   data 0x10  programming voltage on MCLR
//   status 0x10  PGD level, inverted by the adapter
//   status 0x40  handshake echo of data 0x02
//   control 0x01 PGC level (the port inverts pin 1, the adapter inverts back)
//
// Time on the parallel port is counted in handshake cycles with the adapter
// (one cycle = one delay unit, nominally 10 us); each wait gives up after
// 1201 fruitless polls so an absent adapter cannot hang the program.
#pragma once

#include <cstdint>

#include "app/UiHost.h"
#include "app/VariantProfile.h"
#include "hw/FtFunkc.h"
#include "hw/PortIo.h"
#include "hw/ProgrammerKind.h"

namespace korv {

constexpr uint8_t kLptPgdDrive = 0x01;
constexpr uint8_t kLptSyncOut = 0x02;
constexpr uint8_t kLptPreVpp = 0x04;
constexpr uint8_t kLptAlwaysOne = 0x08;
constexpr uint8_t kLptVpp = 0x10;
constexpr uint8_t kLptStatusPgd = 0x10;
constexpr uint8_t kLptStatusSync = 0x40;
constexpr uint8_t kLptControlPgc = 0x01;
constexpr uint16_t kLptDefaultBase = 888;  // 0x378
constexpr int kSyncPollLimit = 1201;
constexpr uint16_t kMclrSettleUnits = 4000;
constexpr uint16_t kProgramHoldUnits = 120;  // P9 on the fourth clock of a held command
constexpr uint16_t kProgramLowUnits = 10;    // P10 before the operand that follows

// ICSP command codes (4 bits, sent least significant bit first).
constexpr uint8_t kCmdCoreInstruction = 0x0;
constexpr uint8_t kCmdTableRead = 0x9;      // post-increment
constexpr uint8_t kCmdTableWrite = 0xC;
constexpr uint8_t kCmdTableWriteInc2 = 0xD;
constexpr uint8_t kCmdTableWriteStart = 0xF;

class PortProg {
public:
    PortProg(const VariantProfile& profile, UiHost& host, PortIo& port, FtFunkc& usb);
    PortProg(const PortProg&) = delete;
    PortProg& operator=(const PortProg&) = delete;

    // Main-window creation (and the boot-loader update) preset the data
    // register image: only bit 3 set.
    void PresetDataShadow() { LptDataShadow = kLptAlwaysOne; }

    // --- line operations ---
    void SetClockLine(bool level);
    void SetDataLine(bool drive);
    void SetMclrLine(bool on);
    void SetSyncLine(bool level);   // always the parallel port
    bool ReadDataLine();
    bool ReadSyncLine();            // always the parallel port
    void SyncWait();
    void DelayUnits(uint16_t count);
    void ClockPulse();

    // --- ICSP command layer; between primitives PGC is low and PGD pulled
    // low (except after the USB byte read, which leaves PGD released) ---
    void SendCommand(uint8_t code, bool hold);
    void SendCoreInstruction(uint16_t instruction);
    void WriteDataWord(uint16_t word);
    uint8_t ReadDataByte();
    void SetTablePointer(uint32_t address);
    void ClearTablePointer();

    FtFunkc& Usb() { return usb_; }
    const VariantProfile& Profile() const { return profile_; }

    // --- state ---
    Programmer ProgrammerKind = Programmer::ParallelPort;
    uint16_t LptBase = kLptDefaultBase;
    uint8_t LptDataShadow = 0;
    bool AdapterPresent = false;

private:
    void WriteShadow();
    // One wait of the handshake: polls ReadSyncLine until it shows level;
    // true when seen within the poll limit.
    bool WaitSync(bool level);
    // One handshake cycle; returns the answers counted in its last two waits.
    int HandshakeCycle();

    const VariantProfile& profile_;
    UiHost& host_;
    PortIo& port_;
    FtFunkc& usb_;
};

} // namespace korv
