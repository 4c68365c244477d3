#include "icsp/EraseConfig.h"

#include "app/AppCore.h"
#include "app/Format.h"
#include "icsp/ProgMem.h"

#include <ctime>

namespace korv {

namespace {

constexpr uint32_t kConfigAddress = 0x300000;
constexpr uint32_t kIdAddress = 0x200000;
constexpr uint32_t kBulkEraseRegister = 0x3C0004;
constexpr uint32_t kDevidAddress = 0x3FFFFE;

constexpr uint16_t kEraseCodeNewChip = 0x0F87; // 2XXX/4XXX chip erase
constexpr uint16_t kEraseCodeOldChip = 0x0080; // FXX2 chip erase

// Configuration byte indices.
enum : unsigned {
    kConfig5L = 8,
    kConfig5H = 9,
    kConfig6L = 10,
    kConfig6H = 11,
    kConfig7L = 12,
    kConfig7H = 13,
};

// Byte pairs in write order: the code-protection pair CONFIG5 goes last, so
// that a write cut short never leaves a protected chip with an unfinished
// configuration.
constexpr uint32_t kConfigPairOrder[7] = {0x00, 0x02, 0x04, 0x06, 0x0A, 0x0C, 0x08};

void ReadConfigBytes(AppCore& core)
{
    for (unsigned k = 0; k < 14; ++k) {
        core.hw.portProg.SendCommand(kCmdTableRead, false);
        core.icsp.ChipConfig[k] = core.hw.portProg.ReadDataByte();
    }
}

// A configuration byte is programmed on its own: start-programming write,
// then the NOP whose 4th clock is held for the programming time.
void ProgramConfigByte(AppCore& core, uint16_t operand)
{
    core.hw.portProg.SendCommand(kCmdTableWriteStart, false);
    core.hw.portProg.WriteDataWord(operand);
    ProgrammingNop(core);
}

// d[1], d[2], d[3] into 0x200002..0x200007 as one write block.
void WriteIdBlock(AppCore& core, uint16_t w1, uint16_t w2, uint16_t w3)
{
    auto& L = core.hw.portProg;
    SinglePanelSelect(core);
    CodeMemorySelect(core);
    L.SetTablePointer(kIdAddress + 2);
    L.SendCommand(kCmdTableWriteInc2, false);
    L.WriteDataWord(w1);
    L.SendCommand(kCmdTableWriteInc2, false);
    L.WriteDataWord(w2);
    L.SendCommand(kCmdTableWriteStart, false);
    L.WriteDataWord(w3);
    ProgrammingNop(core);
    core.host.ProcessMessages();
    LeaveProgramMode(core);
}

} // namespace

CalendarDate SystemDateSource::Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return CalendarDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

void BulkErase(AppCore& core)
{
    auto& L = core.hw.portProg;
    LinesLow(core);
    L.SyncWait();
    L.SetTablePointer(kBulkEraseRegister);
    L.SendCommand(kCmdTableWrite, false);
    L.WriteDataWord(IsNewChip(core.host) ? kEraseCodeNewChip : kEraseCodeOldChip);
    L.SendCommand(kCmdCoreInstruction, false);
    L.WriteDataWord(0x0000);
    // The chip erases during the second NOP; PGD stays low for the erase
    // time before its operand.
    L.SendCommand(kCmdCoreInstruction, false);
    L.DelayUnits(5000);
    L.SyncWait();
    L.WriteDataWord(0x0000);
}

void EraseCommand(AppCore& core)
{
    auto& L = core.hw.portProg;
    EnterProgramMode(core, EntryVariant::E);
    BulkErase(core);
    LinesLow(core);
    L.SetMclrLine(false);
    if (core.profile.is4620()) {
        core.host.ClearLog();
        L.SetMclrLine(true);
    } else {
        for (int k = 0; k < 7; ++k)
            L.DelayUnits(1400);
    }
}

void ReadChipConfig(AppCore& core)
{
    auto& L = core.hw.portProg;
    if (core.profile.is4620()) {
        EnterProgramMode(core, EntryVariant::D);
        L.SetTablePointer(kConfigAddress);
        L.SyncWait();
    } else {
        EnterProgramMode(core, EntryVariant::C);
        L.SetTablePointer(kConfigAddress);
        L.SyncWait();
        L.SyncWait();
    }
    ReadConfigBytes(core);
    L.SetTablePointer(kDevidAddress);
    L.SendCommand(kCmdTableRead, false);
    core.icsp.ChipConfig[IcspState::kDevid1Index] = L.ReadDataByte();
    L.SendCommand(kCmdTableRead, false);
    core.icsp.ChipConfig[IcspState::kDevid2Index] = L.ReadDataByte();
    LeaveProgramMode(core);
}

bool WriteWordConfig(AppCore& core, uint8_t mode)
{
    auto& L = core.hw.portProg;
    uint8_t* image = core.images.ConfigImage;
    const bool is4620 = core.profile.is4620();
    const uint8_t saved5L = image[kConfig5L];
    const uint8_t saved5H = image[kConfig5H];
    if (mode == 1) {
        image[kConfig5L] = 0x0F;
        image[kConfig5H] = 0xC0;
        image[kConfig6H] = 0xE0;
        image[kConfig7H] = 0x40;
        if (!is4620) {
            image[kConfig6L] = 0x0F;
            image[kConfig7L] = 0x0F;
        }
    } else if (mode == 2) {
        image[kConfig5L] = 0x00;
        image[kConfig5H] = 0x80;
        if (is4620) {
            image[kConfig6H] = 0xA0;
            image[kConfig7H] = 0x00;
        }
    }

    EnterProgramMode(core, EntryVariant::C);
    L.SetTablePointer(0x3C0006);
    if (!is4620)
        L.SyncWait();
    L.SendCommand(kCmdTableWrite, false);
    L.WriteDataWord(0x0000);
    L.SendCoreInstruction(0x8EA6); // BSF EECON1, EEPGD
    L.SendCoreInstruction(0x8CA6); // BSF EECON1, CFGS
    for (uint32_t a : kConfigPairOrder) {
        L.SetTablePointer(kConfigAddress + a);
        ProgramConfigByte(core, image[a]); // even address: low half
        L.SendCoreInstruction(0x2AF6);     // INCF TBLPTRL, F
        ProgramConfigByte(core, static_cast<uint16_t>(image[a + 1] << 8)); // odd address: high half
    }
    LinesLow(core);
    L.DelayUnits(1200);
    L.DelayUnits(1200);
    L.DelayUnits(1200);
    L.SetTablePointer(kConfigAddress);
    L.DelayUnits(1200);
    ReadConfigBytes(core);
    LeaveProgramMode(core);
    if (!is4620)
        L.DelayUnits(1400);

    bool ok = true;
    for (unsigned k = 0; k < 14; ++k) {
        if (core.icsp.ChipConfig[k] != image[k]) {
            ok = false;
            break;
        }
    }
    // CONFIG5L/5H get their values back whatever the verdict: leaving the
    // protection override in ConfigImage after a failed check would make
    // the next plain write from the editor code-protect the chip.
    image[kConfig5L] = saved5L;
    image[kConfig5H] = saved5H;
    if (!ok) {
        core.host.SetText(kConfigResultBox, mode == 2 ? "Ошибка записи битов защиты" : "Ошибка записи конфигурации");
        return false;
    }
    core.host.SetText(kConfigResultBox, mode == 2 ? "Защита OK" : "Конфигурация OK");
    return true;
}

void ReadIdWords(AppCore& core)
{
    auto& L = core.hw.portProg;
    EnterProgramMode(core, EntryVariant::B);
    core.host.SetGaugeMax(static_cast<int>(core.chip.BootWords) - 1);
    core.host.SetGaugeProgress(0);
    SinglePanelSelect(core);
    CodeMemorySelect(core);
    L.SetTablePointer(kIdAddress);
    for (auto& d : core.icsp.IdWords) {
        L.SendCommand(kCmdTableRead, false);
        const uint8_t lo = L.ReadDataByte();
        L.SendCommand(kCmdTableRead, false);
        const uint8_t hi = L.ReadDataByte();
        d = static_cast<uint32_t>(lo | (hi << 8));
    }
    core.host.ProcessMessages();
    LeaveProgramMode(core);
    if (core.profile.is4620())
        L.SetMclrLine(false);
    const uint32_t* d = core.icsp.IdWords;
    core.host.SetText(kDiagLabel, Format("d[0]=%x d[1]=%x d[2]=%x d[3]=%x", {d[0], d[1], d[2], d[3]}));
}

void WriteIdWords(AppCore& core)
{
    EnterProgramMode(core, EntryVariant::A);
    core.host.SetGaugeMax(static_cast<int>(core.chip.BootWords) - 1);
    core.host.SetGaugeProgress(0);
    const uint32_t* d = core.icsp.IdWords;
    WriteIdBlock(core, static_cast<uint16_t>(d[1]), static_cast<uint16_t>(d[2]), static_cast<uint16_t>(d[3]));
}

void WriteFactoryRecord(AppCore& core)
{
    StampFactoryDate(core);
    const uint32_t record = core.icsp.FactoryRecord;
    EnterProgramMode(core, EntryVariant::A);
    WriteIdBlock(core, static_cast<uint16_t>(record & 0xFFFF), static_cast<uint16_t>(record >> 16), 0xFFFF);
}

void StampFactoryDate(AppCore& core)
{
    const CalendarDate today = core.icsp.dates->Today();
    int month = today.month;
    if (month < 1)
        month = 1;
    if (month > 12)
        month = 12;
    const uint32_t quarter = static_cast<uint32_t>((month - 1) / 3);
    const uint32_t year = static_cast<uint32_t>(today.year - 2000) & 0x1F;
    core.icsp.FactoryRecord = (core.icsp.FactoryRecord & 0x80FFFFFFu) | (year << 26) | (quarter << 24);
}

void SetKFlag(AppCore& core)
{
    core.icsp.FactoryRecord |= 0x80000000u;
    core.host.SetText(kKFlagLabel, "K");
}

void ClearKFlag(AppCore& core)
{
    core.icsp.FactoryRecord &= 0x7FFFFFFFu;
    core.host.SetText(kKFlagLabel, "N");
}

} // namespace korv
