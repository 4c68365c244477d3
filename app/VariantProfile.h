// Build-time profile of one deliverable. Everything that differs between
// modupd4620 and modupd2520 is a field of this constant record; code tests
// the profile, never the executable's name.
#pragma once

#include <cstdint>

namespace korv {

enum class Variant : uint8_t { Modupd4620, Modupd2520 };

// One chip of the deliverable's pair and how its device ID is recognised:
// (DEVID1 & devid1Mask) == devid1Value and DEVID2 == devid2 (revision bits
// of DEVID1 are ignored by the mask).
struct ChipProfile {
    const char* name;              // "PIC18F4620"
    const char* indicatorCaption;  // "4620"
    uint8_t devid1Mask;
    uint8_t devid1Value;
    uint8_t devid2;
    uint16_t programWords;         // W, 16-bit words of program memory used
    uint16_t bootWords;            // B, size of the boot area in words
    const char* resourceName;      // embedded image: "DATAARRAY" / "DATAARRAY1"
    const char* loadedStatus;      // status line after loading the update image
};

struct VariantProfile {
    Variant variant;
    const char* programName;       // "modupd4620"

    // Texts of the windows.
    const char* mainCaption;
    const char* versionLabel;      // Label1
    const char* progCaption;       // Prog
    const char* sravnCaption;      // Sravn
    const char* warningLine2;      // TForm_Pred, second line

    // Chip pair. oldChip is the smaller/older chip, newChip the larger one.
    ChipProfile oldChip;
    ChipProfile newChip;
    uint16_t startProgramWords;    // sizes before identification
    uint16_t startBootWords;
    uint32_t masterEraseBytes;     // MasterImage bytes set to 0xFF at start

    // Detection (device-ID retry loop of at most 101 reads).
    bool idLoopStopsOnNonBlank;    // true: first answer not FF,FF; false: first answer that identifies a chip
    const char* unknownIdDialog;

    // Settings file.
    bool hasEdit1Key;              // "Edit1" (update-file path) read and written
    bool writesConfigWriteKeys;    // "ConfigWrite[i]" at shutdown when Edit1 ends in ".BIN"
    bool usesConfigChip;           // "ConfigChip" feeds FactoryRecord bits 16..23

    // Behaviour switches.
    bool bootloaderUpdate;         // update through the module's boot loader (else whole firmware by ICSP)
    bool rangeIsBootWords;         // write/read/compare range: BootWords (else ProgramWords)
    bool usbFastWrite;             // USB program-memory write: fast write of every row, no read-back
    bool updateButtonRunsAuto;     // SpeedButton4 runs the automatic sequence
    bool hasBootFileLoad;          // SpeedButton3Click, Label4 and Edit1 on the main window
    bool panel4VisibleAtCreate;
    int controlledControls;        // number of controls UpravlKnopk locks (17 / 15)
    bool scramblesImage;           // BuffEtToCry and checksum bytes after loading the update image
    bool maskConfigPerChip;        // MaskConfigWrite: 0x00 -> 0xFF first, masks by chip
    bool lptPreVppBit;             // parallel port SetMclrLine(true) sets data bit 2 while settling
    uint16_t eraseEntryDelay1;     // bulk-erase command entry timing (1200 / 1400)
    uint16_t eraseEntryDelay2;     // (500 / 600)
    bool configChoiceEnabledInChange; // config editor CONFIG2L "Выбор" stays enabled in change mode

    // Parameters panel path labels (Edit2 / Edit5 rows).
    const char* paramLabelNew;
    const char* paramLabelOld;

    bool is4620() const { return variant == Variant::Modupd4620; }
    bool is2520() const { return variant == Variant::Modupd2520; }
};

extern const VariantProfile kProfile4620;
extern const VariantProfile kProfile2520;

} // namespace korv
