#include "icsp/ProgMem.h"

#include "app/AppCore.h"
#include "app/Format.h"

namespace korv {

namespace {

uint16_t MasterWord(const AppCore& core, uint32_t w)
{
    return static_cast<uint16_t>(core.images.MasterImage[2 * w] | (core.images.MasterImage[2 * w + 1] << 8));
}

uint16_t ChipWord(const AppCore& core, uint32_t w)
{
    return static_cast<uint16_t>(core.images.ChipImage[2 * w] | (core.images.ChipImage[2 * w + 1] << 8));
}

// Two table reads with post-increment: the word at the table pointer.
uint16_t ReadWordAtPointer(AppCore& core)
{
    auto& L = core.hw.portProg;
    L.SendCommand(kCmdTableRead, false);
    const uint8_t lo = L.ReadDataByte();
    L.SendCommand(kCmdTableRead, false);
    const uint8_t hi = L.ReadDataByte();
    return static_cast<uint16_t>(lo | (hi << 8));
}

void LogWriteFailure(AppCore& core, uint32_t word, uint16_t expected, uint16_t chip)
{
    core.host.Okno("Запись не возможна.");
    core.host.Okno(Format("Адр.:%03x  Эт=%04x  Чип=%04x", {2 * word, expected, chip}));
    core.host.Okno("Прогр. прервано.");
}

bool UsbSelected(const AppCore& core)
{
    return core.hw.portProg.ProgrammerKind == Programmer::Usb;
}

} // namespace

void LinesLow(AppCore& core)
{
    core.hw.portProg.SetClockLine(false);
    core.hw.portProg.SetDataLine(true);
}

void LinesReleased(AppCore& core)
{
    core.hw.portProg.SetClockLine(true);
    core.hw.portProg.SetDataLine(false);
}

void EnterProgramMode(AppCore& core, EntryVariant variant)
{
    auto& L = core.hw.portProg;
    switch (variant) {
    case EntryVariant::A:
        LinesLow(core);
        L.DelayUnits(1200);
        L.SetMclrLine(true);
        L.SyncWait();
        L.SetMclrLine(false);
        L.SyncWait();
        L.SetMclrLine(true);
        L.DelayUnits(500);
        break;
    case EntryVariant::B:
        LinesLow(core);
        L.DelayUnits(4000);
        L.SetMclrLine(true);
        L.DelayUnits(4000);
        L.SetMclrLine(false);
        L.DelayUnits(4000);
        L.SetMclrLine(true);
        L.DelayUnits(500);
        break;
    case EntryVariant::C:
        // modupd2520 enters the configuration space without the leading
        // timing step.
        if (core.profile.is4620())
            L.SyncWait();
        LinesLow(core);
        L.DelayUnits(1200);
        L.SetMclrLine(true);
        L.DelayUnits(1200);
        L.SetMclrLine(false);
        L.DelayUnits(1200);
        L.SetMclrLine(true);
        L.DelayUnits(1200);
        break;
    case EntryVariant::D:
        LinesLow(core);
        L.DelayUnits(1200);
        L.SetMclrLine(true);
        break;
    case EntryVariant::E:
        LinesLow(core);
        L.SyncWait();
        L.DelayUnits(core.profile.eraseEntryDelay1);
        L.SetMclrLine(true);
        L.SyncWait();
        L.SetMclrLine(false);
        L.SyncWait();
        L.SetMclrLine(true);
        L.DelayUnits(core.profile.eraseEntryDelay2);
        break;
    }
}

void LeaveProgramMode(AppCore& core)
{
    LinesLow(core);
    core.hw.portProg.SetMclrLine(false);
    LinesReleased(core);
    if (UsbSelected(core) && core.hw.ftFunkc.SampleCount > 0)
        core.hw.ftFunkc.FlushSamples();
}

void ProgrammingNop(AppCore& core)
{
    core.hw.portProg.SendCommand(kCmdCoreInstruction, true);
    core.hw.portProg.WriteDataWord(0x0000);
}

void SinglePanelSelect(AppCore& core)
{
    auto& L = core.hw.portProg;
    L.SetTablePointer(0x3C0006);
    L.SendCommand(kCmdTableWrite, false);
    L.WriteDataWord(0x0000);
}

void CodeMemorySelect(AppCore& core)
{
    core.hw.portProg.SendCoreInstruction(0x8EA6); // BSF EECON1, EEPGD
    core.hw.portProg.SendCoreInstruction(0x9CA6); // BCF EECON1, CFGS
}

void RowErase(AppCore& core)
{
    auto& L = core.hw.portProg;
    L.SendCoreInstruction(0x84A6); // BSF EECON1, WREN
    L.SendCoreInstruction(0x88A6); // BSF EECON1, FREE
    if (!IsNewChip(core.host)) {
        // The FXX2 family starts an erase only after the EECON2 unlock.
        L.SendCoreInstruction(0x0E55);
        L.SendCoreInstruction(0x6EA7);
        L.SendCoreInstruction(0x0EAA);
        L.SendCoreInstruction(0x6EA7);
    }
    L.SendCoreInstruction(0x82A6); // BSF EECON1, WR
    // The erase runs during the NOP; its operand follows the erase time.
    L.SendCommand(kCmdCoreInstruction, false);
    L.DelayUnits(600);
    L.SyncWait();
    L.WriteDataWord(0x0000);
    L.SendCoreInstruction(0x94A6); // BCF EECON1, WREN
}

void RowWrite(AppCore& core, uint32_t r, bool gaugeEachBlock)
{
    auto& L = core.hw.portProg;
    const uint32_t block = IsNewChip(core.host) ? kNewChipBlockWords : kOldChipBlockWords;
    for (uint32_t j = r; j < r + kRowWords; j += block) {
        L.SetTablePointer(2 * j);
        for (uint32_t k = 0; k + 1 < block; ++k) {
            L.SendCommand(kCmdTableWriteInc2, false);
            L.WriteDataWord(MasterWord(core, j + k));
        }
        L.SendCommand(kCmdTableWriteStart, false);
        L.WriteDataWord(MasterWord(core, j + block - 1));
        // The block programs while PGC is held high on the NOP's 4th clock.
        ProgrammingNop(core);
        if (gaugeEachBlock)
            core.host.SetGaugeProgress(static_cast<int>(j + block));
    }
}

uint32_t OperationWords(const AppCore& core)
{
    return core.profile.rangeIsBootWords ? core.chip.BootWords : core.chip.ProgramWords;
}

bool WriteProgramMemory(AppCore& core)
{
    if (core.profile.usbFastWrite && UsbSelected(core))
        return FastWriteProgramMemory(core);

    auto& L = core.hw.portProg;
    const uint32_t n = OperationWords(core);
    EnterProgramMode(core, EntryVariant::A);
    core.host.SetGaugeMax(static_cast<int>(n) - 1);
    core.host.SetGaugeProgress(0);
    if (!IsNewChip(core.host))
        SinglePanelSelect(core);
    CodeMemorySelect(core);

    uint32_t i = 0;
    bool ok = true;
    bool rewritten = false;
    uint32_t rewriteRow = UINT32_MAX; // row of the last rewrite
    int rowRewrites = 0;              // rewrites of that row so far
    uint16_t chip = 0;
    uint16_t expected = 0;
    L.SetTablePointer(0);
    while (i < n) {
        chip = ReadWordAtPointer(core);
        expected = MasterWord(core, i);
        if (chip == expected) {
            rewritten = false;
            ++i;
            core.host.SetGaugeProgress(static_cast<int>(i));
            continue;
        }
        const uint32_t r = i & ~(kRowWords - 1);
        if (r != rewriteRow) {
            rewriteRow = r;
            rowRewrites = 0;
        }
        // The row's first word read after a rewrite must match; a later word
        // may start one further rewrite of the same row, up to the bound.
        if (rewritten || rowRewrites >= kMaxRowRewrites) {
            ok = false;
            break;
        }
        ++rowRewrites;
        L.SetTablePointer(2 * r);
        RowErase(core);
        RowWrite(core, r);
        i = r;
        L.SetTablePointer(2 * r);
        rewritten = true;
        core.host.ProcessMessages();
    }

    if (ok)
        core.host.Okno("Прогр. OK");
    else
        LogWriteFailure(core, i, expected, chip);
    LeaveProgramMode(core);
    return ok;
}

void ReadProgramMemory(AppCore& core, int)
{
    if (UsbSelected(core)) {
        FastReadProgramMemory(core);
        return;
    }
    auto& L = core.hw.portProg;
    const uint32_t n = OperationWords(core);
    EnterProgramMode(core, EntryVariant::A);
    L.ClearTablePointer();
    core.host.SetGaugeMax(static_cast<int>(n) - 1);
    core.host.SetGaugeProgress(0);
    L.SyncWait();
    for (uint32_t i = 0; i < n; ++i) {
        core.host.SetGaugeProgress(static_cast<int>(i));
        L.SendCommand(kCmdTableRead, false);
        core.images.ChipImage[2 * i] = L.ReadDataByte();
        L.SendCommand(kCmdTableRead, false);
        core.images.ChipImage[2 * i + 1] = L.ReadDataByte();
        core.host.ProcessMessages();
    }
    LeaveProgramMode(core);
}

void FastReadProgramMemory(AppCore& core)
{
    auto& L = core.hw.portProg;
    const uint32_t n = OperationWords(core);
    EnterProgramMode(core, EntryVariant::A);
    L.ClearTablePointer();
    core.host.SetGaugeMax(core.profile.is2520() ? static_cast<int>(n) : static_cast<int>(n) - 1);
    core.host.SetGaugeProgress(0);
    L.SyncWait();
    for (uint32_t k = 1; k <= n; ++k) {
        core.host.SetGaugeProgress(static_cast<int>(k));
        L.SendCommand(kCmdTableRead, false);
        QueueReadDataByte(core);
        L.SendCommand(kCmdTableRead, false);
        QueueReadDataByte(core);
        if (k % kRowWords == 0)
            DecodeReadBatch(core, k);
        core.host.ProcessMessages();
    }
    LeaveProgramMode(core);
    L.SetMclrLine(false);
}

void QueueReadDataByte(AppCore& core)
{
    core.hw.ftFunkc.QueueByteReadPattern();
}

void DecodeReadBatch(AppCore& core, uint32_t endWord)
{
    FtFunkc& U = core.hw.ftFunkc;
    uint32_t m = U.FlushSamples();
    if (m > kSampleBufferSize)
        m = kSampleBufferSize;
    // The chip sends each byte least significant bit first; every marked
    // sample carries one bit. Bytes alternate low and high half of a word.
    uint32_t w = endWord - kRowWords;
    bool high = false;
    uint32_t stored = 0;
    MarkedByteDecoder decoder;
    uint8_t byte = 0;
    for (uint32_t b = 0; b < m && stored < 2 * kRowWords; ++b) {
        if (!decoder.Feed(U.ReadBackBuffer[b], byte))
            continue;
        core.images.ChipImage[2 * w + (high ? 1 : 0)] = byte;
        ++stored;
        if (high)
            ++w;
        high = !high;
    }
}

bool CompareImages(AppCore& core)
{
    const uint32_t n = OperationWords(core);
    core.host.SetGaugeMax(static_cast<int>(n) - 1);
    core.host.SetGaugeProgress(0);
    int errors = 0;
    for (uint32_t j = 0; j < n; ++j) {
        const uint16_t master = MasterWord(core, j);
        const uint16_t chip = ChipWord(core, j);
        if (master != chip) {
            core.host.Okno(Format("%03x: Эт.%04x Рез.%04x", {2 * j, master, chip}));
            ++errors;
        }
        core.host.SetGaugeProgress(static_cast<int>(j));
    }
    if (errors > 0) {
        core.host.Okno(Format("Кол. ошибок. = %d ", {errors}));
        return false;
    }
    core.host.Okno("Сравнение ОК");
    return true;
}

bool FastWriteProgramMemory(AppCore& core)
{
    auto& L = core.hw.portProg;
    const uint32_t n = OperationWords(core);
    EnterProgramMode(core, EntryVariant::A);
    core.host.SetGaugeMax(static_cast<int>(n) - 1);
    core.host.SetGaugeProgress(0);
    if (!IsNewChip(core.host))
        SinglePanelSelect(core);
    CodeMemorySelect(core);
    // Only the first row is erased here: the rest is blank from the bulk
    // erase that precedes this write in production.
    L.SetTablePointer(0);
    RowErase(core);
    for (uint32_t i = 0; i < n; i += kRowWords) {
        RowWrite(core, i, true);
        core.host.ProcessMessages();
    }
    LeaveProgramMode(core);

    // Without per-word read-back an absent chip or a chip that was not blank
    // would pass unnoticed: check the whole range with one batched read.
    FastReadProgramMemory(core);
    for (uint32_t j = 0; j < n; ++j) {
        const uint16_t expected = MasterWord(core, j);
        const uint16_t chip = ChipWord(core, j);
        if (expected != chip) {
            LogWriteFailure(core, j, expected, chip);
            return false;
        }
    }
    core.host.Okno("Прогр. OK");
    return true;
}

} // namespace korv
