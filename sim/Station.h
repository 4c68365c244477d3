// The whole bench in software: a module with its chip (and, when it runs, the
// module's boot loader), the Kerdis adapter on the parallel port, the Vantrel
// adapter and other FTDI devices on USB, the virtual clock and the program's
// tick. The program under test talks to it only through korv::PortIo,
// korv::D2xxApi and korv::TickSource, exactly as it talks to real hardware.
//
// Typical use in a test:
//   StationConfig cfg;
//   cfg.chip = ChipType::PIC18F2520;
//   cfg.adapters = Adapters::Kerdis;           // or Vantrel / Both / None
//   cfg.contents = Contents::Module;           // a module from the line
//   cfg.kerdisFaults.noEcho = true;            // faults of each part
//   Station st(cfg);
//   ... run the program's code on st.port(), st.d2xx(), st.ticks() ...
//   st.chip().flash(), idLocations(), config()  what the chip now holds
//   st.chip().counts().writesOrErases() == 0     "only reads happened"
//   st.chip().violations()                       timing and protocol faults
//   st.chip().readingsSeen()                     which reading of a point the
//                                                chip documents disagree on
//                                                the run used
//   st.loader().blocksTaken(), events()          the boot-loader side
// Virtual time only moves when a part is used (a port access ~1 us, a USB
// call, a wait); tests can move it with st.clock().advance().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/TickSource.h"
#include "hw/D2xxApi.h"
#include "hw/PortIo.h"
#include "sim/BootLoaderModel.h"
#include "sim/Clock.h"
#include "sim/KerdisModel.h"
#include "sim/Pic18.h"
#include "sim/TargetBus.h"
#include "sim/VantrelModel.h"
#include "sim/VcdTrace.h"

namespace korv::sim {

enum class Adapters : uint8_t { None, Kerdis, Vantrel, Both };

// Module: boot loader (PIC18F4620/452) or firmware (PIC18F2520/252) in the
// boot area, an application above it, ID words and a programmed
// configuration, as a module from the line would be.
enum class Contents : uint8_t { Blank, Module };

struct StationConfig {
    ChipType chip = ChipType::PIC18F4620;
    Adapters adapters = Adapters::Vantrel;
    Contents contents = Contents::Blank;
    uint16_t lptBase = 0x378;
    uint8_t revision = 0x07;            // low DEVID1 bits
    bool codeProtected = false;         // Module contents with CP bits programmed
    // FTDI devices on USB besides the Vantrel adapter; the Vantrel, when
    // attached, is listed at position vantrelIndex (clamped to the end).
    std::vector<std::string> otherUsbDevices{"USB <-> Serial", "vantrel"};
    size_t vantrelIndex = 2;
    uint32_t tickStartMs = 1000;
    KerdisFaults kerdisFaults{};
    VantrelFaults vantrelFaults{};
    LoaderFaults loaderFaults{};
};

class Station {
public:
    explicit Station(const StationConfig& config);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    const StationConfig& config() const { return config_; }

    korv::PortIo& port();          // the parallel port (Kerdis model, bare when not attached)
    korv::D2xxApi& d2xx();         // FTDI device list (Vantrel model and decoys)
    korv::TickSource& ticks();     // virtual milliseconds
    Clock& clock() { return clock_; }
    Pic18& chip() { return *chip_; }
    KerdisModel& kerdis() { return *kerdis_; }
    VantrelModel& vantrel() { return *vantrel_; }
    BootLoaderModel& loader() { return *loader_; }
    TargetBus& bus() { return bus_; }

    // VCD of MCLR/VPP, PGC, PGD (host drive, chip drive, loader drive, line
    // level), the USB read marker, pre-VPP and supply select.
    bool startTrace(const std::string& vcdPath);
    void stopTrace();
    bool tracing() const { return trace_.isOpen(); }
    // The chip's decoded transaction log and the loader's events, as text.
    bool writeLog(const std::string& path) const;

    // The contents a module from the line carries (used for Contents::Module;
    // exposed so tests can compare against it).
    static void fillModuleContents(Pic18& chip, bool codeProtected);
    static uint8_t moduleBootByte(uint32_t address);
    static uint8_t moduleAppByte(uint32_t address);

private:
    StationConfig config_;
    Clock clock_;
    VirtualTicks ticks_;
    TargetBus bus_;
    std::unique_ptr<Pic18> chip_;
    std::unique_ptr<BootLoaderModel> loader_;
    std::unique_ptr<KerdisModel> kerdis_;
    std::unique_ptr<VantrelModel> vantrel_;
    VcdTrace trace_;
};

} // namespace korv::sim
