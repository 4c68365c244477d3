#include "image/EmbeddedImages.h"

#include <cstring>

namespace korv {

namespace {

// Constant-initialised, so registrars in other units may run in any order.
constinit const EmbeddedImage* gFirstImage = nullptr;

} // namespace

EmbeddedImageRegistrar::EmbeddedImageRegistrar(EmbeddedImage& image)
{
    image.next = gFirstImage;
    gFirstImage = &image;
}

const EmbeddedImage* FindEmbeddedImage(const VariantProfile& profile, const char* name)
{
    if (!name)
        return nullptr;
    for (const EmbeddedImage* i = gFirstImage; i; i = i->next)
        if (i->variant == profile.variant && std::strcmp(i->name, name) == 0)
            return i;
    return nullptr;
}

} // namespace korv
