// Which adapter the line operations drive.
#pragma once

#include <cstdint>

namespace korv {

// ParallelPort: the Kerdis adapter (the value at start and the fallback when
// nothing answered). Usb: the Vantrel adapter; once chosen it stays so.
enum class Programmer : uint8_t { ParallelPort, Usb };

} // namespace korv
