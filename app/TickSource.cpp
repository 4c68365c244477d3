#include "app/TickSource.h"

#include <chrono>

namespace korv {

uint32_t SteadyTickSource::TickCount()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace korv
