#include "app/ChipModel.h"

namespace korv {

void ChipModel::SetIdentified(UiHost& host, const VariantProfile& profile, bool newChip)
{
    const ChipProfile& c = newChip ? profile.newChip : profile.oldChip;
    host.SetChecked(kNewChipIndicator, newChip);
    host.SetChecked(kOldChipIndicator, !newChip);
    ProgramWords = c.programWords;
    BootWords = c.bootWords;
}

void ChipModel::SetUnidentified(UiHost& host)
{
    host.SetChecked(kNewChipIndicator, false);
    host.SetChecked(kOldChipIndicator, false);
}

bool IsNewChip(const UiHost& host)
{
    return host.Checked(kNewChipIndicator);
}

const ChipProfile& IndicatedChip(const UiHost& host, const VariantProfile& profile)
{
    return IsNewChip(host) ? profile.newChip : profile.oldChip;
}

} // namespace korv
