// Test-side drivers that wiggle the bench's pins the way the chips'
// programming documents describe: a line-level wire over either adapter and
// a small ICSP sequencer on top of it. Written from the chip and adapter
// behaviour, independent of the program's own hardware layers.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "sim/Station.h"

namespace benchtest {

using namespace korv::sim;

constexpr uint64_t us = 1000;
constexpr uint64_t ms = 1000 * 1000;

class Wire {
public:
    virtual ~Wire() = default;
    virtual void pgc(bool high) = 0;
    // bit = 1 releases PGD (pulled up), 0 pulls it low.
    virtual void data(bool bit) = 0;
    virtual void vpp(bool on) = 0;
    virtual void wait(uint64_t ns) = 0;
    // Sample PGD now (on USB: at this point of the queued stream).
    virtual void mark() = 0;
    // The samples taken since the last call, in order.
    virtual std::vector<bool> marks() = 0;
    virtual const char* name() const = 0;
    // Everything queued so far has reached the pins.
    virtual void sync() {}
};

// Kerdis: data register bit 0 pulls PGD low, bit 4 applies VPP, bit 3 is
// always set; control bit 0 is the PGC level; status bit 4 is NOT PGD.
class LptWire final : public Wire {
public:
    LptWire(Station& st, uint16_t base = 0x378) : st_(st), base_(base) {}
    void pgc(bool high) override { st_.port().PortWrite(base_ + 2, high ? 0x01 : 0x00); }
    void data(bool bit) override
    {
        data_ = bit ? (data_ & ~0x01) : (data_ | 0x01);
        st_.port().PortWrite(base_, data_);
    }
    void vpp(bool on) override
    {
        data_ = on ? (data_ | 0x10) : (data_ & ~0x10);
        st_.port().PortWrite(base_, data_);
    }
    void wait(uint64_t ns) override { st_.clock().advance(ns); }
    void mark() override { samples_.push_back((st_.port().PortRead(base_ + 1) & 0x10) == 0); }
    std::vector<bool> marks() override
    {
        std::vector<bool> out;
        out.swap(samples_);
        return out;
    }
    const char* name() const override { return "Kerdis"; }
    uint8_t dataShadow() const { return data_; }

private:
    Station& st_;
    uint16_t base_;
    uint8_t data_ = 0x08;
    std::vector<bool> samples_;
};

// Vantrel: pin byte bit 2 = NOT PGC, bit 5 VPP, bit 6 pulls PGD low, bit 7
// the read marker; bit 3 reads PGD. Bytes are queued and exchanged in one
// write + read when a wait or the samples need it.
class UsbWire final : public Wire {
public:
    explicit UsbWire(Station& st) : st_(st)
    {
        auto& d = st_.d2xx();
        ok_ = d.FT_OpenEx(const_cast<char*>("Vantrel"), korv::FT_OPEN_BY_DESCRIPTION, &h_) == korv::FT_OK &&
              d.FT_SetBitMode(h_, 0xF7, korv::FT_BITMODE_SYNC_BITBANG) == korv::FT_OK &&
              d.FT_SetLatencyTimer(h_, 1) == korv::FT_OK && d.FT_SetTimeouts(h_, 5000, 5000) == korv::FT_OK &&
              d.FT_SetBaudRate(h_, 153600) == korv::FT_OK;
        pins_ = 0x04 | 0x10;  // PGC low, 5 V
        push();
        flush();
    }
    bool ok() const { return ok_; }
    void pgc(bool high) override
    {
        pins_ = high ? (pins_ & ~0x04) : (pins_ | 0x04);
        push();
    }
    void data(bool bit) override
    {
        pins_ = bit ? (pins_ & ~0x40) : (pins_ | 0x40);
        push();
    }
    void vpp(bool on) override
    {
        pins_ = on ? (pins_ | 0x20) : (pins_ & ~0x20);
        push();
    }
    // Short waits are idle bytes in the stream (the byte clock keeps the
    // time); long ones are an exchange and then time passing.
    void wait(uint64_t ns) override
    {
        const uint64_t slot = st_.vantrel().byteClockNs();
        if (ns < 1 * ms && slot) {
            for (uint64_t n = (ns + slot - 1) / slot; n > 0; --n)
                push();
            return;
        }
        flush();
        st_.clock().advance(ns);
    }
    void mark() override
    {
        queue_.push_back(pins_ | 0x80);
        push();
    }
    std::vector<bool> marks() override
    {
        flush();
        std::vector<bool> out;
        out.swap(samples_);
        return out;
    }
    const char* name() const override { return "Vantrel"; }
    void sync() override { flush(); }
    std::vector<uint8_t> lastCaptures;

    void flush()
    {
        if (queue_.empty())
            return;
        auto& d = st_.d2xx();
        uint32_t n = 0;
        d.FT_Write(h_, queue_.data(), static_cast<uint32_t>(queue_.size()), &n);
        lastCaptures.assign(n, 0);
        uint32_t got = 0;
        d.FT_Read(h_, lastCaptures.data(), n, &got);
        lastCaptures.resize(got);
        // A capture with the marker bit set shows the pins just after the
        // marked byte was applied (the capture runs one byte behind).
        for (uint8_t c : lastCaptures)
            if (c & 0x80)
                samples_.push_back((c & 0x08) != 0);
        queue_.clear();
    }

private:
    void push() { queue_.push_back(pins_); }
    Station& st_;
    korv::FT_HANDLE h_ = nullptr;
    bool ok_ = false;
    uint8_t pins_ = 0;
    std::vector<uint8_t> queue_;
    std::vector<bool> samples_;
};

// ICSP sequences: 4-bit command and 16-bit operand, LSB first, PGD latched
// by the chip on the falling edge of PGC.
class Icsp {
public:
    explicit Icsp(Wire& w) : w_(w) {}
    Wire& wire() { return w_; }

    void enter()
    {
        w_.pgc(false);
        w_.data(false);
        w_.wait(50 * us);
        w_.vpp(true);
        w_.wait(20 * us);
    }
    void leave()
    {
        w_.pgc(false);
        w_.data(false);
        w_.vpp(false);
        w_.wait(20 * us);
        w_.sync();
    }
    void bit(bool b)
    {
        w_.data(b);
        w_.pgc(true);
        w_.pgc(false);
    }
    void command(uint8_t c)
    {
        for (int i = 0; i < 4; ++i)
            bit((c >> i) & 1);
    }
    // Command with its 4th clock held high for holdNs, then low for lowNs.
    void commandHeld(uint8_t c, uint64_t holdNs, uint64_t lowNs)
    {
        for (int i = 0; i < 3; ++i)
            bit((c >> i) & 1);
        w_.data((c >> 3) & 1);
        w_.pgc(true);
        w_.wait(holdNs);
        w_.pgc(false);
        w_.wait(lowNs);
    }
    void operand(uint16_t v)
    {
        for (int i = 0; i < 16; ++i)
            bit((v >> i) & 1);
        w_.data(false);
    }
    void core(uint16_t instr)
    {
        command(0x0);
        operand(instr);
    }
    void setPtr(uint32_t a)
    {
        core(0x0E00 | (a & 0xFF));
        core(0x6EF6);
        core(0x0E00 | ((a >> 8) & 0xFF));
        core(0x6EF7);
        core(0x0E00 | ((a >> 16) & 0xFF));
        core(0x6EF8);
    }
    // A read command: 8 clocks from the host, then the chip's 8 bits, each
    // sampled after the falling edge.
    uint8_t read(uint8_t cmd = 0x9)
    {
        command(cmd);
        for (int i = 0; i < 8; ++i)
            bit(false);
        w_.data(true);
        for (int i = 0; i < 8; ++i) {
            w_.pgc(true);
            w_.pgc(false);
            w_.mark();
        }
        w_.data(false);
        auto m = w_.marks();
        uint8_t v = 0;
        for (size_t i = 0; i < 8 && i < m.size(); ++i)
            v |= static_cast<uint8_t>((m[m.size() - 8 + i] ? 1 : 0) << i);
        return v;
    }
    std::vector<uint8_t> readBlock(uint32_t a, size_t n)
    {
        setPtr(a);
        std::vector<uint8_t> out;
        for (size_t i = 0; i < n; ++i)
            out.push_back(read(0x9));
        return out;
    }
    void write(uint8_t cmd, uint16_t word)
    {
        command(cmd);
        operand(word);
    }
    void programNop(uint64_t holdNs = 1200 * us, uint64_t lowNs = 200 * us)
    {
        commandHeld(0x0, holdNs, lowNs);
        operand(0x0000);
    }
    void selectFlash()
    {
        core(0x8EA6);  // BSF EECON1, EEPGD
        core(0x9CA6);  // BCF EECON1, CFGS
    }
    void selectConfig()
    {
        core(0x8EA6);
        core(0x8CA6);  // BSF EECON1, CFGS
    }
    // n bytes from address a through the write buffer: 1101 for all words but
    // the last, 1111 for the last, then the held NOP.
    void writeBuffer(uint32_t a, const uint8_t* d, size_t n, uint64_t holdNs = 1200 * us)
    {
        setPtr(a);
        for (size_t i = 0; i + 2 < n; i += 2)
            write(0xD, static_cast<uint16_t>(d[i] | d[i + 1] << 8));
        write(0xF, static_cast<uint16_t>(d[n - 2] | d[n - 1] << 8));
        programNop(holdNs);
    }
    void programConfig(unsigned index, uint8_t value, uint64_t holdNs = 1200 * us)
    {
        const uint32_t a = 0x300000 + index;
        setPtr(a);
        write(0xF, (a & 1) ? static_cast<uint16_t>(value << 8) : value);
        programNop(holdNs);
    }
    // Erase code written to 3C0005h:3C0004h (FXX2: 3C0004h only), the NOP,
    // then a NOP whose operand waits for the erase with PGD low.
    void bulkErase(bool fxx2, uint16_t code, uint64_t waitNs = 6 * ms, bool oneWord = false)
    {
        if (oneWord) {
            setPtr(0x3C0004);
            write(0xC, code);
        } else if (!fxx2) {
            setPtr(0x3C0005);
            write(0xC, static_cast<uint16_t>((code >> 8) * 0x0101));
        }
        if (!oneWord) {
            setPtr(0x3C0004);
            write(0xC, static_cast<uint16_t>((code & 0xFF) * 0x0101));
        }
        core(0x0000);
        command(0x0);
        w_.data(false);
        w_.wait(waitNs);
        operand(0x0000);
    }

private:
    Wire& w_;
};

// Transfer scrambling as the boot loader expects it: rotating XOR key
// "trebolux" indexed by the offset modulo 8; a group of four bytes that is
// all FFh stays plain and leaves the key alone; a used key byte rotates
// right by one.
inline void scramble(std::vector<uint8_t>& image, uint32_t from, uint32_t to, uint8_t* evenSum, uint8_t* oddSum)
{
    uint8_t key[8];
    std::memcpy(key, "trebolux", 8);
    uint8_t e = 0, o = 0;
    for (uint32_t p = from; p < to; ++p)
        (p % 2 ? o : e) += image[p];
    bool on = true;
    for (uint32_t p = from; p < to; ++p) {
        if (p % 4 == 0)
            on = !(image[p] == 0xFF && image[p + 1] == 0xFF && image[p + 2] == 0xFF && image[p + 3] == 0xFF);
        if (on) {
            const unsigned i = p % 8;
            image[p] ^= key[i];
            key[i] = static_cast<uint8_t>((key[i] >> 1) | (key[i] << 7));
        }
    }
    *evenSum = e;
    *oddSum = o;
}

inline const char* chipLabel(ChipType t) { return chipName(t); }

constexpr ChipType kAllChips[] = {ChipType::PIC18F452, ChipType::PIC18F252, ChipType::PIC18F2520,
                                  ChipType::PIC18F4620};

} // namespace benchtest
