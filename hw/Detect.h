// Adapter detection and chip identification: which programmer the line
// layer drives (parallel port first, then USB), and which chip of the
// variant's pair is fitted, from its device-ID bytes.
#pragma once

#include <cstdint>

#include "app/VariantProfile.h"

namespace korv {

struct AppCore;

// Interface indicators of the main window.
inline constexpr const char* kLptIndicator = "Prog12.CheckBox1";
inline constexpr const char* kUsbIndicator = "Prog12.CheckUSB";

// How many device-ID reads detection makes at most (attempts 0..100).
inline constexpr int kIdAttempts = 101;

// State of detection (member detection of AppCore).
struct DetectionState {
    // Set once a connection with an adapter has been logged: the connection
    // messages appear once per run.
    bool ProgrammerReported = false;
    // Device-ID bytes last read and the attempt that produced them (101 when
    // every attempt was used).
    uint8_t Devid1 = 0;
    uint8_t Devid2 = 0;
    int Attempt = 0;
};

// Finds the adapter, enters programming mode, reads the device ID and sets
// the chip model. True when the ID was recognised.
bool ConnectProgrammer(AppCore& core);

// Which chip of the profile's pair the device ID names: 1 NewChip, 0
// OldChip, -1 neither. The low five bits of DEVID1 (revision) do not count.
int IdentifyChip(const VariantProfile& profile, uint8_t devid1, uint8_t devid2);

} // namespace korv
