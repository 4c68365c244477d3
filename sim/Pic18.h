// Pin-level model of the PIC18 flash chips on the module in high-voltage
// ICSP mode: PIC18F452 / PIC18F252 (FXX2 family) and PIC18F2520 /
// PIC18F4620 (2XXX/4XXX family). Everything is decoded from the levels and
// edges of MCLR/VPP, PGC and PGD that the bus reports; the chip answers by
// driving PGD during the second half of read operands.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korv::sim {

class Clock;

enum class ChipType : uint8_t { PIC18F452, PIC18F252, PIC18F2520, PIC18F4620 };

struct ChipInfo {
    const char* name;
    bool fxx2;                 // PIC18FXX2 family (else 2XXX/4XXX)
    uint32_t flashBytes;
    uint16_t bufferBytes;      // write buffer (per panel on FXX2)
    uint16_t eraseRowBytes;
    uint8_t devid2;
    uint8_t devid1Fixed;       // DEVID1 bits that are not revision
    uint8_t revisionMask;      // DEVID1 revision bits
    uint32_t eepromBytes;
    uint32_t bootBlockEnd;     // first address after the boot block
    uint16_t bootWords;        // size of the module's boot area (loader)
    uint16_t loaderBlockBytes; // block size of the module's boot-loader link
};

const ChipInfo& chipInfo(ChipType type);
const char* chipName(ChipType type);

// Address map of the table pointer.
constexpr uint32_t kIdBase = 0x200000;
constexpr uint32_t kIdBytes = 8;
constexpr uint32_t kConfigBase = 0x300000;
constexpr uint32_t kConfigBytes = 14;
constexpr uint32_t kEraseReg4 = 0x3C0004;
constexpr uint32_t kEraseReg5 = 0x3C0005;
constexpr uint32_t kPanelReg = 0x3C0006;
constexpr uint32_t kDevid1Addr = 0x3FFFFE;
constexpr uint32_t kDevid2Addr = 0x3FFFFF;

// Implemented bits and erased values of CONFIG1L..CONFIG7H.
const std::array<uint8_t, kConfigBytes>& configImplementedMask(bool fxx2);
const std::array<uint8_t, kConfigBytes>& configEraseDefault(bool fxx2);

// Timing limits in nanoseconds.
struct Pic18Timing {
    uint64_t entryHold = 2 * 1000;             // MCLR rise to first PGC edge
    uint64_t programHold = 1000 * 1000;        // P9: PGC high on the 4th clock
    uint64_t programLow2xxx = 100 * 1000;      // P10 on 2XXX/4XXX
    uint64_t programLowFxx2 = 5 * 1000;        // P10 on FXX2
    uint64_t bulkErase = 5 * 1000 * 1000;      // P11
    uint64_t rowEraseSelfTimed = 5 * 1000 * 1000;
};

enum class ViolationKind : uint8_t {
    EntryHold,          // PGC edge too soon after MCLR rose (edge ignored)
    EntryLines,         // MCLR rose while PGC or PGD was high
    ProgramHold,        // P9 too short: nothing programmed
    ProgramLowTime,     // P10 too short (programming did happen)
    ProgramNotStarted,  // start-programming write not followed by a NOP
    BulkEraseTime,      // P11 too short: nothing erased
    RowEraseTime,       // row erase interrupted: row not erased
    EraseCode,          // unknown bulk-erase code
    AbortedByMclr,      // MCLR dropped while programming/erasing was pending
    WriteProtected,     // programming/erase of a write-protected block
    ConfigLocked,       // configuration write while WRTC = 0
    Contention,         // chip drives PGD high while an adapter pulls it low
    UnknownCommand,     // undefined 4-bit command
    UnknownInstruction, // core instruction the model does not execute
    LoaderMissedBit,    // boot loader: PGC pulse too short for the firmware
};
const char* violationName(ViolationKind kind);

struct Violation {
    uint64_t timeNs;
    ViolationKind kind;
    std::string detail;
};

enum class TxKind : uint8_t {
    Core,            // core instruction executed (value = operand)
    CoreUnknown,     // core instruction not modelled
    TableRead,       // address, value read
    ShiftOutTablat,  // value
    TableWrite,      // holding register load: address, index, value = operand
    RegisterWrite,   // 3C0004..3C0006 or a configuration byte latch
    ProgramRow,      // address = first byte of the programmed block
    ProgramId,       // ID locations programmed
    ProgramConfig,   // address, value = new byte
    RowErase,        // address = row start
    BulkErase,       // value = code
    Blocked,         // a step that the chip refused (protection, lock, timing)
    Unknown,         // undefined command
    Enter,           // programming mode entered
    Leave,           // programming mode left
};

struct TxRecord {
    uint64_t timeNs;
    uint32_t address;
    uint16_t operand;
    uint8_t command;
    TxKind kind;
    uint8_t value;
    uint8_t index;   // holding index, or BlockReason for Blocked
};

enum BlockReason : uint8_t {
    BlockHoldShort, BlockWriteProtected, BlockConfigLocked, BlockNotFlashAccess, BlockEraseTime,
    BlockAborted, BlockOutside, BlockWrenClear, BlockNotNop, BlockEraseCode, BlockNotModelled,
};

struct TxCounts {
    uint64_t transactions = 0;  // complete command + operand frames
    uint64_t reads = 0;         // table reads and TABLAT shift-outs
    uint64_t tableWrites = 0;   // holding / register loads
    uint64_t programs = 0;      // programming steps that took
    uint64_t erases = 0;        // row and bulk erases that took
    uint64_t core = 0;          // core instructions
    uint64_t writesOrErases() const { return tableWrites + programs + erases; }
};

class Pic18 {
public:
    Pic18(ChipType type, Clock& clock);

    ChipType type() const { return type_; }
    const ChipInfo& info() const { return info_; }
    Pic18Timing& timing() { return timing_; }

    // --- memories (examine and preload) ---
    std::span<uint8_t> flash() { return {flash_.data(), info_.flashBytes}; }
    std::span<uint8_t> idLocations() { return {id_.data(), kIdBytes}; }
    std::span<uint8_t> config() { return {config_.data(), kConfigBytes}; }
    std::span<uint8_t> eeprom() { return {eeprom_.data(), info_.eepromBytes}; }
    // Stores a configuration byte with the implemented-bit mask applied.
    void setConfig(unsigned index, uint8_t value);
    void setRevision(uint8_t revision) { revision_ = revision; }
    uint8_t devid1() const;
    uint8_t devid2() const { return info_.devid2; }
    // Chip erase as the bulk-erase command performs it.
    void eraseAll();

    // Byte as an ICSP table read returns it (code protection applied).
    uint8_t readByte(uint32_t address) const;
    bool codeProtected(uint32_t address) const;
    bool writeProtected(uint32_t address) const;
    bool configLocked() const;  // WRTC = 0

    // --- programming-mode state ---
    bool inProgrammingMode() const { return progMode_; }
    uint32_t tblptr() const { return tblptr_; }
    uint8_t tablat() const { return tablat_; }
    uint8_t eecon1() const { return eecon1_; }
    bool multiPanel() const { return multiPanel_; }
    std::span<const uint8_t> holding(unsigned panel = 0) const
    {
        return {holding_[panel & 3].data(), info_.bufferBytes};
    }

    // --- transaction log (ring of the most recent records) ---
    static constexpr size_t kLogCapacity = size_t(1) << 18;
    size_t logSize() const { return logCount_ < kLogCapacity ? size_t(logCount_) : kLogCapacity; }
    const TxRecord& logAt(size_t i) const;  // 0 = oldest kept
    void clearLog();
    const TxCounts& counts() const { return counts_; }
    static std::string describe(const TxRecord& record);
    std::string logText() const;  // one described line per kept record
    bool writeLog(const std::string& path) const;

    const std::vector<Violation>& violations() const { return violations_; }
    size_t violationCount(ViolationKind kind) const;
    void clearViolations() { violations_.clear(); }
    // Readings of points the chip documents disagree on, as met by this run
    // (e.g. "FXX2 row erase with 55h/AAh unlock").
    const std::vector<std::string>& readingsSeen() const { return readings_; }

    // --- pins (called by the bus) ---
    // pgdLine is the resulting PGD level, hostPullsLow whether an adapter
    // pulls it low (for contention with the chip's own drive).
    void onPins(uint64_t t, bool vpp, bool pgc, bool pgdLine, bool hostPullsLow);
    // True while the chip drives PGD; *level gets the driven level.
    bool drivesPgd(bool* level) const
    {
        *level = outLevel_;
        return outEnable_;
    }

private:
    void enter(uint64_t t, bool pgc, bool pgdLine);
    void leave(uint64_t t);
    void risingEdge(uint64_t t);
    void fallingEdge(uint64_t t, bool pgd);
    void commandComplete(uint64_t t);
    void operandComplete(uint64_t t);
    void executeCore(uint64_t t, uint16_t instr);
    void tableWrite(uint64_t t, uint8_t cmd, uint16_t operand);
    void startReadOperand(uint64_t t);
    void programStep(uint64_t t, uint64_t hold);
    void checkPendingErase(uint64_t t, bool operandEdge);
    void completeBulkErase(uint64_t t);
    void resolveRowErase(uint64_t t, bool heldNop);
    void eraseRow(uint64_t t, uint32_t address);
    void programConfigByte(uint64_t t, uint32_t address, uint8_t value);
    void resetHolding();
    uint8_t readRaw(uint32_t address) const;
    void log(uint64_t t, TxKind kind, uint32_t address, uint8_t value, uint8_t index = 0);
    void blocked(uint64_t t, uint32_t address, uint8_t reason);
    void violation(uint64_t t, ViolationKind kind, std::string detail);
    void reading(const char* text);

    ChipType type_;
    ChipInfo info_;
    Clock& clock_;
    Pic18Timing timing_;

    std::vector<uint8_t> flash_;
    std::array<uint8_t, kIdBytes> id_{};
    std::array<uint8_t, kConfigBytes> config_{};
    std::vector<uint8_t> eeprom_;
    uint8_t revision_ = 0x07;

    // programming-mode state
    bool progMode_ = false;
    bool lastVpp_ = false;
    bool lastPgc_ = false;
    uint64_t entryTime_ = 0;
    bool sawFirstEdge_ = false;
    uint32_t tblptr_ = 0;
    uint8_t tablat_ = 0;
    uint8_t wreg_ = 0;
    uint8_t eecon1_ = 0;
    uint8_t eecon2Last_ = 0;
    bool unlock55_ = false;
    bool unlockAA_ = false;
    bool multiPanel_ = false;
    uint8_t eraseReg4_ = 0;
    uint8_t eraseReg5_ = 0;
    std::array<std::array<uint8_t, 64>, 4> holding_{};

    // command engine
    enum class Phase : uint8_t { Command, Operand };
    Phase phase_ = Phase::Command;
    uint8_t bitCount_ = 0;
    uint8_t command_ = 0;
    uint16_t operand_ = 0;
    bool reading_ = false;     // current command is a read
    uint8_t readValue_ = 0;
    bool outEnable_ = false;
    bool outLevel_ = false;
    bool contentionNoted_ = false;
    bool outTrailing_ = false; // last read bit still on PGD after the 16th falling edge
    uint64_t riseTime_ = 0;    // last rising edge
    uint64_t fallTime_ = 0;    // last falling edge

    // programming started by 1110/1111, waiting for the held NOP
    bool programPending_ = false;
    uint32_t programAddress_ = 0;
    bool programConfig_ = false;
    uint8_t programConfigValue_ = 0;
    bool checkP10_ = false;    // low time after a programming hold pending

    // erases in progress
    bool bulkPending_ = false;
    uint64_t bulkStart_ = 0;
    uint8_t bulkCommandsSince_ = 0;
    uint16_t bulkCode_ = 0;
    bool rowPending_ = false;
    uint64_t rowStart_ = 0;
    uint32_t rowAddress_ = 0;

    // log
    std::vector<TxRecord> log_;
    uint64_t logCount_ = 0;
    uint64_t logStart_ = 0;
    TxCounts counts_;
    std::vector<Violation> violations_;
    std::vector<std::string> readings_;
};

} // namespace korv::sim
