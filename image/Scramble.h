// Transfer scrambling of the update image (modupd4620) and the image checks
// shown by "Cal CRC".
//
// The application area (MasterImage offsets 2B .. 2W-1, above the boot
// loader) is summed and then scrambled in place with the rotating 8-byte XOR
// key "trebolux" before the boot loader transfer; the module's loader undoes
// it and reports its own sums, which the program compares with the two sum
// bytes stored behind the image at 2W+1 (even offsets) and 2W+2 (odd).
#pragma once

#include "image/Images.h"

#include <cstdint>

namespace korv {

struct AppCore;

// Even / odd 8-bit sums of the application area before scrambling.
struct TransferSums {
    uint8_t even;
    uint8_t odd;
};

// Sums and scrambles MasterImage[2B .. 2W-1] and stores the sums at 2W+1 and
// 2W+2. The key starts afresh as "trebolux" on every call; a 4-byte group
// (starting at a multiple of 4) that is entirely 0xFF is left as it is; the
// key index advances on every byte of the area and a key byte turns right
// by one bit each time it is used. Returns the sums. Sizes that would not
// fit the buffer (2W + 2 beyond its end) or an empty area (B >= W) change
// nothing and return zero sums.
TransferSums BuffEtToCry(ImageBuffers& images, uint32_t programWords, uint32_t bootWords);
// The same on the application's image with the identified chip's sizes.
TransferSums BuffEtToCry(AppCore& core);

// XOR of the even and of the odd MasterImage bytes in 2B .. 2W-1.
struct XorChecks {
    uint8_t d0;
    uint8_t d1;
};
XorChecks CalCrc(const ImageBuffers& images, uint32_t programWords, uint32_t bootWords);

// "Cal CRC": writes "d0=%x d1=%x" of the current image to Prog12.Label2.
void SpeedButton16Click(AppCore& core);

} // namespace korv
