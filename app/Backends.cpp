#include "app/Backends.h"

#include <cstring>

#include "app/AppCore.h"

namespace korv {
namespace {

bool ChipByName(const std::string& name, sim::ChipType* out)
{
    for (sim::ChipType t : {sim::ChipType::PIC18F452, sim::ChipType::PIC18F252, sim::ChipType::PIC18F2520,
                            sim::ChipType::PIC18F4620}) {
        if (name == sim::chipName(t)) {
            *out = t;
            return true;
        }
    }
    return false;
}

} // namespace

BackendOptions ParseBackendOptions(const VariantProfile& profile, const std::vector<std::string>& options)
{
    BackendOptions o;
    ChipByName(profile.newChip.name, &o.chip);
    for (const std::string& a : options) {
        if (a == "--simulate") {
            o.simulate = true;
        } else if (a.rfind("--simulate=", 0) == 0) {
            o.simulate = true;
            std::string rest = a.substr(std::strlen("--simulate="));
            size_t start = 0;
            while (start <= rest.size()) {
                size_t comma = rest.find(',', start);
                std::string part = rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                sim::ChipType chip;
                if (part == "usb")
                    o.adapters = sim::Adapters::Vantrel;
                else if (part == "lpt")
                    o.adapters = sim::Adapters::Kerdis;
                else if (ChipByName(part, &chip))
                    o.chip = chip;
                else if (!part.empty())
                    o.problems.push_back("unknown --simulate part \"" + part +
                                         "\" (use usb, lpt, PIC18F452, PIC18F252, PIC18F2520, PIC18F4620)");
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (a.rfind("--trace=", 0) == 0) {
            o.trace = a.substr(std::strlen("--trace="));
            if (o.trace.empty()) o.problems.push_back("--trace needs a file name");
        }
    }
    if (!o.trace.empty() && !o.simulate) o.problems.push_back("--trace only records a --simulate run");
    return o;
}

Backends::Backends(const VariantProfile& profile, const BackendOptions& options) : options_(options)
{
    if (options_.simulate) {
        sim::StationConfig cfg;
        cfg.chip = options_.chip;
        cfg.adapters = options_.adapters;
        cfg.contents = sim::Contents::Module;
        station_ = std::make_unique<sim::Station>(cfg);
        if (!options_.trace.empty() && !station_->startTrace(options_.trace))
            options_.problems.push_back("cannot write the trace file " + options_.trace);
    } else {
        ftdi_ = MakeSystemFtdiLib();
        d2xx_ = std::make_unique<D2XXUnit>(*ftdi_, steady_);
    }
}

Backends::~Backends()
{
    if (!station_) return;
    const bool traced = station_->tracing();
    station_->stopTrace();
    if (traced) station_->writeLog(options_.trace + ".log");
}

TickSource& Backends::Ticks() { return station_ ? station_->ticks() : static_cast<TickSource&>(steady_); }

void Backends::Attach(AppCore& core)
{
    if (station_) {
        core.hw.Attach(station_->port(), station_->d2xx());
        return;
    }
    direct_.BindHost(&core.host);
    direct_.BindBase(&core.hw.portProg.LptBase);
    core.hw.Attach(direct_, *d2xx_);
}

std::string Backends::Describe() const
{
    std::string s;
    if (station_) {
        s = std::string("simulated bench: ") + sim::chipName(options_.chip) + " module on the " +
            (options_.adapters == sim::Adapters::Kerdis ? "Kerdis (LPT)" : "Vantrel (USB)") + " adapter";
        if (!options_.trace.empty()) s += ", trace " + options_.trace;
    } else {
        s = "hardware: parallel port and FTDI USB devices";
    }
    for (const auto& p : options_.problems) s += "\n  " + p;
    return s;
}

} // namespace korv
