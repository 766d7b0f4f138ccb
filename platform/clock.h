// The clock that paces the window's pump: read at every statement start, so
// it must cost next to nothing, and a few milliseconds of resolution do.
#pragma once

#include <cstdint>

namespace tess::platform {

// Milliseconds since some fixed moment; never goes back. Its resolution may
// be as coarse as the system's timer tick (a few milliseconds).
uint64_t monotonicMilliseconds();

}  // namespace tess::platform
