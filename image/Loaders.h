// The two image-load commands of the main window, without the window:
// SpeedButton7Click (update image, from the embedded image) and
// SpeedButton3Click ("BOOT" loader image, from a file, modupd4620 only).
//
// The loaders of enciphered images live elsewhere and are reached through
// ImageLoaderHooks (member loaderHooks of AppCore). The application sets
// them once at start:
//   core.loaderHooks.ExecuteCRPtoHex = &ExecuteCRPtoHex; // .CRP "BOOT" file
//   core.loaderHooks.ExecuteResurse  = &ExecuteResurse;  // embedded update image
// Both take (AppCore&, source) and return 0 on success or -1 on failure,
// having reported the failure themselves. An unset hook counts as a failed
// load (-1).
#pragma once

#include <functional>

namespace korv {

struct AppCore;

struct ImageLoaderHooks {
    // source 1: the "BOOT" loader file named for the identified chip
    // (configuration records skipped).
    std::function<int(AppCore&, int source)> ExecuteCRPtoHex;
    // source 0: the embedded update image of the identified chip
    // (configuration records stored).
    std::function<int(AppCore&, int source)> ExecuteResurse;
};

// Status line of the main window (last image loaded or last load error).
inline constexpr const char* kStatusLine = "Prog12.Label3";

// Update image: MasterImage[0 .. 2W-1] := 0xFF, then ExecuteResurse(0);
// status line "Ошибка загрузки" on failure, else the loaded-image text of
// the chip the Prog4520 indicator shows. Returns 0 or -1.
int SpeedButton7Click(AppCore& core);

// "BOOT" loader image over the update image already in MasterImage. Path:
// Form_Param.Edit2 if Prog4520 is ticked, else Form_Param.Edit5. Missing
// file: log "Файл %s не найден."; ".HEX": ExecuteHex; ".CRP":
// ExecuteCRPtoHex(1); other extension: log "Неправильное расширение файла.".
// Failure: status line "Ошибка загрузки %s". Success: dump source :=
// MasterImage, log "Загружен файл %s.". Returns 0 or -1; in modupd2520,
// which has no such command, does nothing and returns -1.
int SpeedButton3Click(AppCore& core);

} // namespace korv
