// Block cipher of the firmware containers: an RC6-style cipher on 8-bit
// words, 8 rounds, 4-byte blocks and a 10-byte key. The program itself only
// deciphers; EncryptBlock is its exact inverse over the same key schedule and
// serves the tooling that makes ".CRP" files and the embedded images.
//
// The arithmetic is fixed by the containers already in the field: rotation
// counts are limited to 7 (not reduced modulo 8), and round i takes its
// subkeys from S[i] and S[i + 1]. Every byte operation is modulo 256.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace korv {

using CipherBlock = std::array<uint8_t, 4>;

constexpr size_t kImageKeyBytes = 10;
constexpr size_t kKeyScheduleBytes = 20; // 2 x 8 rounds + 4
constexpr int kCipherRounds = 8;

// v rotated left / right by n bits, where n is first limited to 7.
uint8_t RotateLeft8(uint8_t v, unsigned n);
uint8_t RotateRight8(uint8_t v, unsigned n);

class Rc6w8r8b10 {
public:
    // Fills S from the 10-byte key.
    void KeySchedule(const uint8_t* key);
    CipherBlock DecryptBlock(const CipherBlock& x) const;
    CipherBlock EncryptBlock(const CipherBlock& x) const;
    // Overwrites the schedule so no key material stays in memory.
    void Wipe();

    uint8_t S[kKeyScheduleBytes] = {};
};

} // namespace korv
