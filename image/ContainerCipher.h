// The container format of ".CRP" files and of the embedded images: Intel HEX
// text cut into 4-byte groups, each full group enciphered on its own (no
// chaining, no header, no length field), a final group of 1 to 3 bytes kept
// plain. Container and plain text therefore have the same length, and both
// directions work in place.
#pragma once

#include "image/Images.h"
#include "image/Rc6w8r8b10.h"

#include <cstddef>
#include <cstdint>

namespace korv {

// Largest container the program deciphers: it is deciphered in the image
// text buffer, which holds the HEX text of a completely filled 64 KB program
// memory with room to spare.
constexpr size_t kContainerCapacity = ImageBuffers::kFileTextSize;

void DecipherContainer(const Rc6w8r8b10& cipher, uint8_t* data, size_t size);
void EncipherContainer(const Rc6w8r8b10& cipher, uint8_t* data, size_t size);

} // namespace korv
