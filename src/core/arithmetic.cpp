#include "core/arithmetic.h"

#include <climits>

namespace pektra {

namespace {

// x (already a whole number or NaN) as an int, clamped to the int range, NaN as 0.
int ClampToInt(double x) {
  if (std::isnan(x)) return 0;
  if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(x);
}

}  // namespace

int RoundToIntSlow(double x) { return ClampToInt(RoundHalfEven(x)); }

int TruncToInt(double x) { return ClampToInt(std::trunc(x)); }

double Power10(int e) {
  if (e > 300) return 1.0E300;
  if (e < -300) return 1.0E-300;
  // 10^|e| by multiplications (exact up to 10^22), then one division for a negative power: one
  // rounding instead of |e| of them, so that Power10(-3) is the same double as 0.001.
  const int steps = e < 0 ? -e : e;
  double power = 1.0;
  for (int i = 0; i < steps; ++i) power *= 10.0;
  return e < 0 ? 1.0 / power : power;
}

}  // namespace pektra
