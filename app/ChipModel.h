// The identified chip of the variant's pair. The chip itself is shown by the
// main window's two display-only indicators (Prog12.Prog4520 for NewChip,
// Prog12.CheckBox2 for OldChip); every test for NewChip reads the indicator.
// The two sizes live here.
#pragma once

#include "app/UiHost.h"
#include "app/VariantProfile.h"

#include <cstdint>

namespace korv {

inline constexpr const char* kNewChipIndicator = "Prog12.Prog4520";
inline constexpr const char* kOldChipIndicator = "Prog12.CheckBox2";

struct ChipModel {
    // Starts with the NewChip sizes of the variant, before any chip is
    // identified (0x8000/1024 in modupd4620, 0x4000/1024 in modupd2520).
    explicit ChipModel(const VariantProfile& profile)
        : ProgramWords(profile.startProgramWords), BootWords(profile.startBootWords)
    {
    }

    uint16_t ProgramWords; // W: words of the program-memory image and of the transfer range
    uint16_t BootWords;    // B: words of the boot area

    // A recognised chip: ticks its indicator, clears the other one and takes
    // the chip's sizes.
    void SetIdentified(UiHost& host, const VariantProfile& profile, bool newChip);
    // An unrecognised device ID: both indicators cleared, sizes unchanged.
    void SetUnidentified(UiHost& host);

    // Bytes of the active part of MasterImage (2 x W).
    uint32_t ActiveBytes() const { return 2u * ProgramWords; }
};

// True when the NewChip indicator is ticked (PIC18F4620 / PIC18F2520).
bool IsNewChip(const UiHost& host);

// The profile entry of the chip the indicators show (newChip when Prog4520
// is ticked, else oldChip).
const ChipProfile& IndicatedChip(const UiHost& host, const VariantProfile& profile);

} // namespace korv
