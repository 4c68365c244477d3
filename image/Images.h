// The image buffers every operation reads or writes. The application holds
// exactly one ImageBuffers (in AppCore); the arrays are fixed and live as
// long as the program.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korv {

// Dump source values: which buffer the page views show.
inline constexpr uint8_t kDumpMaster = 0;
inline constexpr uint8_t kDumpChip = 1;

struct ImageBuffers {
    // Program memory to be written: byte i is the byte at address i (word w
    // occupies bytes 2w low and 2w+1 high). Active part 2 x ProgramWords;
    // the two checksum bytes of the transfer follow at 2W+1 and 2W+2, which
    // is why there are 4 bytes beyond 64 KiB.
    static constexpr size_t kMasterSize = 65540;
    // Program memory read back from the chip, same addressing.
    static constexpr size_t kChipSize = 65536;
    // CONFIG1L..CONFIG7H, index = address - 0x300000.
    static constexpr size_t kConfigSize = 14;
    // Text of an image file being read (plain HEX of at most 64 KiB of
    // program memory is about 180 KB; the rest is headroom).
    static constexpr size_t kFileTextSize = 512 * 1024;

    uint8_t MasterImage[kMasterSize];
    uint8_t ChipImage[kChipSize];
    uint8_t ConfigImage[kConfigSize];
    uint8_t DumpSource = kDumpMaster;

    // Work buffer for the whole text of an image file (used by ExecuteHex
    // and by the loaders of enciphered images for their plain text).
    char FileText[kFileTextSize];

    // All program memory erased (0xFF), the chip copy erased, configuration
    // bytes zero, dump source = MasterImage.
    ImageBuffers();

    // MasterImage[0 .. bytes-1] := 0xFF (bytes is limited to the buffer).
    void EraseMaster(size_t bytes);
};

} // namespace korv
