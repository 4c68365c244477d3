// A program core wired to a simulated station: the same AppCore, line layer
// and USB engine the windows drive, talking to the station's parallel port,
// FTDI device list and virtual tick.
#pragma once

#include "app/AppCore.h"
#include "app/Format.h"
#include "app/RecordingHost.h"
#include "app/VariantProfile.h"
#include "hw/Detect.h"
#include "icsp/EraseConfig.h"
#include "icsp/ProgMem.h"
#include "sim/Station.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace icsptest {

using korv::sim::Adapters;
using korv::sim::ChipType;
using korv::sim::Contents;
using korv::sim::StationConfig;
using korv::sim::TxKind;

// The profile whose chip pair holds the chip.
inline const korv::VariantProfile& ProfileFor(ChipType chip)
{
    return (chip == ChipType::PIC18F452 || chip == ChipType::PIC18F4620) ? korv::kProfile4620 : korv::kProfile2520;
}

inline const char* AdapterName(Adapters a)
{
    switch (a) {
    case Adapters::None: return "None";
    case Adapters::Kerdis: return "Kerdis";
    case Adapters::Vantrel: return "Vantrel";
    case Adapters::Both: return "Both";
    }
    return "?";
}

struct Bench {
    explicit Bench(const StationConfig& config, const korv::VariantProfile* profile = nullptr)
        : station(config), core(profile ? *profile : ProfileFor(config.chip), host, station.ticks())
    {
        // What the application does before the first command: backends
        // attached, the data-register image preset by the main window, the
        // port base of the settings.
        core.hw.Attach(station.port(), station.d2xx());
        core.hw.portProg.PresetDataShadow();
        core.hw.portProg.LptBase = config.lptBase;
    }

    static StationConfig Config(ChipType chip, Adapters adapters, Contents contents = Contents::Blank)
    {
        StationConfig c;
        c.chip = chip;
        c.adapters = adapters;
        c.contents = contents;
        return c;
    }

    korv::sim::Pic18& chip() { return station.chip(); }

    // Detection as the warning's "Да" runs it; the test fails when the chip
    // was not recognised.
    void Connect()
    {
        ASSERT_TRUE(korv::ConnectProgrammer(core)) << host.texts["Prog12.Label2"];
        chip().clearLog();
    }

    uint16_t FlashWord(uint32_t w) { return static_cast<uint16_t>(chip().flash()[2 * w] | (chip().flash()[2 * w + 1] << 8)); }
    uint16_t ChipImageWord(uint32_t w)
    {
        return static_cast<uint16_t>(core.images.ChipImage[2 * w] | (core.images.ChipImage[2 * w + 1] << 8));
    }
    void SetMasterWord(uint32_t w, uint16_t v)
    {
        core.images.MasterImage[2 * w] = static_cast<uint8_t>(v);
        core.images.MasterImage[2 * w + 1] = static_cast<uint8_t>(v >> 8);
    }
    // A pattern with no blank word, different for every word.
    static uint16_t Pattern(uint32_t w, uint16_t seed = 0) { return static_cast<uint16_t>((w * 0x2F1u + 0x1357u + seed) & 0x7FFF); }
    void FillMaster(uint32_t words, uint16_t seed = 0)
    {
        for (uint32_t w = 0; w < words; ++w)
            SetMasterWord(w, Pattern(w, seed));
    }
    // Puts the master image into the chip directly (as a chip written
    // earlier would hold it).
    void PreloadChipFromMaster(uint32_t words)
    {
        for (uint32_t b = 0; b < 2 * words; ++b)
            chip().flash()[b] = core.images.MasterImage[b];
    }

    // Records of the chip's transaction log of one kind.
    std::vector<korv::sim::TxRecord> Records(TxKind kind)
    {
        std::vector<korv::sim::TxRecord> out;
        for (size_t i = 0; i < chip().logSize(); ++i)
            if (chip().logAt(i).kind == kind)
                out.push_back(chip().logAt(i));
        return out;
    }
    size_t Count(TxKind kind) { return Records(kind).size(); }

    // True when the chip model met this reading of a point the chip
    // documents leave open (which unlock, which panel mode, which code).
    bool Saw(const std::string& reading)
    {
        for (const auto& r : chip().readingsSeen())
            if (r == reading)
                return true;
        return false;
    }

    // Every timing or protocol violation the chip model saw, as text.
    std::string Violations()
    {
        std::string out;
        for (const auto& v : chip().violations())
            out += std::string(korv::sim::violationName(v.kind)) + ": " + v.detail + "\n";
        return out;
    }

    korv::sim::Station station;
    korv::RecordingHost host;
    korv::AppCore core;
};

// Fixture base: every operation of this program must leave the chip model
// without a timing or protocol violation.
class BenchTest : public ::testing::Test {
protected:
    Bench& Make(ChipType chip, Adapters adapters, Contents contents = Contents::Blank,
                const korv::VariantProfile* profile = nullptr)
    {
        return Make(Bench::Config(chip, adapters, contents), profile);
    }
    Bench& Make(const StationConfig& config, const korv::VariantProfile* profile = nullptr)
    {
        CheckViolations();
        bench_ = std::make_unique<Bench>(config, profile);
        benchName_ = std::string(korv::sim::chipName(config.chip)) + " on " + AdapterName(config.adapters);
        return *bench_;
    }
    void TearDown() override { CheckViolations(); }

private:
    void CheckViolations()
    {
        if (bench_) {
            EXPECT_EQ(bench_->Violations(), "") << benchName_;
            // No failed D2XX call and no exchange or overflow complaint of
            // the USB engine.
            EXPECT_TRUE(bench_->host.errors.empty()) << benchName_;
            for (const auto& line : bench_->host.log)
                EXPECT_NE(line.rfind("Ошибка", 0), 0u) << benchName_ << ": " << line;
        }
    }
    std::string benchName_;

protected:
    std::unique_ptr<Bench> bench_;
};

} // namespace icsptest
