// Benchmark of the ICSP operations against the simulated bench: for each
// adapter and each of the four chips it runs detection, the boot-area write
// with its verify, a read of the whole program memory and a bulk erase, and
// prints the host CPU time and the simulated hardware time of each step.
//
//   korv_bench            all adapters and chips
//   korv_bench --quick    the boot-area steps only (no whole-memory read)
#include "app/AppCore.h"
#include "app/RecordingHost.h"
#include "app/VariantProfile.h"
#include "hw/Detect.h"
#include "icsp/EraseConfig.h"
#include "icsp/ProgMem.h"
#include "sim/Station.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>

namespace {

using korv::sim::Adapters;
using korv::sim::ChipType;

// Processor time of this process in milliseconds.
double CpuMs()
{
    return static_cast<double>(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

struct Step {
    const char* name;
    uint32_t words;
    double cpuMs;
    double simMs;
    bool ok;
};

class Run {
public:
    Run(ChipType chip, Adapters adapters)
        : profile_(chip == ChipType::PIC18F452 || chip == ChipType::PIC18F4620 ? korv::kProfile4620
                                                                               : korv::kProfile2520),
          station_(Config(chip, adapters)), core_(profile_, host_, station_.ticks())
    {
        core_.hw.Attach(station_.port(), station_.d2xx());
        core_.hw.portProg.PresetDataShadow();
        core_.hw.portProg.LptBase = station_.config().lptBase;
    }

    Step Measure(const char* name, uint32_t words, const std::function<bool()>& body)
    {
        const double c0 = CpuMs();
        const uint64_t s0 = station_.clock().now();
        const bool ok = body();
        return Step{name, words, CpuMs() - c0, (station_.clock().now() - s0) / 1e6, ok};
    }

    korv::AppCore& core() { return core_; }
    korv::VariantProfile& profile() { return profile_; }
    korv::sim::Station& station() { return station_; }
    size_t violations() { return station_.chip().violations().size(); }

private:
    static korv::sim::StationConfig Config(ChipType chip, Adapters adapters)
    {
        korv::sim::StationConfig c;
        c.chip = chip;
        c.adapters = adapters;
        c.contents = korv::sim::Contents::Blank;
        return c;
    }

    // A private copy: the whole-memory read widens the range to the
    // program memory on the variant that otherwise covers the boot area.
    korv::VariantProfile profile_;
    korv::sim::Station station_;
    korv::RecordingHost host_;
    korv::AppCore core_;
};

void Print(const char* adapter, const char* chip, const Step& s)
{
    std::printf("%-8s %-11s %-22s %6u %10.1f %10.1f %s\n", adapter, chip, s.name, s.words, s.cpuMs, s.simMs,
                s.ok ? "ok" : "FAILED");
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    std::printf("%-8s %-11s %-22s %6s %10s %10s\n", "adapter", "chip", "step", "words", "cpu ms", "sim ms");
    int failures = 0;
    for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
        const char* an = adapters == Adapters::Kerdis ? "Kerdis" : "Vantrel";
        for (ChipType chip : {ChipType::PIC18F452, ChipType::PIC18F4620, ChipType::PIC18F252, ChipType::PIC18F2520}) {
            Run run(chip, adapters);
            korv::AppCore& core = run.core();
            const char* cn = korv::sim::chipName(chip);

            Step s = run.Measure("detect", 0, [&] { return korv::ConnectProgrammer(core); });
            Print(an, cn, s);
            failures += !s.ok;

            // Boot area: BootWords words of a pattern without blank words.
            const uint16_t fullWords = core.chip.ProgramWords;
            const uint16_t boot = core.chip.BootWords;
            for (uint32_t w = 0; w < boot; ++w) {
                const uint16_t v = static_cast<uint16_t>((w * 0x2F1u + 0x1357u) & 0x7FFF);
                core.images.MasterImage[2 * w] = static_cast<uint8_t>(v);
                core.images.MasterImage[2 * w + 1] = static_cast<uint8_t>(v >> 8);
            }
            core.chip.ProgramWords = boot; // the whole-memory variant writes only the boot area here
            s = run.Measure("boot write", boot, [&] { return korv::WriteProgramMemory(core); });
            Print(an, cn, s);
            failures += !s.ok;
            s = run.Measure("boot verify", boot, [&] {
                korv::ReadProgramMemory(core);
                return korv::CompareImages(core);
            });
            Print(an, cn, s);
            failures += !s.ok;
            core.chip.ProgramWords = fullWords;

            if (!quick) {
                run.profile().rangeIsBootWords = false;
                s = run.Measure("full read", fullWords, [&] {
                    korv::ReadProgramMemory(core);
                    for (uint32_t b = 0; b < 2u * boot; ++b)
                        if (core.images.ChipImage[b] != core.images.MasterImage[b])
                            return false;
                    for (uint32_t b = 2u * boot; b < 2u * fullWords; ++b)
                        if (core.images.ChipImage[b] != 0xFF)
                            return false;
                    return true;
                });
                Print(an, cn, s);
                failures += !s.ok;
                run.profile().rangeIsBootWords = core.profile.is4620() ? korv::kProfile4620.rangeIsBootWords
                                                                       : korv::kProfile2520.rangeIsBootWords;
            }

            s = run.Measure("bulk erase", 0, [&] {
                korv::EraseCommand(core);
                for (uint32_t b = 0; b < 2u * boot; ++b)
                    if (run.station().chip().flash()[b] != 0xFF)
                        return false;
                return true;
            });
            Print(an, cn, s);
            failures += !s.ok;
            if (run.violations() != 0) {
                std::printf("%-8s %-11s %zu timing violations\n", an, cn, run.violations());
                ++failures;
            }
        }
    }
    return failures == 0 ? 0 : 1;
}
