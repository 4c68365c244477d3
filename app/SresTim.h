// The hidden window that supplies the millisecond tick count. It is created
// with the other windows and never shown.
#pragma once

#include "app/TickSource.h"

#include <QWidget>

#include <cstdint>

namespace korv {

class TRes_timer : public QWidget {
    Q_OBJECT
public:
    explicit TRes_timer(TickSource& ticks);

    // 32-bit millisecond tick count since boot, wrapping.
    uint32_t TickCount() { return ticks_.TickCount(); }

private:
    TickSource& ticks_;
};

} // namespace korv
