#include "image/ContainerCipher.h"

namespace korv {

namespace {

template <typename Op>
void EachFullGroup(uint8_t* data, size_t size, Op op)
{
    const size_t full = size - size % 4;
    for (size_t p = 0; p < full; p += 4) {
        const CipherBlock out = op(CipherBlock{data[p], data[p + 1], data[p + 2], data[p + 3]});
        for (size_t b = 0; b < 4; ++b)
            data[p + b] = out[b];
    }
}

} // namespace

void DecipherContainer(const Rc6w8r8b10& cipher, uint8_t* data, size_t size)
{
    EachFullGroup(data, size, [&](const CipherBlock& x) { return cipher.DecryptBlock(x); });
}

void EncipherContainer(const Rc6w8r8b10& cipher, uint8_t* data, size_t size)
{
    EachFullGroup(data, size, [&](const CipherBlock& x) { return cipher.EncryptBlock(x); });
}

} // namespace korv
