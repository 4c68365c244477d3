#include "sim/VcdTrace.h"

#include <cstring>

namespace korv::sim {

namespace {
struct Signal {
    const char* name;
    char id;
    bool LineSample::*field;
};
constexpr Signal kSignals[] = {
    {"mclr_vpp", '!', &LineSample::vpp},
    {"pre_vpp", '"', &LineSample::preVpp},
    {"pgc", '#', &LineSample::pgc},
    {"pgd", '$', &LineSample::pgd},
    {"pgd_host_pull_low", '%', &LineSample::pgdHostLow},
    {"pgd_chip_drive", '&', &LineSample::pgdChipDrive},
    {"pgd_chip_level", '\'', &LineSample::pgdChipLevel},
    {"pgd_loader_pull_low", '(', &LineSample::pgdLoaderLow},
    {"usb_read_marker", ')', &LineSample::marker},
    {"supply_5v", '*', &LineSample::supply5V},
};
} // namespace

VcdTrace::~VcdTrace() { close(); }

bool VcdTrace::open(const std::string& path, uint64_t t, const LineSample& initial)
{
    close();
    file_ = std::fopen(path.c_str(), "w");
    if (!file_)
        return false;
    used_ = 0;
    changes_ = 0;
    std::string head = "$date virtual time $end\n$version korv bench model $end\n$timescale 1 ns $end\n"
                       "$scope module icsp $end\n";
    for (const Signal& s : kSignals) {
        head += "$var wire 1 ";
        head += s.id;
        head += ' ';
        head += s.name;
        head += " $end\n";
    }
    head += "$upscope $end\n$enddefinitions $end\n";
    char stamp[32];
    int n = std::snprintf(stamp, sizeof stamp, "#%llu\n", static_cast<unsigned long long>(t));
    head.append(stamp, static_cast<size_t>(n));
    head += "$dumpvars\n";
    for (const Signal& s : kSignals) {
        head += (initial.*(s.field)) ? '1' : '0';
        head += s.id;
        head += '\n';
    }
    head += "$end\n";
    put(head.data(), head.size());
    last_ = initial;
    lastTime_ = t;
    return true;
}

void VcdTrace::sample(uint64_t t, const LineSample& s)
{
    if (!file_)
        return;
    if (t < lastTime_)
        t = lastTime_;  // never step back in the file
    bool stamped = false;
    for (const Signal& sig : kSignals) {
        const bool v = s.*(sig.field);
        if (v == last_.*(sig.field))
            continue;
        if (!stamped && t != lastTime_) {
            char stamp[32];
            int n = std::snprintf(stamp, sizeof stamp, "#%llu\n", static_cast<unsigned long long>(t));
            put(stamp, static_cast<size_t>(n));
            lastTime_ = t;
        }
        stamped = true;
        char line[3] = {v ? '1' : '0', sig.id, '\n'};
        put(line, 3);
        ++changes_;
    }
    last_ = s;
}

void VcdTrace::put(const char* text, size_t n)
{
    if (used_ + n > sizeof buffer_)
        flush();
    if (n > sizeof buffer_) {
        std::fwrite(text, 1, n, file_);
        return;
    }
    std::memcpy(buffer_ + used_, text, n);
    used_ += n;
}

void VcdTrace::flush()
{
    if (file_ && used_)
        std::fwrite(buffer_, 1, used_, file_);
    used_ = 0;
}

void VcdTrace::close()
{
    if (!file_)
        return;
    char stamp[32];
    int n = std::snprintf(stamp, sizeof stamp, "#%llu\n", static_cast<unsigned long long>(lastTime_ + 1));
    put(stamp, static_cast<size_t>(n));
    flush();
    std::fclose(file_);
    file_ = nullptr;
}

} // namespace korv::sim
