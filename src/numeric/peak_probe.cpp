#include "numeric/peak_probe.h"

#include <algorithm>
#include <cmath>

#include "core/arithmetic.h"

namespace pektra {

namespace {

bool LocalMinimum(const OneBasedArray<double>& y, int k) {
  return y[k] <= y[k - 1] && y[k] <= y[k + 1];
}

}  // namespace

double HalfWidth(const OneBasedArray<double>& a, int peak, int count) {
  count = std::min(count, a.capacity());
  if (peak < 1 || peak > count) return -1.0;
  int p = peak;
  if (p + 1 <= count && a[p + 1] > a[p]) {
    ++p;
  } else if (p - 1 >= 1 && a[p - 1] > a[p]) {
    --p;
  }
  const double half = a[p] / 2.0;

  int left = p;
  while (left > 1 && std::fabs(a[left]) >= half) --left;
  if (std::fabs(a[left]) >= half) return -1.0;
  double left_fraction = 0.0;
  if (left > 1) {
    const double step = a[left + 1] - a[left];
    if (step > 0.0001) left_fraction = (a[left + 1] - half) / step;
  }

  int right = p;
  while (right < count - 2 && std::fabs(a[right]) >= half) ++right;
  if (std::fabs(a[right]) >= half) return -1.0;
  double right_fraction = 0.0;
  if (right < count - 2) {
    const double step = a[right - 1] - a[right];
    if (step > 0.001) right_fraction = (a[right - 1] - half) / step;
  }

  const double width =
      std::fabs(left_fraction) + std::fabs(right_fraction) + ((right - 1) - (left + 1));
  return width < 0.25 ? -1.0 : width;
}

PeakProbe ProbePeak(NumericWork& work, const OneBasedArray<double>& y, int n, double position) {
  PeakProbe probe;
  probe.position = position;
  n = std::min({n, y.capacity(), work.work_table.capacity()});
  if (!(position >= 1.0 && position <= n)) return probe;

  const int centre = RoundToInt(position);
  int p = MaxI(centre - 5, 1);
  for (int k = p + 1; k <= MinI(centre + 5, n); ++k) {
    if (y[k] > y[p]) p = k;
  }

  double sum = 0.0, moment = 0.0;
  for (int k = MaxI(p - 2, 1); k <= MinI(p + 2, n); ++k) {
    sum += y[k];
    moment += (k - p) * y[k];
  }
  probe.position = sum > 0.01 ? p + moment / sum : p;

  // The peak's bounds: the nearest local minima on both sides within p ± 48, else the window ends.
  int low = MaxI(p - 48, 1);
  int high = MinI(p + 48, n - 1);
  for (int k = p - 1; k >= MaxI(low, 2); --k) {
    if (LocalMinimum(y, k)) {
      low = k;
      break;
    }
  }
  for (int k = p + 1; k <= high; ++k) {
    if (LocalMinimum(y, k)) {
      high = k;
      break;
    }
  }
  if (high <= low) return probe;

  double top = y[low];
  for (int k = low + 1; k <= high; ++k) top = MaxD(top, y[k]);
  if (!(top > 3.0 * std::sqrt(MaxD(top, 0.0)))) return probe;

  const double slope = (y[high] - y[low]) / (high - low);
  double line_sum = 0.0;
  for (int k = low; k <= high; ++k) {
    const double line = y[low] + slope * (k - low);
    work.work_table[k] = MaxD(0.0, y[k] - line);
    probe.net_sum += work.work_table[k];
    line_sum += line;
  }
  probe.background = line_sum / (high - low + 1);

  if (p < low || p > high || !(work.work_table[p] / 2.0 > std::sqrt(top))) return probe;
  probe.width = HalfWidth(work.work_table, p, n);
  probe.found = probe.width > 0.0;
  return probe;
}

}  // namespace pektra
