// The module's resident boot loader, as the firmware behaves on the ICSP
// pins while the chip runs (MCLR not at the programming voltage).
//
//  - A reset (MCLR leaving VPP) with PGC and PGD low starts the loader; any
//    other reset runs the application, which leaves PGD alone.
//  - Bytes arrive on PGC, least significant bit first, PGD sampled on the
//    rising edge; PGC idles low between bits.
//  - After the eight preamble bytes 55h..5Ch, once the programmer releases
//    both lines (PGC high, PGD high), the loader pulls PGD low: ready.
//  - The programmer's falling PGC ends the ready signal; then a block of
//    64 bytes (2XXX) or 8 bytes (FXX2) follows, for program memory from
//    2 x boot-area words upward. The loader undoes the transfer scrambling
//    (rotating XOR key "trebolux", blank groups of four bytes sent plain),
//    programs the block and, once the lines are released and the block is
//    done, pulls PGD low again.
//  - After the block that ends program memory it stores the 8-bit sums of
//    the unscrambled even and odd bytes at 200000h and 200001h.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korv::sim {

class Pic18;

enum class LoaderPresence : uint8_t {
    Auto,     // present on PIC18F4620/452 whenever the boot area is not blank
    Present,  // present on any chip
    Absent,   // the module holds no loader
};

struct LoaderFaults {
    LoaderPresence presence = LoaderPresence::Auto;
    bool neverReady = false;                  // takes the preamble, never answers
    int32_t stopAfterBlock = -1;              // no ready after this many blocks (-1: none)
    bool wrongChecksum = false;               // stores sums off by one
    uint64_t blockTimeNs = 0;                 // 0 = default for the chip
    uint64_t minPulseNs = 500;                // shorter PGC high pulses are missed
};

enum class LoaderState : uint8_t {
    Off,         // chip in programming mode or application running
    Preamble,    // receiving, looking for the preamble
    HandOver,    // preamble seen, waiting for the lines to be released
    Ready,       // pulling PGD low (or about to, once the block is done)
    Receiving,   // taking a block
    Done,        // all blocks taken, checksum stored
};
const char* loaderStateName(LoaderState state);

struct LoaderEvent {
    uint64_t timeNs;
    enum Kind : uint8_t { Start, Application, PreambleOk, ReadySignal, Block, Checksum, MissedBit } kind;
    uint32_t value;
};

class BootLoaderModel {
public:
    explicit BootLoaderModel(Pic18& chip);

    LoaderFaults& faults() { return faults_; }
    LoaderState state() const { return state_; }
    bool installed() const;   // a loader would start on the next reset
    uint32_t blocksTaken() const { return blocks_; }
    uint32_t nextAddress() const { return address_; }
    uint64_t bytesReceived() const { return bytesTotal_; }
    uint32_t starts() const { return starts_; }
    const std::array<uint8_t, 8>& lastBytes() const { return window_; }
    uint8_t evenSum() const { return evenSum_; }
    uint8_t oddSum() const { return oddSum_; }
    // The first kMaxEvents events of the run; missedBits() counts them all.
    static constexpr size_t kMaxEvents = size_t(1) << 16;
    const std::vector<LoaderEvent>& events() const { return events_; }
    uint64_t missedBits() const { return missedBits_; }
    std::string eventText() const;

    uint32_t firstAddress() const;
    uint32_t endAddress() const;
    uint32_t blockBytes() const;
    uint64_t blockTimeNs() const;

    // --- pins (called by the bus) ---
    void onPins(uint64_t t, bool vpp, bool pgc, bool pgdLine);
    bool pullsPgdLow(uint64_t t) const { return readyDrive_ && t >= readyAt_; }
    // Time at which the ready drive begins (for the trace), or UINT64_MAX.
    uint64_t readyAt() const { return readyDrive_ ? readyAt_ : UINT64_MAX; }

private:
    void reset(uint64_t t, bool pgc, bool pgdLine);
    void bit(uint64_t t, bool value);
    void byte(uint64_t t, uint8_t b);
    void blockComplete(uint64_t t);
    void event(uint64_t t, LoaderEvent::Kind kind, uint32_t value);

    Pic18& chip_;
    LoaderFaults faults_;
    LoaderState state_ = LoaderState::Off;
    bool lastVpp_ = false;
    bool lastPgc_ = false;
    uint64_t riseAt_ = 0;
    bool riseBit_ = false;
    uint8_t shift_ = 0;
    uint8_t bitCount_ = 0;
    std::array<uint8_t, 8> window_{};
    uint32_t windowFill_ = 0;

    bool readyDrive_ = false;
    uint64_t readyAt_ = 0;
    uint64_t busyUntil_ = 0;
    bool finished_ = false;

    std::array<uint8_t, 8> key_{};
    std::array<uint8_t, 64> block_{};
    uint32_t blockFill_ = 0;
    uint32_t address_ = 0;
    uint32_t blocks_ = 0;
    uint64_t bytesTotal_ = 0;
    uint32_t starts_ = 0;
    uint8_t evenSum_ = 0;
    uint8_t oddSum_ = 0;
    std::vector<LoaderEvent> events_;
    uint64_t missedBits_ = 0;
};

} // namespace korv::sim
