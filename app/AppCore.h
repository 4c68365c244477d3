// The program's state below the windows: one object per subsystem, created
// once by the application and handed to the windows. Every subsystem keeps
// its module-level variables as members of its own object here.
#pragma once

#include "app/TickSource.h"
#include "app/UiHost.h"
#include "app/VariantProfile.h"
#include "app/ChipModel.h"
#include "app/Settings.h"
#include "image/Images.h"
#include "image/Loaders.h"
#include "hw/Hardware.h"
#include "hw/Detect.h"
#include "icsp/EraseConfig.h"

namespace korv {

struct AppCore {
    AppCore(const VariantProfile& p, UiHost& h, TickSource& t) : profile(p), host(h), ticks(t) {}
    AppCore(const AppCore&) = delete;
    AppCore& operator=(const AppCore&) = delete;

    const VariantProfile& profile;
    UiHost& host;
    TickSource& ticks;

    // Subsystem objects follow, each added by the code that owns it
    // (images and settings, line layer and USB engine, detection, memory
    // operations, boot-loader link). Keep one member per subsystem.

    // Images and chip model: image buffers, identified chip sizes, settings
    // state, and the loaders of enciphered images filled in at start.
    ImageBuffers images;
    ChipModel chip{profile};
    Settings settings;
    ImageLoaderHooks loaderHooks;

    // Programmer hardware: line layer and ICSP commands (hw.portProg), USB
    // engine (hw.ftFunkc), on the backends attached with hw.Attach().
    HwSubsystem hw{profile, host, ticks};

    // Adapter detection and chip identification: reporting flag and the
    // device-ID bytes last read.
    DetectionState detection;

    // ICSP memory operations: ChipConfig, IdWords, FactoryRecord and the
    // date source of the factory stamp.
    IcspState icsp;
};

} // namespace korv
