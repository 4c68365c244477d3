// What the module's boot loader does with the transfer: the receiving side of
// the scrambling, written from the loader's point of view (bytes arrive in
// 4-byte groups; a group of four 0xFF was sent plain).
#pragma once

#include <cstdint>
#include <vector>

namespace korv::test {

inline std::vector<uint8_t> Descramble(const uint8_t* received, uint32_t first, uint32_t end)
{
    uint8_t key[8] = {'t', 'r', 'e', 'b', 'o', 'l', 'u', 'x'};
    std::vector<uint8_t> plain(received + first, received + end);
    for (uint32_t g = 0; g + 4 <= plain.size(); g += 4) {
        const bool blank = plain[g] == 0xFF && plain[g + 1] == 0xFF && plain[g + 2] == 0xFF && plain[g + 3] == 0xFF;
        for (uint32_t b = g; b < g + 4; ++b) {
            const unsigned i = b % 8;
            if (!blank) {
                plain[b] ^= key[i];
                key[i] = static_cast<uint8_t>(key[i] >> 1 | (key[i] & 1) << 7);
            }
        }
    }
    return plain;
}

struct PlainSums {
    uint8_t even = 0;
    uint8_t odd = 0;
};

inline PlainSums SumsOf(const std::vector<uint8_t>& plainFromFirst, uint32_t first)
{
    PlainSums s;
    for (uint32_t k = 0; k < plainFromFirst.size(); ++k) {
        if ((first + k) % 2 == 0)
            s.even = static_cast<uint8_t>(s.even + plainFromFirst[k]);
        else
            s.odd = static_cast<uint8_t>(s.odd + plainFromFirst[k]);
    }
    return s;
}

} // namespace korv::test
