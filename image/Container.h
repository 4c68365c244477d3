// Loaders of the enciphered images: a ".CRP" "BOOT" loader file and the
// update image embedded in the executable.
//
// Both decipher the container in the image text buffer and hand the plain
// HEX text straight to the record reader: no plain firmware is ever written
// to disk, and no file other than the one read is opened. The buffer is
// wiped after reading.
#pragma once

#include "image/Loaders.h"

namespace korv {

struct AppCore;

// ".CRP" file of the "BOOT" loader (source 1): the file named for the
// identified chip (Form_Param.Edit2 when Prog4520 is ticked, else
// Form_Param.Edit5), deciphered with the image key and read with
// configuration records skipped; MaskConfigWrite on success. A file that
// cannot be read or that is larger than the buffer shows an error dialog
// with the system's message. Returns 0, or -1 (also for any other source).
int ExecuteCRPtoHex(AppCore& core, int source);

// Embedded update image (source 0): "DATAARRAY1" when Prog4520 is ticked,
// else "DATAARRAY", deciphered with the image key and read with
// configuration records stored; on success BuffEtToCry in modupd4620, then
// MaskConfigWrite. Returns 0, or -1 (also for any other source).
int ExecuteResurse(AppCore& core, int source);

// Sets both hooks of the image-load commands to the loaders above.
void InstallContainerLoaders(ImageLoaderHooks& hooks);

} // namespace korv
