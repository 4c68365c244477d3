#!/usr/bin/env python3
"""Independent known-answer vectors for the container cipher.

Written from the cipher's published arithmetic alone (8-bit words, 8 rounds,
10-byte key, rotation counts limited to 7, round i using S[i] and S[i+1]).
Prints C++ initialiser rows that cipher_test.cpp pastes as its expected
values. Re-run with: python3 tests/crypto/kat_gen.py
"""


def rotl(v, n):
    n = 7 if n > 7 else n
    v &= 0xFF
    return ((v << n) | (v >> (8 - n))) & 0xFF if n else v


def rotr(v, n):
    n = 7 if n > 7 else n
    v &= 0xFF
    return ((v >> n) | (v << (8 - n))) & 0xFF if n else v


def key_schedule(key):
    s = [0x63]
    for _ in range(1, 20):
        s.append((s[-1] + 0xB9) & 0xFF)
    l = list(key)
    a = b = 0
    for k in range(60):
        i, j = k % 20, k % 10
        a = rotl((s[i] + a + b) & 0xFF, 3)
        s[i] = a
        b = (a + b) & 0xFF
        b = rotl((l[j] + b) & 0xFF, b & 0x0F)
        l[j] = b
    return s


def decrypt_block(s, x):
    a = (x[0] - s[18]) & 0xFF
    b = x[1]
    c = (x[2] - s[19]) & 0xFF
    d = x[3]
    for i in range(8, 0, -1):
        a, b, c, d = d, a, b, c
        u = rotl((d * (2 * d + 1)) & 0xFF, 3)
        t = rotl((b * (2 * b + 1)) & 0xFF, 3)
        c = rotr((c - s[i + 1]) & 0xFF, t) ^ u
        a = rotr((a - s[i]) & 0xFF, u) ^ t
    b = (b - s[0]) & 0xFF
    d = (d - s[1]) & 0xFF
    return [a, b, c, d]


KEYS = [
    bytes(10),
    bytes([0xFF] * 10),
    bytes(range(10)),
    bytes.fromhex("3a7f00c15e9b2d8804e6"),
]
BLOCKS = [
    bytes(4),
    bytes([0xFF] * 4),
    b":100",
    bytes.fromhex("01234567"),
    bytes.fromhex("80017ffe"),
]


def hx(bs):
    return ", ".join("0x%02X" % v for v in bs)


def main():
    print("// KeySchedule: key -> S[0..19]")
    for key in KEYS:
        print("    {{%s}, {%s}}," % (hx(key), hx(key_schedule(key))))
    print("// DecryptBlock: key, ciphertext -> plaintext")
    for key in KEYS:
        s = key_schedule(key)
        for blk in BLOCKS:
            print("    {{%s}, {%s}, {%s}}," % (hx(key), hx(blk), hx(decrypt_block(s, blk))))


if __name__ == "__main__":
    main()
