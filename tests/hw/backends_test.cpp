// The program's choice of backends: the --simulate and --trace options, and
// a simulated station wired into the application's hardware subsystem.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/AppCore.h"
#include "app/Backends.h"
#include "app/RecordingHost.h"
#include "tests/hw/bench.h"

namespace korv::test {
namespace {

TEST(BackendOptions, SimulateSelectsAdapterAndChip)
{
    struct Case {
        const VariantProfile* profile;
        std::vector<std::string> args;
        bool simulate;
        sim::Adapters adapters;
        sim::ChipType chip;
        size_t problems;
    } cases[] = {
        {&kProfile4620, {}, false, sim::Adapters::Vantrel, sim::ChipType::PIC18F4620, 0},
        {&kProfile4620, {"--simulate"}, true, sim::Adapters::Vantrel, sim::ChipType::PIC18F4620, 0},
        {&kProfile2520, {"--simulate"}, true, sim::Adapters::Vantrel, sim::ChipType::PIC18F2520, 0},
        {&kProfile4620, {"--simulate=lpt"}, true, sim::Adapters::Kerdis, sim::ChipType::PIC18F4620, 0},
        {&kProfile2520, {"--simulate=usb,PIC18F252"}, true, sim::Adapters::Vantrel, sim::ChipType::PIC18F252, 0},
        {&kProfile4620, {"--simulate=lpt,PIC18F452"}, true, sim::Adapters::Kerdis, sim::ChipType::PIC18F452, 0},
        {&kProfile4620, {"--simulate=PIC18F452"}, true, sim::Adapters::Vantrel, sim::ChipType::PIC18F452, 0},
        {&kProfile4620, {"--simulate=serial"}, true, sim::Adapters::Vantrel, sim::ChipType::PIC18F4620, 1},
        {&kProfile4620, {"--simulate=usb,pic18f452"}, true, sim::Adapters::Vantrel, sim::ChipType::PIC18F4620, 1},
        {&kProfile4620, {"--trace=run.vcd"}, false, sim::Adapters::Vantrel, sim::ChipType::PIC18F4620, 1},
        {&kProfile4620, {"--production", "--simulate", "--trace="}, true, sim::Adapters::Vantrel,
         sim::ChipType::PIC18F4620, 1},
    };
    for (const Case& c : cases) {
        std::string name = c.profile->programName;
        for (const auto& a : c.args) name += " " + a;
        BackendOptions o = ParseBackendOptions(*c.profile, c.args);
        EXPECT_EQ(o.simulate, c.simulate) << name;
        EXPECT_EQ(o.adapters, c.adapters) << name;
        EXPECT_EQ(o.chip, c.chip) << name;
        EXPECT_EQ(o.problems.size(), c.problems) << name;
    }
}

struct App {
    App(const VariantProfile& p, std::vector<std::string> args)
        : backends(p, ParseBackendOptions(p, args)), core(p, host, backends.Ticks())
    {
        backends.Attach(core);
    }
    Backends backends;
    RecordingHost host;
    AppCore core;
};


TEST(Backends, SimulatedUsbStationDrivesTheApplicationsHardware)
{
    for (const VariantProfile* p : {&kProfile4620, &kProfile2520}) {
        App app(*p, {"--simulate"});
        ASSERT_TRUE(app.backends.Simulated());
        auto& hw = app.core.hw;
        hw.portProg.PresetDataShadow();
        hw.portProg.SyncWait();
        EXPECT_FALSE(hw.portProg.AdapterPresent) << "no Kerdis on the simulated USB bench";
        ASSERT_TRUE(hw.ftFunkc.OpenUsbAdapter());
        hw.portProg.ProgrammerKind = Programmer::Usb;
        auto [d1, d2] = ReadDeviceIdWith(hw.portProg);
        sim::Pic18& chip = app.backends.Station()->chip();
        EXPECT_EQ(std::string(sim::chipName(chip.type())), p->newChip.name);
        EXPECT_EQ(d1, chip.devid1());
        EXPECT_EQ(d2, chip.devid2());
        EXPECT_TRUE(app.host.errors.empty());
    }
}

TEST(Backends, SimulatedLptStationAnswersTheHandshake)
{
    App app(kProfile2520, {"--simulate=lpt,PIC18F252"});
    auto& pp = app.core.hw.portProg;
    pp.PresetDataShadow();
    pp.SyncWait();
    EXPECT_TRUE(pp.AdapterPresent);
    EXPECT_FALSE(app.core.hw.ftFunkc.OpenUsbAdapter());
    auto [d1, d2] = ReadDeviceIdWith(pp);
    EXPECT_EQ(d2, 0x04);
    EXPECT_EQ(d1 & 0xE0, 0x00);
}

TEST(Backends, TraceRecordsTheSimulatedRun)
{
    auto path = std::filesystem::temp_directory_path() / ("korv_trace_" + std::to_string(::getpid()) + ".vcd");
    {
        App app(kProfile4620, {"--simulate=lpt", "--trace=" + path.string()});
        EXPECT_FALSE(app.backends.HasProblems());
        EXPECT_TRUE(app.backends.Station()->tracing());
        app.core.hw.portProg.PresetDataShadow();
        ReadDeviceIdWith(app.core.hw.portProg);
    }
    std::ifstream f(path);
    std::string text((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("$enddefinitions"), std::string::npos);
    EXPECT_GT(text.size(), 1000u);
    std::filesystem::remove(path);
    // The decoded transactions of the run beside it: the table reads of the
    // device ID at 3FFFFEh and 3FFFFFh.
    const std::string logPath = path.string() + ".log";
    std::ifstream lf(logPath);
    std::string log((std::istreambuf_iterator<char>(lf)), std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("read 0x3FFFFE = "), std::string::npos) << log.substr(0, 400);
    EXPECT_NE(log.find("read 0x3FFFFF = 0x0C"), std::string::npos);
    std::filesystem::remove(logPath);
}

TEST(Backends, UnwritableTraceIsReportedNotFatal)
{
    App app(kProfile4620, {"--simulate", "--trace=/nonexistent-dir/x.vcd"});
    EXPECT_TRUE(app.backends.HasProblems());
    EXPECT_NE(app.backends.Describe().find("/nonexistent-dir/x.vcd"), std::string::npos);
    EXPECT_TRUE(app.core.hw.ftFunkc.OpenUsbAdapter());
}

// Without backends attached the hardware subsystem is a PC without
// adapters: no handshake answer and no USB device.
TEST(Backends, UnattachedHardwareHasNoAdapters)
{
    RecordingHost host;
    SteadyTickSource ticks;
    AppCore core(kProfile4620, host, ticks);
    core.hw.portProg.PresetDataShadow();
    core.hw.portProg.SyncWait();
    EXPECT_FALSE(core.hw.portProg.AdapterPresent);
    EXPECT_FALSE(core.hw.ftFunkc.OpenUsbAdapter());
    EXPECT_TRUE(host.errors.empty());
}

} // namespace
} // namespace korv::test
