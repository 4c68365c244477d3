#include "image/Rc6w8r8b10.h"

namespace korv {

namespace {

unsigned LimitCount(unsigned n) { return n > 7 ? 7u : n; }

// D x (2D + 1) in 8 bits, rotated left by 3: the data-dependent rotation
// amount of one round.
uint8_t RoundMix(uint8_t v)
{
    const uint8_t twice = static_cast<uint8_t>(2 * v + 1);
    return RotateLeft8(static_cast<uint8_t>(v * twice), 3);
}

} // namespace

uint8_t RotateLeft8(uint8_t v, unsigned n)
{
    n = LimitCount(n);
    if (n == 0)
        return v;
    return static_cast<uint8_t>((v << n) | (v >> (8 - n)));
}

uint8_t RotateRight8(uint8_t v, unsigned n)
{
    n = LimitCount(n);
    if (n == 0)
        return v;
    return static_cast<uint8_t>((v >> n) | (v << (8 - n)));
}

void Rc6w8r8b10::KeySchedule(const uint8_t* key)
{
    S[0] = 0x63;
    for (size_t k = 1; k < kKeyScheduleBytes; ++k)
        S[k] = static_cast<uint8_t>(S[k - 1] + 0xB9);

    uint8_t L[kImageKeyBytes];
    for (size_t j = 0; j < kImageKeyBytes; ++j)
        L[j] = key[j];

    uint8_t A = 0;
    uint8_t B = 0;
    for (size_t k = 0; k < 3 * kKeyScheduleBytes; ++k) {
        const size_t i = k % kKeyScheduleBytes;
        const size_t j = k % kImageKeyBytes;
        A = RotateLeft8(static_cast<uint8_t>(S[i] + A + B), 3);
        S[i] = A;
        B = static_cast<uint8_t>(A + B);
        B = RotateLeft8(static_cast<uint8_t>(L[j] + B), B & 0x0F);
        L[j] = B;
    }

    volatile uint8_t* wipe = L;
    for (size_t j = 0; j < kImageKeyBytes; ++j)
        wipe[j] = 0;
}

CipherBlock Rc6w8r8b10::DecryptBlock(const CipherBlock& x) const
{
    uint8_t A = static_cast<uint8_t>(x[0] - S[18]);
    uint8_t B = x[1];
    uint8_t C = static_cast<uint8_t>(x[2] - S[19]);
    uint8_t D = x[3];
    for (int i = kCipherRounds; i >= 1; --i) {
        const uint8_t oldA = A;
        A = D;
        D = C;
        C = B;
        B = oldA;
        const uint8_t u = RoundMix(D);
        const uint8_t t = RoundMix(B);
        C = static_cast<uint8_t>(RotateRight8(static_cast<uint8_t>(C - S[i + 1]), t) ^ u);
        A = static_cast<uint8_t>(RotateRight8(static_cast<uint8_t>(A - S[i]), u) ^ t);
    }
    B = static_cast<uint8_t>(B - S[0]);
    D = static_cast<uint8_t>(D - S[1]);
    return {A, B, C, D};
}

CipherBlock Rc6w8r8b10::EncryptBlock(const CipherBlock& x) const
{
    // Each step undoes the matching step of DecryptBlock, in reverse order.
    uint8_t A = x[0];
    uint8_t B = static_cast<uint8_t>(x[1] + S[0]);
    uint8_t C = x[2];
    uint8_t D = static_cast<uint8_t>(x[3] + S[1]);
    for (int i = 1; i <= kCipherRounds; ++i) {
        const uint8_t u = RoundMix(D);
        const uint8_t t = RoundMix(B);
        A = static_cast<uint8_t>(RotateLeft8(static_cast<uint8_t>(A ^ t), u) + S[i]);
        C = static_cast<uint8_t>(RotateLeft8(static_cast<uint8_t>(C ^ u), t) + S[i + 1]);
        const uint8_t oldA = A;
        A = B;
        B = C;
        C = D;
        D = oldA;
    }
    A = static_cast<uint8_t>(A + S[18]);
    C = static_cast<uint8_t>(C + S[19]);
    return {A, B, C, D};
}

void Rc6w8r8b10::Wipe()
{
    volatile uint8_t* s = S;
    for (size_t k = 0; k < kKeyScheduleBytes; ++k)
        s[k] = 0;
}

} // namespace korv
