#include "image/Loaders.h"

#include "app/AppCore.h"
#include "app/ChipModel.h"
#include "app/Format.h"
#include "app/Settings.h"
#include "image/FileText.h"
#include "image/HexReader.h"

namespace korv {

int SpeedButton7Click(AppCore& core)
{
    core.images.EraseMaster(core.chip.ActiveBytes());
    int r = core.loaderHooks.ExecuteResurse ? core.loaderHooks.ExecuteResurse(core, 0) : -1;
    if (r != 0) {
        core.host.SetText(kStatusLine, "Ошибка загрузки");
        return -1;
    }
    core.host.SetText(kStatusLine, IndicatedChip(core.host, core.profile).loadedStatus);
    return 0;
}

int SpeedButton3Click(AppCore& core)
{
    if (!core.profile.hasBootFileLoad)
        return -1;
    UiHost& host = core.host;
    const std::string path = host.Text(IsNewChip(host) ? "Form_Param.Edit2" : "Form_Param.Edit5");

    int r = -1;
    if (!FileExists(path)) {
        host.Okno(Format("Файл %s не найден.", {path}));
    } else {
        const std::string ext = UpperFileExt(path);
        if (ext == ".HEX")
            r = ExecuteHex(core);
        else if (ext == ".CRP")
            r = core.loaderHooks.ExecuteCRPtoHex ? core.loaderHooks.ExecuteCRPtoHex(core, 1) : -1;
        else
            host.Okno("Неправильное расширение файла.");
    }

    if (r != 0) {
        host.SetText(kStatusLine, Format("Ошибка загрузки %s", {path}));
        return -1;
    }
    core.images.DumpSource = kDumpMaster;
    host.Okno(Format("Загружен файл %s.", {path}));
    return 0;
}

} // namespace korv
