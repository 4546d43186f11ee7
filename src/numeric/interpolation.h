// Interpolation in a table of points, as used by the calibrations and the peak model.
#pragma once

#include <span>

#include "core/one_based.h"

namespace pektra {

// The largest number of points of a table: ordinates and abscissas share 16384 elements.
inline constexpr int kMaxTablePoints = 8192;

// y(x) from a table of n points stored as the n ordinates y1..yn followed by the n ascending
// abscissas x1..xn (table[0..n-1] and table[n..2n-1] here). Units are the caller's (channels,
// keV, efficiency). Below x1 and from xn on, the straight line through the two end points is
// extended (so y(xn) = yn). Inside, on [xj, xj+1): linear on the first and last segments and
// where yj-1, yj, yj+1, yj+2 are monotone; otherwise the natural cubic spline through the four
// points j-1..j+2 (zero second derivative at j-1 and j+2), so a table that rises and falls keeps
// a smooth top without overshooting monotone stretches.
// n is cut to table.size()/2 and to 8192; n = 1 gives y1 and n <= 0 gives 0. Segments of zero
// width (equal abscissas) give the ordinate of their left point instead of dividing by zero.
double InterpolateTable(std::span<const double> table, int n, double x);
// The same for a 1-based array such as work_table.
double InterpolateTable(const OneBasedArray<double>& table, int n, double x);

}  // namespace pektra
