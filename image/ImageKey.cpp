#include "image/ImageKey.h"

namespace korv {

namespace {

// Each key byte is the combination of two unrelated constants; the stores go
// through a volatile pointer so the compiler neither folds the bytes into one
// constant block nor drops the assembly.
uint8_t Join(uint8_t a, uint8_t b, unsigned turn)
{
    return static_cast<uint8_t>(RotateLeft8(a, turn) ^ b);
}

} // namespace

void WipeBytes(uint8_t* p, size_t n)
{
    volatile uint8_t* v = p;
    for (size_t i = 0; i < n; ++i)
        v[i] = 0;
}

ImageKey::ImageKey()
{
    volatile uint8_t* k = key_;
    k[0] = Join(0x2B, 0x1A, 3);
    k[3] = Join(0x80, 0xE2, 1);
    k[1] = Join(0x91, 0x5B, 5);
    k[7] = Join(0x81, 0xA5, 2);
    k[4] = Join(0x0C, 0xF6, 4);
    k[9] = Join(0x98, 0xD5, 6);
    k[2] = Join(0x07, 0x22, 7);
    k[5] = Join(0x25, 0xD0, 1);
    k[8] = Join(0xE5, 0x52, 3);
    k[6] = Join(0xD8, 0xBF, 2);
}

ImageKey::~ImageKey() { WipeBytes(key_, sizeof key_); }

} // namespace korv
