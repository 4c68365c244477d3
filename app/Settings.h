// The settings file: its path, the start-up read and the shutdown write.
//
// The file is an INI file named after the executable with ".ini", in the
// current working directory (not beside the executable):
//   [FormConfig] ConfigWrite[0] .. ConfigWrite[13]   configuration bytes
//   [Form_Param] Edit1 (modupd4620 only), Edit2, Edit5  file paths
//                ConfigChip                            chip code (read only)
//                AdrLpt                                parallel-port base, decimal
//
// The functions here take and return plain values so that they work without
// windows; ApplySettingsToUi / CollectSettingsFromUi move the values between
// SettingsValues and the controls that show them.
#pragma once

#include "app/UiHost.h"
#include "app/VariantProfile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace korv {

// Default of the three path keys.
inline constexpr const char* kDefaultPath = "c:\\";
// Default parallel-port base address (LPT1).
inline constexpr uint16_t kDefaultLptBase = 0x378;

// Settings state of the application (member of AppCore).
struct Settings {
    std::string SettingsPath;          // built once at start, used again at shutdown
    uint16_t ConfigChip = 0;           // low 8 bits: chip code of FactoryRecord
    uint16_t LptBase = kDefaultLptBase; // as read at start; the line layer's copy is the one in force and is written back
};

// Everything the settings file holds.
struct SettingsValues {
    uint8_t ConfigImage[14] = {};
    std::string Edit1 = kDefaultPath;
    std::string Edit2 = kDefaultPath;
    std::string Edit5 = kDefaultPath;
    uint16_t ConfigChip = 0;
    uint16_t LptBase = kDefaultLptBase;
};

// cwd + "/" + file name of exePath with its extension replaced by ".ini"
// (a name without extension gains ".ini"; dots in folder names do not count).
std::string BuildSettingsPath(std::string_view cwd, std::string_view exePath);

// The settings path of this process: the current working directory and the
// running executable's file name (argv0 is used only when the system cannot
// name the executable). Empty when the working directory cannot be read.
std::string SettingsPathForProcess(const char* argv0);

// Start-up read. Missing file or keys give the defaults; ConfigWrite values
// keep their low 8 bits; Edit1 is read only when the profile has that key
// (otherwise values.Edit1 is left as it is).
void ReadSettings(const VariantProfile& profile, const std::string& path, SettingsValues& values);

// Shutdown write. Update mode writes nothing and returns true. Production
// mode writes, in this order: ConfigWrite[0..13] (modupd4620 only, and only
// when Edit1's extension upper-cased is exactly ".BIN"), Edit1 (modupd4620),
// Edit2, Edit5, AdrLpt (decimal). ConfigChip is never written. Everything
// else in the file is kept. False with the system's message in *error when
// the file cannot be read or replaced (the old file is then left intact).
bool WriteSettings(const VariantProfile& profile, const std::string& path, bool updateMode,
                   const SettingsValues& values, std::string* error = nullptr);

// Shows the read values: ConfigImage byte i in "FormConfig.Edit<i+1>" as a
// bit string, the paths in "Form_Param.Edit1" (modupd4620), ".Edit2",
// ".Edit5".
void ApplySettingsToUi(UiHost& host, const VariantProfile& profile, const SettingsValues& values);

// Takes the paths from the parameters panel's boxes (Edit1 only in
// modupd4620) into values; the other fields are left as they are.
void CollectPathsFromUi(const UiHost& host, const VariantProfile& profile, SettingsValues& values);

// Eight characters '0'/'1', most significant bit first.
std::string ByteStrToBin(uint8_t value);

// Upper-cased (ASCII) extension of the file name in path, with its dot
// (".BIN"); empty when the name has none. Dots in folder names do not count;
// both '/' and '\\' separate folders.
std::string UpperFileExt(std::string_view path);

} // namespace korv
