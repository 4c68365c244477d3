// ICSP operations on everything but the program-memory words: bulk erase,
// the configuration bytes with the device ID, and the ID locations with the
// factory record stamped into them.
#pragma once

#include <cstdint>

namespace korv {

struct AppCore;

// A calendar date as the factory stamp needs it.
struct CalendarDate {
    int year = 2000;
    int month = 1; // 1..12
    int day = 1;
};

// Where "today" comes from; the application uses the PC's clock, tests set
// their own.
class DateSource {
public:
    virtual ~DateSource() = default;
    virtual CalendarDate Today() = 0;
};

class SystemDateSource final : public DateSource {
public:
    CalendarDate Today() override;
};

// State of the ICSP memory operations (member icsp of AppCore).
struct IcspState {
    // Configuration bytes CONFIG1L..CONFIG7H as last read or written back,
    // then DEVID1 and DEVID2 (indices 14, 15).
    static constexpr unsigned kDevid1Index = 14;
    static constexpr unsigned kDevid2Index = 15;
    uint8_t ChipConfig[16] = {};

    // The four ID-location words last read (upper 16 bits always 0).
    uint32_t IdWords[4] = {};

    // Serial number (bits 0-15), chip code (16-23), quarter (24-25), year
    // since 2000 (26-30), K flag (31). Lives for the run only.
    uint32_t FactoryRecord = 0;

    SystemDateSource systemDates;
    DateSource* dates = &systemDates;
};

// Result box of the configuration editor.
inline constexpr const char* kConfigResultBox = "FormConfig.StaticText1";
// Diagnostics line of the main window.
inline constexpr const char* kDiagLabel = "Prog12.Label2";
// K/N display of the parameters panel.
inline constexpr const char* kKFlagLabel = "Form_Param.Label11";

// Chip erase; the chip must already be in programming mode.
void BulkErase(AppCore& core);
// The erase command of the main window without its button handling: entry,
// erase and the variant's ending (modupd4620 leaves the programming voltage
// applied and clears the log; modupd2520 releases the module and waits).
void EraseCommand(AppCore& core);

// Configuration read: the 14 configuration bytes and DEVID1/DEVID2 into
// ChipConfig.
void ReadChipConfig(AppCore& core);
// Writes ConfigImage (mode 0 as is, 1 without protection, 2 with
// protection), reads it back into ChipConfig and compares. The verdict goes
// to the configuration editor's result box.
bool WriteWordConfig(AppCore& core, uint8_t mode);

// "RD ID": the four ID words into IdWords, shown in Label2.
void ReadIdWords(AppCore& core);
// "WR ID": IdWords d[1]..d[3] back into the chip (d[0] is never written).
void WriteIdWords(AppCore& core);
// "Установить": date stamp, then FactoryRecord into d[1], d[2] and 0xFFFF
// into d[3].
void WriteFactoryRecord(AppCore& core);
// "DateTime": quarter and year of today into FactoryRecord.
void StampFactoryDate(AppCore& core);
// "Set K" / "Set N".
void SetKFlag(AppCore& core);
void ClearKFlag(AppCore& core);

} // namespace korv
