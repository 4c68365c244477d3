#include "image/Scramble.h"

#include "app/AppCore.h"
#include "app/Format.h"

namespace korv {

namespace {

constexpr char kTransferKey[8] = {'t', 'r', 'e', 'b', 'o', 'l', 'u', 'x'};

// Application area bounds, or false when the sizes do not describe one that
// fits MasterImage together with its two sum bytes.
bool AreaBounds(uint32_t programWords, uint32_t bootWords, uint32_t& first, uint32_t& end)
{
    first = 2 * bootWords;
    end = 2 * programWords;
    return first < end && end + 2 < ImageBuffers::kMasterSize;
}

} // namespace

TransferSums BuffEtToCry(ImageBuffers& images, uint32_t programWords, uint32_t bootWords)
{
    uint32_t first, end;
    if (!AreaBounds(programWords, bootWords, first, end))
        return {0, 0};
    uint8_t* m = images.MasterImage;

    uint8_t key[8];
    for (int i = 0; i < 8; ++i)
        key[i] = static_cast<uint8_t>(kTransferKey[i]);

    TransferSums sums{0, 0};
    for (uint32_t p = first; p < end; ++p) {
        if (p % 2 == 0)
            sums.even = static_cast<uint8_t>(sums.even + m[p]);
        else
            sums.odd = static_cast<uint8_t>(sums.odd + m[p]);
    }

    unsigned i = 0;
    bool scramble = true;
    for (uint32_t p = first; p < end; ++p) {
        if (p % 4 == 0) {
            // Erased flash stays erased: the loader skips blank groups, so
            // they are sent (and kept) as they are.
            const bool blank = m[p] == 0xFF && m[p + 1] == 0xFF && m[p + 2] == 0xFF && m[p + 3] == 0xFF;
            scramble = !blank;
        }
        if (scramble) {
            m[p] = static_cast<uint8_t>(m[p] ^ key[i]);
            key[i] = static_cast<uint8_t>((key[i] >> 1) | (key[i] << 7));
        }
        i = (i + 1) % 8;
    }

    m[end + 1] = sums.even;
    m[end + 2] = sums.odd;
    return sums;
}

TransferSums BuffEtToCry(AppCore& core)
{
    return BuffEtToCry(core.images, core.chip.ProgramWords, core.chip.BootWords);
}

XorChecks CalCrc(const ImageBuffers& images, uint32_t programWords, uint32_t bootWords)
{
    uint32_t first, end;
    XorChecks x{0, 0};
    if (!AreaBounds(programWords, bootWords, first, end))
        return x;
    for (uint32_t p = first; p < end; ++p) {
        if (p % 2 == 0)
            x.d0 ^= images.MasterImage[p];
        else
            x.d1 ^= images.MasterImage[p];
    }
    return x;
}

void SpeedButton16Click(AppCore& core)
{
    const XorChecks x = CalCrc(core.images, core.chip.ProgramWords, core.chip.BootWords);
    core.host.SetText("Prog12.Label2", Format("d0=%x d1=%x", {x.d0, x.d1}));
}

} // namespace korv
