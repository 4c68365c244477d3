// The key of the firmware containers. It is never kept in the program as one
// piece of data: ImageKey assembles it byte by byte from scattered constants
// when a container is about to be deciphered, and overwrites it when it goes
// out of scope.
#pragma once

#include "image/Rc6w8r8b10.h"

#include <cstddef>
#include <cstdint>

namespace korv {

// Overwrites n bytes through volatile stores, which the compiler keeps.
void WipeBytes(uint8_t* p, size_t n);

class ImageKey {
public:
    ImageKey();
    ~ImageKey();
    ImageKey(const ImageKey&) = delete;
    ImageKey& operator=(const ImageKey&) = delete;

    const uint8_t* bytes() const { return key_; }

private:
    uint8_t key_[kImageKeyBytes];
};

} // namespace korv
