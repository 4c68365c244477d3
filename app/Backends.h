// What the program talks to: the real parallel port, D2XX library and tick,
// or the simulated bench of the command-line option
//   --simulate[=usb|lpt][,CHIP]   (default: usb and the deliverable's larger
//                                  chip, a module from the line)
//   --trace=FILE.vcd               (VCD of the bench's lines, with --simulate;
//                                  at the end of the run the chip's decoded
//                                  transactions and the boot loader's events
//                                  go to FILE.vcd.log as text)
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/TickSource.h"
#include "app/VariantProfile.h"
#include "hw/D2XXUnit.h"
#include "hw/DirectPort.h"
#include "hw/FtdiLib.h"
#include "sim/Station.h"

namespace korv {

struct AppCore;

struct BackendOptions {
    bool simulate = false;
    sim::Adapters adapters = sim::Adapters::Vantrel;
    sim::ChipType chip = sim::ChipType::PIC18F4620;
    std::string trace;
    std::vector<std::string> problems;  // options that could not be used, in words
};

// Reads --simulate and --trace from the options the windows left over.
BackendOptions ParseBackendOptions(const VariantProfile& profile, const std::vector<std::string>& options);

class Backends {
public:
    Backends(const VariantProfile& profile, const BackendOptions& options);
    ~Backends();
    Backends(const Backends&) = delete;
    Backends& operator=(const Backends&) = delete;

    TickSource& Ticks();
    // Connects the hardware subsystem of core to these backends.
    void Attach(AppCore& core);

    bool Simulated() const { return station_ != nullptr; }
    bool HasProblems() const { return !options_.problems.empty(); }
    sim::Station* Station() { return station_.get(); }
    // One line saying what the program drives (for the terminal).
    std::string Describe() const;

private:
    BackendOptions options_;
    std::unique_ptr<sim::Station> station_;
    SteadyTickSource steady_;
    DirectPort direct_;
    std::unique_ptr<FtdiLib> ftdi_;
    std::unique_ptr<D2XXUnit> d2xx_;
};

} // namespace korv
