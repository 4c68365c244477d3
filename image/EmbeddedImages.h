// The enciphered firmware images carried inside the executable ("DATAARRAY"
// for the smaller chip of the pair, "DATAARRAY1" for the larger one).
//
// Each deliverable links exactly one resource library (korv_resources_4620 or
// korv_resources_2520); its generated units register their images here
// during static initialisation, so the core finds them without knowing which
// library was linked. The test programs link both and look images up by
// variant.
#pragma once

#include "app/VariantProfile.h"

#include <cstddef>
#include <cstdint>

namespace korv {

struct EmbeddedImage {
    Variant variant;
    const char* name;        // "DATAARRAY" / "DATAARRAY1"
    const uint8_t* data;     // the container bytes
    size_t size;
    const EmbeddedImage* next = nullptr;  // registry chain
};

// A static object of this type in a resource unit adds the image to the
// registry before main runs. The image must outlive the program (static).
class EmbeddedImageRegistrar {
public:
    explicit EmbeddedImageRegistrar(EmbeddedImage& image);
};

// The image of this deliverable with this resource name, or nullptr when the
// executable carries none.
const EmbeddedImage* FindEmbeddedImage(const VariantProfile& profile, const char* name);

} // namespace korv
