#pragma once

#include <cstdint>

// The rotation that "-force" writes: the requested angle added to the page's own,
// modulo 360, in a fixed signed form (270 with 270 gives -180).
// When either angle is not one of ±90, ±180, ±270 the requested one stands.
int32_t forcedRotation(int32_t existing, int32_t requested);
