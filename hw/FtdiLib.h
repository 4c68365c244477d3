// The few libftdi1 operations the D2XX layer needs, behind an interface so
// that the layer can run on a substitute library in tests. Return values
// follow libftdi: >= 0 success (a count where one is returned), < 0 the
// library's error code.
#pragma once

#include <cstdint>
#include <memory>

namespace korv {

class FtdiLib {
public:
    virtual ~FtdiLib() = default;
    // Lists the FTDI devices on the buses; returns their count. Devices are
    // numbered 0..count-1 until the next Enumerate.
    virtual int Enumerate() = 0;
    // Product description of device index into buf (terminated); < 0 when
    // the device's strings cannot be read (no permission, busy, unplugged).
    virtual int Description(int index, char* buf, int len) = 0;
    virtual int Open(int index) = 0;
    virtual void Close() = 0;
    virtual int SetBitmode(uint8_t mask, uint8_t mode) = 0;
    virtual int SetLatencyTimer(uint8_t ms) = 0;
    // The value as libftdi takes it (see D2XXUnit for the bit-bang factor).
    virtual int SetBaudrate(int baud) = 0;
    virtual void SetTimeouts(int readMs, int writeMs) = 0;
    virtual int PurgeRx() = 0;
    // Bytes accepted, or < 0.
    virtual int Write(const uint8_t* buf, int size) = 0;
    // Bytes that arrived (0 when none arrived within one latency period),
    // or < 0. Does not wait for the whole count.
    virtual int Read(uint8_t* buf, int size) = 0;
};

// The system's libftdi1.
std::unique_ptr<FtdiLib> MakeSystemFtdiLib();

} // namespace korv
