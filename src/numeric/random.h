// Uniform random numbers for the spectrum simulation.
#pragma once

#include "numeric/work_arrays.h"

namespace pektra {

// Next number of the combined multiplicative congruential generator (two Lehmer streams with
// moduli 2147483563 and 2147483399, multipliers 40014 and 40692, stepped by Schrage's method so
// that no product leaves 32 bits). Returns z·4.656613e-10 with z = s1 − s2, wrapped into
// 1..2147483562: a double in (0, 1). Advances both states of `state`.
double UniformRandom(RandomState& state);

}  // namespace pektra
