#include "app/SresTim.h"

namespace korv {

TRes_timer::TRes_timer(TickSource& ticks) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), ticks_(ticks)
{
    setObjectName(QStringLiteral("Res_timer"));
    setWindowTitle(QStringLiteral("Res_timer"));
    setFixedSize(104, 28);
}

} // namespace korv
