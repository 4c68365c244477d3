// Value Change Dump of the ICSP lines in virtual time (1 ns resolution),
// readable by GTKWave, PulseView and sigrok-cli. One line per change; the
// file is written through a buffer that is flushed when full or on close.
// Long traces span seconds at 1 ns resolution: let sigrok downsample them,
// e.g. sigrok-cli -I vcd:downsample=100 -i trace.vcd ...
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace korv::sim {

struct LineSample {
    bool vpp, preVpp, pgc, pgdHostLow, pgdChipDrive, pgdChipLevel, pgdLoaderLow, pgd, marker, supply5V;
};

class VcdTrace {
public:
    VcdTrace() = default;
    ~VcdTrace();
    VcdTrace(const VcdTrace&) = delete;
    VcdTrace& operator=(const VcdTrace&) = delete;

    bool open(const std::string& path, uint64_t t, const LineSample& initial);
    void close();
    bool isOpen() const { return file_ != nullptr; }
    void sample(uint64_t t, const LineSample& s);
    uint64_t changes() const { return changes_; }

private:
    void put(const char* text, size_t n);
    void flush();

    std::FILE* file_ = nullptr;
    LineSample last_{};
    uint64_t lastTime_ = 0;
    bool timeWritten_ = false;
    uint64_t changes_ = 0;
    char buffer_[1 << 16];
    size_t used_ = 0;
};

} // namespace korv::sim
