#include "sim/Station.h"

#include <algorithm>
#include <cstdio>

namespace korv::sim {

Station::Station(const StationConfig& config)
    : config_(config), ticks_(clock_, config.tickStartMs), bus_(clock_)
{
    chip_ = std::make_unique<Pic18>(config.chip, clock_);
    chip_->setRevision(config.revision);
    loader_ = std::make_unique<BootLoaderModel>(*chip_);
    loader_->faults() = config.loaderFaults;
    if (config.contents == Contents::Module)
        fillModuleContents(*chip_, config.codeProtected);
    bus_.attach(chip_.get(), loader_.get());

    const bool kerdis = config.adapters == Adapters::Kerdis || config.adapters == Adapters::Both;
    const bool vantrel = config.adapters == Adapters::Vantrel || config.adapters == Adapters::Both;
    kerdis_ = std::make_unique<KerdisModel>(clock_, bus_, config.lptBase, kerdis);
    kerdis_->faults() = config.kerdisFaults;

    std::vector<UsbDevice> devices;
    unsigned serial = 1;
    char sn[16];
    for (const std::string& d : config.otherUsbDevices) {
        std::snprintf(sn, sizeof sn, "FT%06u", serial++);
        devices.push_back(UsbDevice{d, sn, false});
    }
    if (vantrel) {
        const size_t at = std::min(config.vantrelIndex, devices.size());
        devices.insert(devices.begin() + static_cast<std::ptrdiff_t>(at), UsbDevice{"Vantrel", "VT000001", true});
    }
    vantrel_ = std::make_unique<VantrelModel>(clock_, bus_, std::move(devices));
    vantrel_->faults() = config.vantrelFaults;
}

Station::~Station() { stopTrace(); }

korv::PortIo& Station::port() { return *kerdis_; }
korv::D2xxApi& Station::d2xx() { return *vantrel_; }
korv::TickSource& Station::ticks() { return ticks_; }

bool Station::startTrace(const std::string& vcdPath)
{
    if (!trace_.open(vcdPath, clock_.now(), LineSample{}))
        return false;
    bus_.setTrace(&trace_);
    bus_.targetChanged(clock_.now());
    return true;
}

void Station::stopTrace()
{
    bus_.setTrace(nullptr);
    trace_.close();
}

bool Station::writeLog(const std::string& path) const
{
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    std::string text = "# ICSP transactions (" + std::string(chip_->info().name) + ")\n" + chip_->logText() +
                       "# boot loader\n" + loader_->eventText();
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

uint8_t Station::moduleBootByte(uint32_t a)
{
    // Stand-in for the loader code: never a blank word.
    return static_cast<uint8_t>(((a * 37u) ^ 0x5Au ^ (a >> 7)) & 0x7Fu);
}

uint8_t Station::moduleAppByte(uint32_t a)
{
    // An application with code at the bottom, a blank gap and tables near
    // the top, so that blank groups occur inside the transfer range.
    if ((a & 0x1FFF) >= 0x1800)
        return 0xFF;
    return static_cast<uint8_t>((a * 3u + (a >> 8) + 0x11u) & 0xFFu);
}

void Station::fillModuleContents(Pic18& chip, bool codeProtected)
{
    const ChipInfo& info = chip.info();
    auto flash = chip.flash();
    const uint32_t boot = 2u * info.bootWords;
    uint8_t even = 0, odd = 0;
    for (uint32_t a = 0; a < flash.size(); ++a) {
        flash[a] = a < boot ? moduleBootByte(a) : moduleAppByte(a);
        if (a >= boot) {
            if (a % 2 == 0)
                even = static_cast<uint8_t>(even + flash[a]);
            else
                odd = static_cast<uint8_t>(odd + flash[a]);
        }
    }
    // ID words: the checksum word the loader left, then a serial-and-date
    // record.
    const uint8_t id[8] = {even, odd, 0x39, 0x30, 0x0C, 0x1A, 0xFF, 0xFF};
    std::copy(id, id + 8, chip.idLocations().begin());
    if (info.fxx2) {
        chip.setConfig(1, 0x22);  // HS oscillator, oscillator switch disabled
        chip.setConfig(3, 0x0E);  // watchdog off
        chip.setConfig(6, 0x81);  // LVP off
    } else {
        chip.setConfig(1, 0x02);  // HS oscillator
        chip.setConfig(3, 0x1E);  // watchdog off
        chip.setConfig(6, 0x81);  // LVP off
    }
    if (codeProtected) {
        chip.setConfig(8, 0x00);  // CP0..CP3
        chip.setConfig(9, 0x80);  // CPB
    }
}

} // namespace korv::sim
