#include "image/Container.h"

#include "app/AppCore.h"
#include "app/ChipModel.h"
#include "app/Format.h"
#include "image/ContainerCipher.h"
#include "image/EmbeddedImages.h"
#include "image/FileText.h"
#include "image/HexReader.h"
#include "image/ImageKey.h"
#include "image/Scramble.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

namespace korv {

namespace {

// Deciphers FileText[0 .. size-1] in place with the image key, reads the
// plain text and wipes both the text and the key schedule.
int DecipherAndRead(AppCore& core, size_t size, bool storeConfig)
{
    char* text = core.images.FileText;
    Rc6w8r8b10 cipher;
    {
        ImageKey key;
        cipher.KeySchedule(key.bytes());
    }
    DecipherContainer(cipher, reinterpret_cast<uint8_t*>(text), size);
    cipher.Wipe();

    const int r = ReadHexRecords(std::string_view(text, size), storeConfig, core.images, core.host);
    WipeBytes(reinterpret_cast<uint8_t*>(text), size);
    return r;
}

} // namespace

int ExecuteCRPtoHex(AppCore& core, int source)
{
    if (source != 1)
        return -1;
    UiHost& host = core.host;
    const std::string path = host.Text(IsNewChip(host) ? "Form_Param.Edit2" : "Form_Param.Edit5");

    size_t size = 0;
    std::string error;
    if (!ReadFileToBuffer(path, core.images.FileText, kContainerCapacity, size, error)) {
        host.ErrorDialog(error);
        return -1;
    }
    if (DecipherAndRead(core, size, false) != 0)
        return -1;
    MaskConfigWrite(core);
    return 0;
}

int ExecuteResurse(AppCore& core, int source)
{
    if (source != 0)
        return -1;
    UiHost& host = core.host;
    const char* name = IndicatedChip(host, core.profile).resourceName;
    const EmbeddedImage* image = FindEmbeddedImage(core.profile, name);
    if (!image) {
        // The executable was linked without its image resources.
        host.ErrorDialog(Format("Ресурс %s не найден.", {name}));
        return -1;
    }
    if (image->size > kContainerCapacity) {
        host.ErrorDialog(std::strerror(EFBIG));
        return -1;
    }
    if (image->size)
        std::memcpy(core.images.FileText, image->data, image->size);
    if (DecipherAndRead(core, image->size, true) != 0)
        return -1;
    if (core.profile.scramblesImage)
        BuffEtToCry(core);
    MaskConfigWrite(core);
    return 0;
}

void InstallContainerLoaders(ImageLoaderHooks& hooks)
{
    hooks.ExecuteCRPtoHex = &ExecuteCRPtoHex;
    hooks.ExecuteResurse = &ExecuteResurse;
}

} // namespace korv
