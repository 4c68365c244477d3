#include "sim/Pic18.h"

#include <algorithm>
#include <cstdio>

#include "sim/Clock.h"

namespace korv::sim {

namespace {

constexpr ChipInfo kChips[] = {
    // name        fxx2  flash    buf row devid2 fixed revmask eeprom bootEnd bootW blk
    {"PIC18F452", true, 0x8000, 8, 64, 0x04, 0x20, 0x1F, 256, 0x0200, 384, 8},
    {"PIC18F252", true, 0x8000, 8, 64, 0x04, 0x00, 0x1F, 256, 0x0200, 384, 8},
    {"PIC18F2520", false, 0x8000, 32, 64, 0x11, 0x00, 0x0F, 256, 0x0800, 1024, 64},
    {"PIC18F4620", false, 0x10000, 64, 64, 0x0C, 0x00, 0x1F, 1024, 0x0800, 1024, 64},
};

constexpr std::array<uint8_t, kConfigBytes> kMaskFxx2 = {0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85,
                                                         0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
constexpr std::array<uint8_t, kConfigBytes> kMask2xxx = {0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5,
                                                         0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
constexpr std::array<uint8_t, kConfigBytes> kErasedFxx2 = kMaskFxx2;
constexpr std::array<uint8_t, kConfigBytes> kErased2xxx = {0x00, 0x07, 0x1F, 0x1F, 0x00, 0x83, 0x85,
                                                           0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};

// EECON1 bits.
constexpr uint8_t kEepgd = 0x80, kCfgs = 0x40, kFree = 0x10, kWren = 0x04, kWr = 0x02;

// Configuration bytes 8..13 hold only protection bits (CP, WRT, EBTR).
constexpr unsigned kFirstProtectionByte = 8;

bool isReadCommand(uint8_t c) { return c == 0x2 || (c >= 0x8 && c <= 0xB); }
bool isWriteCommand(uint8_t c) { return c >= 0xC; }

const char* coreMnemonic(uint16_t i)
{
    switch (i) {
    case 0x0000: return "NOP";
    case 0x6EF5: return "MOVWF TABLAT";
    case 0x6EF6: return "MOVWF TBLPTRL";
    case 0x6EF7: return "MOVWF TBLPTRH";
    case 0x6EF8: return "MOVWF TBLPTRU";
    case 0x6EA7: return "MOVWF EECON2";
    case 0x6EA6: return "MOVWF EECON1";
    case 0x2AF6: return "INCF TBLPTRL";
    case 0x8EA6: return "BSF EECON1,EEPGD";
    case 0x9EA6: return "BCF EECON1,EEPGD";
    case 0x8CA6: return "BSF EECON1,CFGS";
    case 0x9CA6: return "BCF EECON1,CFGS";
    case 0x88A6: return "BSF EECON1,FREE";
    case 0x98A6: return "BCF EECON1,FREE";
    case 0x84A6: return "BSF EECON1,WREN";
    case 0x94A6: return "BCF EECON1,WREN";
    case 0x82A6: return "BSF EECON1,WR";
    default: break;
    }
    if ((i & 0xFF00) == 0x0E00)
        return "MOVLW";
    return "";
}

const char* blockReasonText(uint8_t r)
{
    switch (r) {
    case BlockHoldShort: return "programming hold too short";
    case BlockWriteProtected: return "write-protected";
    case BlockConfigLocked: return "configuration locked (WRTC)";
    case BlockNotFlashAccess: return "EECON1 does not select this memory";
    case BlockEraseTime: return "erase interrupted";
    case BlockAborted: return "MCLR dropped";
    case BlockOutside: return "address outside memory";
    case BlockWrenClear: return "WR with WREN clear";
    case BlockNotNop: return "start programming not followed by a NOP";
    case BlockEraseCode: return "unknown bulk-erase code";
    case BlockNotModelled: return "not modelled";
    default: return "?";
    }
}

} // namespace

const ChipInfo& chipInfo(ChipType type) { return kChips[static_cast<unsigned>(type)]; }
const char* chipName(ChipType type) { return chipInfo(type).name; }

const std::array<uint8_t, kConfigBytes>& configImplementedMask(bool fxx2) { return fxx2 ? kMaskFxx2 : kMask2xxx; }
const std::array<uint8_t, kConfigBytes>& configEraseDefault(bool fxx2) { return fxx2 ? kErasedFxx2 : kErased2xxx; }

const char* violationName(ViolationKind kind)
{
    switch (kind) {
    case ViolationKind::EntryHold: return "entry hold";
    case ViolationKind::EntryLines: return "entry lines";
    case ViolationKind::ProgramHold: return "P9 programming hold";
    case ViolationKind::ProgramLowTime: return "P10 low time";
    case ViolationKind::ProgramNotStarted: return "programming not started";
    case ViolationKind::BulkEraseTime: return "P11 bulk-erase time";
    case ViolationKind::RowEraseTime: return "row-erase time";
    case ViolationKind::EraseCode: return "erase code";
    case ViolationKind::AbortedByMclr: return "aborted by MCLR";
    case ViolationKind::WriteProtected: return "write protected";
    case ViolationKind::ConfigLocked: return "configuration locked";
    case ViolationKind::Contention: return "PGD contention";
    case ViolationKind::UnknownCommand: return "undefined command";
    case ViolationKind::UnknownInstruction: return "core instruction not modelled";
    case ViolationKind::LoaderMissedBit: return "loader missed a bit";
    }
    return "?";
}

Pic18::Pic18(ChipType type, Clock& clock)
    : type_(type), info_(chipInfo(type)), clock_(clock), flash_(info_.flashBytes, 0xFF),
      eeprom_(info_.eepromBytes, 0xFF), log_(kLogCapacity)
{
    id_.fill(0xFF);
    config_ = configEraseDefault(info_.fxx2);
    resetHolding();
}

void Pic18::setConfig(unsigned index, uint8_t value)
{
    if (index < kConfigBytes)
        config_[index] = value & configImplementedMask(info_.fxx2)[index];
}

uint8_t Pic18::devid1() const { return info_.devid1Fixed | (revision_ & info_.revisionMask); }

void Pic18::eraseAll()
{
    std::fill(flash_.begin(), flash_.end(), 0xFF);
    std::fill(eeprom_.begin(), eeprom_.end(), 0xFF);
    id_.fill(0xFF);
    config_ = configEraseDefault(info_.fxx2);
}

bool Pic18::codeProtected(uint32_t a) const
{
    if (a >= info_.flashBytes)
        return false;
    if (a < info_.bootBlockEnd)
        return (config_[9] & 0x40) == 0;  // CPB
    unsigned block = info_.flashBytes > 0x8000 ? a >> 14 : a >> 13;
    return (config_[8] & (1u << block)) == 0;  // CP0..CP3
}

bool Pic18::writeProtected(uint32_t a) const
{
    if (a >= kIdBase && a < kIdBase + kIdBytes)
        return false;
    if (a >= info_.flashBytes)
        return false;
    if (a < info_.bootBlockEnd)
        return (config_[11] & 0x40) == 0;  // WRTB
    unsigned block = info_.flashBytes > 0x8000 ? a >> 14 : a >> 13;
    return (config_[10] & (1u << block)) == 0;  // WRT0..WRT3
}

bool Pic18::configLocked() const { return (config_[11] & 0x20) == 0; }

uint8_t Pic18::readRaw(uint32_t a) const
{
    if (a < info_.flashBytes)
        return flash_[a];
    if (a >= kIdBase && a < kIdBase + kIdBytes)
        return id_[a - kIdBase];
    if (a >= kConfigBase && a < kConfigBase + kConfigBytes)
        return config_[a - kConfigBase];
    if (a == kDevid1Addr)
        return devid1();
    if (a == kDevid2Addr)
        return devid2();
    return 0x00;  // unimplemented space reads 0
}

uint8_t Pic18::readByte(uint32_t a) const { return codeProtected(a) ? 0x00 : readRaw(a); }

const TxRecord& Pic18::logAt(size_t i) const
{
    uint64_t oldest = logCount_ > kLogCapacity ? logCount_ - kLogCapacity : 0;
    return log_[(oldest + i) % kLogCapacity];
}

void Pic18::clearLog()
{
    logCount_ = 0;
    counts_ = TxCounts{};
}

void Pic18::log(uint64_t t, TxKind kind, uint32_t address, uint8_t value, uint8_t index)
{
    TxRecord& r = log_[logCount_ % kLogCapacity];
    r.timeNs = t;
    r.address = address;
    r.operand = operand_;
    r.command = command_;
    r.kind = kind;
    r.value = value;
    r.index = index;
    ++logCount_;
}

void Pic18::blocked(uint64_t t, uint32_t address, uint8_t reason) { log(t, TxKind::Blocked, address, 0, reason); }

void Pic18::violation(uint64_t t, ViolationKind kind, std::string detail)
{
    violations_.push_back(Violation{t, kind, std::move(detail)});
}

void Pic18::reading(const char* text)
{
    for (const auto& r : readings_)
        if (r == text)
            return;
    readings_.emplace_back(text);
}

size_t Pic18::violationCount(ViolationKind kind) const
{
    return static_cast<size_t>(
        std::count_if(violations_.begin(), violations_.end(), [kind](const Violation& v) { return v.kind == kind; }));
}

std::string Pic18::describe(const TxRecord& r)
{
    char buf[160];
    switch (r.kind) {
    case TxKind::Core:
        std::snprintf(buf, sizeof buf, "core 0x%04X %s", r.operand, coreMnemonic(r.operand));
        break;
    case TxKind::CoreUnknown:
        std::snprintf(buf, sizeof buf, "core 0x%04X (not modelled)", r.operand);
        break;
    case TxKind::TableRead:
        std::snprintf(buf, sizeof buf, "read 0x%06X = 0x%02X", r.address, r.value);
        break;
    case TxKind::ShiftOutTablat:
        std::snprintf(buf, sizeof buf, "shift out TABLAT = 0x%02X", r.value);
        break;
    case TxKind::TableWrite:
        std::snprintf(buf, sizeof buf, "table write 0x%04X -> holding[%u] (TBLPTR 0x%06X)", r.operand, r.index,
                      r.address);
        break;
    case TxKind::RegisterWrite:
        std::snprintf(buf, sizeof buf, "%s 0x%06X = 0x%02X", r.address >= kEraseReg4 ? "register" : "config latch",
                      r.address, r.value);
        break;
    case TxKind::ProgramRow:
        std::snprintf(buf, sizeof buf, "program row 0x%06X", r.address);
        break;
    case TxKind::ProgramId:
        std::snprintf(buf, sizeof buf, "program ID locations 0x%06X", r.address);
        break;
    case TxKind::ProgramConfig:
        std::snprintf(buf, sizeof buf, "program config 0x%06X = 0x%02X", r.address, r.value);
        break;
    case TxKind::RowErase:
        std::snprintf(buf, sizeof buf, "erase row 0x%06X", r.address);
        break;
    case TxKind::BulkErase:
        std::snprintf(buf, sizeof buf, "bulk erase code 0x%04X", r.address);
        break;
    case TxKind::Blocked:
        std::snprintf(buf, sizeof buf, "refused at 0x%06X: %s", r.address, blockReasonText(r.index));
        break;
    case TxKind::Unknown:
        std::snprintf(buf, sizeof buf, "undefined command %X operand 0x%04X", r.command, r.operand);
        break;
    case TxKind::Enter:
        std::snprintf(buf, sizeof buf, "enter programming mode");
        break;
    case TxKind::Leave:
        std::snprintf(buf, sizeof buf, "leave programming mode");
        break;
    }
    return buf;
}

std::string Pic18::logText() const
{
    std::string out;
    char head[48];
    for (size_t i = 0, n = logSize(); i < n; ++i) {
        const TxRecord& r = logAt(i);
        std::snprintf(head, sizeof head, "%12.6f ms  ", static_cast<double>(r.timeNs) / 1e6);
        out += head;
        out += describe(r);
        out += '\n';
    }
    for (const auto& v : violations_) {
        std::snprintf(head, sizeof head, "%12.6f ms  ", static_cast<double>(v.timeNs) / 1e6);
        out += head;
        out += "VIOLATION ";
        out += violationName(v.kind);
        out += ": ";
        out += v.detail;
        out += '\n';
    }
    return out;
}

bool Pic18::writeLog(const std::string& path) const
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    std::string text = logText();
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

void Pic18::resetHolding()
{
    for (auto& h : holding_)
        h.fill(0xFF);
}

// ---------------------------------------------------------------- pins

void Pic18::onPins(uint64_t t, bool vpp, bool pgc, bool pgdLine, bool hostPullsLow)
{
    if (vpp != lastVpp_) {
        lastVpp_ = vpp;
        if (vpp)
            enter(t, pgc, pgdLine);
        else
            leave(t);
    }
    if (!progMode_) {
        lastPgc_ = pgc;
        return;
    }
    if (pgc != lastPgc_) {
        lastPgc_ = pgc;
        if (!sawFirstEdge_) {
            if (t - entryTime_ < timing_.entryHold) {
                char d[80];
                std::snprintf(d, sizeof d, "PGC edge %llu ns after MCLR rose (ignored)",
                              static_cast<unsigned long long>(t - entryTime_));
                violation(t, ViolationKind::EntryHold, d);
                return;
            }
            sawFirstEdge_ = true;
        }
        if (pgc)
            risingEdge(t);
        else
            fallingEdge(t, pgdLine);
    }
    if (outTrailing_ && hostPullsLow) {
        // The last bit is held after the 16th falling edge until the host
        // takes PGD back or clocks on.
        outTrailing_ = false;
        outEnable_ = false;
    }
    if (outEnable_ && !outTrailing_ && outLevel_ && hostPullsLow) {
        if (!contentionNoted_) {
            contentionNoted_ = true;
            violation(t, ViolationKind::Contention, "chip drives PGD high while the adapter pulls it low");
        }
    } else {
        contentionNoted_ = false;
    }
}

void Pic18::enter(uint64_t t, bool pgc, bool pgdLine)
{
    progMode_ = true;
    entryTime_ = t;
    sawFirstEdge_ = false;
    tblptr_ = 0;
    tablat_ = 0;
    wreg_ = 0;
    eecon1_ = 0;
    unlock55_ = unlockAA_ = false;
    multiPanel_ = false;
    eraseReg4_ = eraseReg5_ = 0;
    resetHolding();
    phase_ = Phase::Command;
    bitCount_ = 0;
    command_ = 0;
    operand_ = 0;
    reading_ = false;
    outEnable_ = false;
    outTrailing_ = false;
    programPending_ = false;
    checkP10_ = false;
    bulkPending_ = false;
    rowPending_ = false;
    riseTime_ = fallTime_ = t;
    log(t, TxKind::Enter, 0, 0);
    if (pgc || pgdLine)
        violation(t, ViolationKind::EntryLines,
                  std::string("MCLR rose with ") + (pgc ? "PGC high" : "") + (pgc && pgdLine ? " and " : "") +
                      (pgdLine ? "PGD high" : ""));
}

void Pic18::leave(uint64_t t)
{
    if (!progMode_)
        return;
    if (programPending_) {
        violation(t, ViolationKind::AbortedByMclr, "start programming abandoned");
        blocked(t, programAddress_, BlockAborted);
        programPending_ = false;
    }
    if (bulkPending_) {
        if (t - bulkStart_ >= timing_.bulkErase) {
            completeBulkErase(bulkStart_ + timing_.bulkErase);
        } else {
            violation(t, ViolationKind::BulkEraseTime, "MCLR dropped during bulk erase");
            blocked(t, bulkCode_, BlockAborted);
            bulkPending_ = false;
        }
    }
    if (rowPending_) {
        if (t - rowStart_ >= timing_.rowEraseSelfTimed)
            resolveRowErase(t, false);
        else {
            violation(t, ViolationKind::RowEraseTime, "MCLR dropped during row erase");
            blocked(t, rowAddress_, BlockAborted);
            rowPending_ = false;
        }
    }
    progMode_ = false;
    outEnable_ = false;
    outTrailing_ = false;
    log(t, TxKind::Leave, 0, 0);
}

void Pic18::checkPendingErase(uint64_t t, bool operandEdge)
{
    if (bulkPending_) {
        if (t - bulkStart_ >= timing_.bulkErase) {
            completeBulkErase(bulkStart_ + timing_.bulkErase);
        } else if (operandEdge && bulkCommandsSince_ >= 2) {
            char d[96];
            std::snprintf(d, sizeof d, "operand clocked %llu us after the erase code (needs %llu us)",
                          static_cast<unsigned long long>((t - bulkStart_) / 1000),
                          static_cast<unsigned long long>(timing_.bulkErase / 1000));
            violation(t, ViolationKind::BulkEraseTime, d);
            blocked(t, bulkCode_, BlockEraseTime);
            bulkPending_ = false;
        }
    }
    if (rowPending_ && t - rowStart_ >= timing_.rowEraseSelfTimed)
        resolveRowErase(t, false);
}

void Pic18::risingEdge(uint64_t t)
{
    riseTime_ = t;
    if (outTrailing_) {
        outTrailing_ = false;
        outEnable_ = false;
    }
    if (checkP10_) {
        checkP10_ = false;
        uint64_t low = t - fallTime_;
        uint64_t need = info_.fxx2 ? timing_.programLowFxx2 : timing_.programLow2xxx;
        if (low < need) {
            char d[96];
            std::snprintf(d, sizeof d, "PGC low %llu ns after the programming hold (needs %llu ns)",
                          static_cast<unsigned long long>(low), static_cast<unsigned long long>(need));
            violation(t, ViolationKind::ProgramLowTime, d);
        }
    }
    checkPendingErase(t, phase_ == Phase::Operand);
    if (phase_ == Phase::Operand && reading_ && bitCount_ >= 8 && bitCount_ < 16) {
        // The chip shifts its byte out on operand clocks 9..16: each bit is
        // put on PGD at the rising edge and held until the next one.
        outEnable_ = true;
        outLevel_ = ((readValue_ >> (bitCount_ - 8)) & 1) != 0;
    }
}

void Pic18::fallingEdge(uint64_t t, bool pgd)
{
    fallTime_ = t;
    if (phase_ == Phase::Command) {
        command_ |= static_cast<uint8_t>((pgd ? 1u : 0u) << bitCount_);
        if (++bitCount_ == 4)
            commandComplete(t);
        return;
    }
    operand_ |= static_cast<uint16_t>((pgd ? 1u : 0u) << bitCount_);
    ++bitCount_;
    if (reading_ && bitCount_ == 8)
        startReadOperand(t);
    if (bitCount_ == 16) {
        if (reading_)
            outTrailing_ = true;  // released after the 16th falling edge
        operandComplete(t);
        phase_ = Phase::Command;
        bitCount_ = 0;
        command_ = 0;
        operand_ = 0;
        reading_ = false;
    }
}

void Pic18::commandComplete(uint64_t t)
{
    uint64_t hold = t - riseTime_;  // PGC high time of the 4th clock
    if (programPending_) {
        if (command_ == 0x0) {
            programStep(t, hold);
            checkP10_ = true;
        } else {
            programPending_ = false;
            violation(t, ViolationKind::ProgramNotStarted, "start-programming write followed by a non-NOP command");
            blocked(t, programAddress_, BlockNotNop);
        }
    }
    if (rowPending_) {
        if (command_ == 0x0 && hold >= timing_.programHold) {
            resolveRowErase(t, true);
            checkP10_ = true;
        } else if (isWriteCommand(command_)) {
            violation(t, ViolationKind::RowEraseTime, "table write during row erase");
            blocked(t, rowAddress_, BlockEraseTime);
            rowPending_ = false;
        }
    }
    if (bulkPending_ && bulkCommandsSince_ < 255)
        ++bulkCommandsSince_;
    phase_ = Phase::Operand;
    bitCount_ = 0;
    operand_ = 0;
    reading_ = isReadCommand(command_);
}

void Pic18::startReadOperand(uint64_t t)
{
    uint32_t a = tblptr_;
    auto step = [this](int d) {
        uint32_t n = (tblptr_ + static_cast<uint32_t>(d)) & 0x3FFFFF;
        // On the 64 KB chip the pointer wraps from FFFFh to 0.
        if (info_.flashBytes == 0x10000 && tblptr_ <= 0xFFFF && n > 0xFFFF && d > 0)
            n &= 0xFFFF;
        tblptr_ = n;
    };
    switch (command_) {
    case 0x2:
        readValue_ = tablat_;
        log(t, TxKind::ShiftOutTablat, a, readValue_);
        ++counts_.reads;
        return;
    case 0x8: break;
    case 0x9: step(1); break;
    case 0xA: step(-1); break;
    case 0xB:
        step(1);
        a = tblptr_;
        break;
    default: return;
    }
    readValue_ = readByte(a);
    tablat_ = readValue_;
    log(t, TxKind::TableRead, a, readValue_);
    ++counts_.reads;
}

void Pic18::operandComplete(uint64_t t)
{
    ++counts_.transactions;
    switch (command_) {
    case 0x0:
        executeCore(t, operand_);
        break;
    case 0x2:
    case 0x8:
    case 0x9:
    case 0xA:
    case 0xB:
        break;  // done during the operand
    case 0xC:
    case 0xD:
    case 0xE:
    case 0xF:
        tableWrite(t, command_, operand_);
        break;
    default:
        log(t, TxKind::Unknown, tblptr_, 0);
        char d[48];
        std::snprintf(d, sizeof d, "command %X", command_);
        violation(t, ViolationKind::UnknownCommand, d);
        break;
    }
}

void Pic18::executeCore(uint64_t t, uint16_t in)
{
    ++counts_.core;
    const uint8_t f = in & 0xFF;
    const bool access = (in & 0x0100) == 0;
    auto known = [&] { log(t, TxKind::Core, tblptr_, 0); };
    auto unknown = [&] {
        log(t, TxKind::CoreUnknown, tblptr_, 0);
        char d[48];
        std::snprintf(d, sizeof d, "0x%04X", in);
        violation(t, ViolationKind::UnknownInstruction, d);
    };
    if (in == 0x0000 || (in & 0xF000) == 0xF000) {  // NOP (and the second word of two-word instructions)
        known();
        return;
    }
    if ((in & 0xFF00) == 0x0E00) {  // MOVLW
        wreg_ = f;
        known();
        return;
    }
    if ((in & 0xFE00) == 0x6E00 && access) {  // MOVWF f
        switch (f) {
        case 0xF5: tablat_ = wreg_; break;
        case 0xF6: tblptr_ = (tblptr_ & 0x3FFF00) | wreg_; break;
        case 0xF7: tblptr_ = (tblptr_ & 0x3F00FF) | (uint32_t(wreg_) << 8); break;
        case 0xF8: tblptr_ = (tblptr_ & 0x00FFFF) | (uint32_t(wreg_ & 0x3F) << 16); break;
        case 0xA7:
            // EECON2 unlock: 55h then AAh.
            unlockAA_ = unlock55_ && wreg_ == 0xAA;
            unlock55_ = wreg_ == 0x55;
            eecon2Last_ = wreg_;
            break;
        case 0xA6: eecon1_ = wreg_ & ~kWr; break;
        default: unknown(); return;
        }
        known();
        return;
    }
    if ((in & 0xFC00) == 0x2800 && access && (in & 0x0200)) {  // INCF f,F
        switch (f) {
        case 0xF6: tblptr_ = (tblptr_ & 0x3FFF00) | ((tblptr_ + 1) & 0xFF); break;
        case 0xF7: tblptr_ = (tblptr_ & 0x3F00FF) | (((tblptr_ >> 8) + 1) & 0xFF) << 8; break;
        case 0xF8: tblptr_ = (tblptr_ & 0x00FFFF) | ((((tblptr_ >> 16) + 1) & 0x3F) << 16); break;
        default: unknown(); return;
        }
        known();
        return;
    }
    if (((in & 0xF000) == 0x8000 || (in & 0xF000) == 0x9000) && access && f == 0xA6) {  // BSF/BCF EECON1
        const uint8_t bit = static_cast<uint8_t>(1u << ((in >> 9) & 7));
        const bool set = (in & 0xF000) == 0x8000;
        known();
        if (bit == kWr) {
            if (!set)
                return;
            const bool unlocked = unlockAA_;
            unlock55_ = unlockAA_ = false;
            if (!(eecon1_ & kWren)) {
                blocked(t, tblptr_, BlockWrenClear);
                return;
            }
            if ((eecon1_ & kFree) && (eecon1_ & kEepgd) && !(eecon1_ & kCfgs)) {
                if (info_.fxx2)
                    reading(unlocked ? "FXX2 row erase with 55h/AAh unlock" : "FXX2 row erase without unlock");
                else
                    reading(unlocked ? "2XXX row erase with 55h/AAh unlock" : "2XXX row erase without unlock");
                if (rowPending_) {
                    violation(t, ViolationKind::RowEraseTime, "WR during row erase");
                    blocked(t, rowAddress_, BlockEraseTime);
                }
                rowPending_ = true;
                rowStart_ = t;
                rowAddress_ = tblptr_ & ~uint32_t(info_.eraseRowBytes - 1);
                return;
            }
            blocked(t, tblptr_, BlockNotModelled);
            return;
        }
        if (set)
            eecon1_ |= bit;
        else
            eecon1_ &= static_cast<uint8_t>(~bit);
        return;
    }
    unknown();
}

void Pic18::tableWrite(uint64_t t, uint8_t cmd, uint16_t operand)
{
    ++counts_.tableWrites;
    const uint32_t a = tblptr_;
    const uint8_t lo = operand & 0xFF, hi = operand >> 8;
    const uint8_t own = (a & 1) ? hi : lo;  // single-byte targets: even address low byte, odd high byte

    if (a >= kEraseReg4 && a <= kPanelReg) {
        log(t, TxKind::RegisterWrite, a, own);
        if (a == kPanelReg) {
            if (info_.fxx2) {
                multiPanel_ = (own & 0x40) != 0;
                reading(multiPanel_ ? "FXX2 multi-panel writes selected" : "FXX2 single-panel writes selected");
            }
        } else if (a == kEraseReg5) {
            eraseReg5_ = own;
        } else {
            eraseReg4_ = own;
            // FXX2 takes its code from 3C0004h alone. The 2XXX code lives in
            // 3C0005h:3C0004h; the chip documents write the two registers one
            // after the other, while a whole word written at 3C0004h also
            // carries the high byte. Both forms are taken.
            uint16_t code = info_.fxx2 ? eraseReg4_ : static_cast<uint16_t>(eraseReg5_ << 8 | eraseReg4_);
            const uint16_t word = operand;
            auto isChipErase = [](uint16_t c) { return c == 0x3F8F || c == 0x0F87; };
            bool chipErase = false;
            if (info_.fxx2) {
                chipErase = code == 0x80;
            } else if (isChipErase(code)) {
                chipErase = true;
                reading(code == 0x3F8F ? "2XXX chip-erase code 3F8Fh in 3C0005h:3C0004h"
                                       : "2XXX chip-erase code 0F87h in 3C0005h:3C0004h");
            } else if (isChipErase(word)) {
                chipErase = true;
                code = word;
                eraseReg5_ = hi;
                reading(code == 0x3F8F ? "2XXX chip-erase code 3F8Fh as one word at 3C0004h"
                                       : "2XXX chip-erase code 0F87h as one word at 3C0004h");
            }
            if (chipErase) {
                bulkPending_ = true;
                bulkStart_ = t;
                bulkCommandsSince_ = 0;
                bulkCode_ = code;
            } else {
                char d[48];
                std::snprintf(d, sizeof d, "code 0x%04X", code);
                violation(t, ViolationKind::EraseCode, d);
                blocked(t, code, BlockEraseCode);
            }
        }
        return;
    }

    const bool startsProgramming = cmd == 0xF || (cmd == 0xE && !info_.fxx2);
    if (eecon1_ & kCfgs) {
        if (a >= kConfigBase && a < kConfigBase + kConfigBytes) {
            log(t, TxKind::RegisterWrite, a, own);
            if (startsProgramming) {
                programPending_ = true;
                programConfig_ = true;
                programAddress_ = a;
                programConfigValue_ = own;
            }
        } else {
            blocked(t, a, BlockNotFlashAccess);
        }
        if (cmd == 0xD || cmd == 0xE)
            tblptr_ = (tblptr_ + 2) & 0x3FFFFF;
        return;
    }

    // Program memory and ID locations through the holding registers.
    uint32_t first = a;
    if (cmd == 0xC || cmd == 0xF)
        first = a & ~uint32_t(1);  // pointer unchanged: the word holding TBLPTR
    const uint32_t m = info_.bufferBytes - 1u;
    const unsigned panel = (info_.fxx2 && multiPanel_) ? (first >> 13) & 3 : 0;
    holding_[panel][first & m] = lo;
    holding_[panel][(first + 1) & m] = hi;
    log(t, TxKind::TableWrite, a, lo, static_cast<uint8_t>(first & m));

    if (cmd == 0xD || (cmd == 0xE && !info_.fxx2)) {
        uint32_t n = (tblptr_ + 2) & 0x3FFFFF;
        if (info_.flashBytes == 0x10000 && tblptr_ <= 0xFFFF && n > 0xFFFF)
            n &= 0xFFFF;
        tblptr_ = n;
    } else if (cmd == 0xE) {
        reading("FXX2 command 1110 taken as table write with post-decrement by 2");
        tblptr_ = (tblptr_ - 2) & 0x3FFFFF;
    }
    if (startsProgramming) {
        if (!(eecon1_ & kEepgd)) {
            blocked(t, a, BlockNotFlashAccess);
            return;
        }
        if (cmd == 0xE)
            reading("2XXX command 1110 programs the block of the word it wrote");
        programPending_ = true;
        programConfig_ = false;
        programAddress_ = a;
    }
}

void Pic18::programStep(uint64_t t, uint64_t hold)
{
    programPending_ = false;
    if (hold < timing_.programHold) {
        char d[96];
        std::snprintf(d, sizeof d, "PGC high %llu us on the 4th clock at 0x%06X (needs %llu us)",
                      static_cast<unsigned long long>(hold / 1000), programAddress_,
                      static_cast<unsigned long long>(timing_.programHold / 1000));
        violation(t, ViolationKind::ProgramHold, d);
        blocked(t, programAddress_, BlockHoldShort);
        resetHolding();
        return;
    }
    if (programConfig_) {
        programConfigByte(t, programAddress_, programConfigValue_);
        return;
    }
    const uint32_t a = programAddress_;
    if (a >= kIdBase && a < kIdBase + kIdBytes) {
        const uint32_t m = info_.bufferBytes - 1u;
        for (uint32_t i = 0; i < kIdBytes; ++i)
            id_[i] &= holding_[0][(kIdBase + i) & m];
        log(t, TxKind::ProgramId, kIdBase, 0);
        ++counts_.programs;
    } else if (a < info_.flashBytes) {
        const uint32_t size = info_.bufferBytes;
        const bool panels = info_.fxx2 && multiPanel_;
        for (unsigned p = 0; p < (panels ? 4u : 1u); ++p) {
            uint32_t base = a & ~(size - 1);
            if (panels)
                base = p * 0x2000u + (a & 0x1FFFu & ~(size - 1));
            if (writeProtected(base)) {
                char d[64];
                std::snprintf(d, sizeof d, "program row 0x%06X", base);
                violation(t, ViolationKind::WriteProtected, d);
                blocked(t, base, BlockWriteProtected);
                continue;
            }
            for (uint32_t i = 0; i < size; ++i)
                flash_[base + i] &= holding_[panels ? p : 0][i];
            log(t, TxKind::ProgramRow, base, 0);
            ++counts_.programs;
        }
    } else {
        blocked(t, a, BlockOutside);
    }
    resetHolding();
}

void Pic18::programConfigByte(uint64_t t, uint32_t address, uint8_t value)
{
    const unsigned i = address - kConfigBase;
    if (configLocked()) {
        char d[64];
        std::snprintf(d, sizeof d, "config 0x%06X with WRTC = 0", address);
        violation(t, ViolationKind::ConfigLocked, d);
        blocked(t, address, BlockConfigLocked);
        return;
    }
    const uint8_t mask = configImplementedMask(info_.fxx2)[i];
    const uint8_t old = config_[i];
    uint8_t now;
    if (i >= kFirstProtectionByte)
        now = old & value & mask;  // protection bits only go from 1 to 0
    else
        now = value & mask;
    config_[i] = now;
    log(t, TxKind::ProgramConfig, address, now);
    ++counts_.programs;
}

void Pic18::resolveRowErase(uint64_t t, bool heldNop)
{
    rowPending_ = false;
    reading(heldNop ? "row erase timed by a held NOP" : "row erase self-timed (no held NOP)");
    eraseRow(t, rowAddress_);
}

void Pic18::eraseRow(uint64_t t, uint32_t a)
{
    if (a >= info_.flashBytes) {
        blocked(t, a, BlockOutside);
        return;
    }
    if (writeProtected(a)) {
        char d[64];
        std::snprintf(d, sizeof d, "erase row 0x%06X", a);
        violation(t, ViolationKind::WriteProtected, d);
        blocked(t, a, BlockWriteProtected);
        return;
    }
    std::fill_n(flash_.begin() + a, info_.eraseRowBytes, 0xFF);
    log(t, TxKind::RowErase, a, 0);
    ++counts_.erases;
}

void Pic18::completeBulkErase(uint64_t t)
{
    bulkPending_ = false;
    eraseAll();
    log(t, TxKind::BulkErase, bulkCode_, 0);
    ++counts_.erases;
}

} // namespace korv::sim
