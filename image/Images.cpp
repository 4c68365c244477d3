#include "image/Images.h"

#include <cstring>

namespace korv {

ImageBuffers::ImageBuffers()
{
    std::memset(MasterImage, 0xFF, sizeof MasterImage);
    std::memset(ChipImage, 0xFF, sizeof ChipImage);
    std::memset(ConfigImage, 0, sizeof ConfigImage);
    DumpSource = kDumpMaster;
    FileText[0] = '\0';
}

void ImageBuffers::EraseMaster(size_t bytes)
{
    if (bytes > kMasterSize)
        bytes = kMasterSize;
    std::memset(MasterImage, 0xFF, bytes);
}

} // namespace korv
