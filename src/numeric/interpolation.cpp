#include "numeric/interpolation.h"

#include <algorithm>
#include <cmath>

namespace pektra {

namespace {

// Points of the table, 1-based as they are numbered in the comments.
class Points {
 public:
  Points(std::span<const double> table, int n) : table_(table), n_(n) {}
  double y(int i) const { return table_[static_cast<std::size_t>(i - 1)]; }
  double x(int i) const { return table_[static_cast<std::size_t>(n_ + i - 1)]; }

 private:
  std::span<const double> table_;
  int n_;
};

// The straight line through points i and i+1 at x; the left ordinate when they share an abscissa.
double Line(const Points& p, int i, double x) {
  const double h = p.x(i + 1) - p.x(i);
  if (!(h != 0.0)) return p.y(i);
  return p.y(i) + (p.y(i + 1) - p.y(i)) * (x - p.x(i)) / h;
}

bool Monotone(double a, double b, double c, double d) {
  return (a <= b && b <= c && c <= d) || (a >= b && b >= c && c >= d);
}

// The natural cubic spline through points j-1..j+2, evaluated on [xj, xj+1].
double Cubic(const Points& p, int j, double x) {
  const double h0 = p.x(j) - p.x(j - 1);
  const double h1 = p.x(j + 1) - p.x(j);
  const double h2 = p.x(j + 2) - p.x(j + 1);
  if (!(h0 > 0.0 && h1 > 0.0 && h2 > 0.0)) return Line(p, j, x);
  const double a = (h0 + h1) / 3.0;
  const double b = h1 / 6.0;
  const double c = (h1 + h2) / 3.0;
  const double d = a * c - b * b;  // > 0 for positive widths
  const double d1 = (p.y(j + 1) - p.y(j)) / h1 - (p.y(j) - p.y(j - 1)) / h0;
  const double d2 = (p.y(j + 2) - p.y(j + 1)) / h2 - (p.y(j + 1) - p.y(j)) / h1;
  const double mj = (d1 * c - d2 * b) / d;
  const double mj1 = (d2 * a - d1 * b) / d;
  const double right = x - p.x(j);
  const double left = p.x(j + 1) - x;
  const double y = right * (p.y(j + 1) - mj1 * h1 * h1 / 6.0) / h1 +
                   left * (p.y(j) - mj * h1 * h1 / 6.0) / h1 +
                   right * right * right * mj1 / (6.0 * h1) + left * left * left * mj / (6.0 * h1);
  // Points crowded within a few ulps overflow the second derivatives: the straight line then.
  return std::isfinite(y) ? y : Line(p, j, x);
}

}  // namespace

double InterpolateTable(std::span<const double> table, int n, double x) {
  n = std::min({n, static_cast<int>(table.size() / 2), kMaxTablePoints});
  if (n <= 0) return 0.0;
  const Points p(table, n);
  if (n == 1) return p.y(1);
  if (x <= p.x(1)) return Line(p, 1, x);
  if (x >= p.x(n)) return Line(p, n - 1, x);

  // j with xj <= x < xj+1, searched from the nearer end of the table.
  int j;
  if (x <= (p.x(1) + p.x(n)) / 2.0) {
    j = n - 1;
    while (j > 1 && x < p.x(j)) --j;
  } else {
    j = 1;
    while (j < n - 1 && x >= p.x(j + 1)) ++j;
  }
  if (j == 1 || j >= n - 1 || Monotone(p.y(j - 1), p.y(j), p.y(j + 1), p.y(j + 2))) {
    return Line(p, j, x);
  }
  return Cubic(p, j, x);
}

double InterpolateTable(const OneBasedArray<double>& table, int n, double x) {
  return InterpolateTable(table.range(1, table.capacity()), n, x);
}

}  // namespace pektra
