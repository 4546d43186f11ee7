#include "numeric/array_tools.h"

#include <algorithm>
#include <cmath>

#include "core/arithmetic.h"
#include "numeric/messages.h"

namespace pektra {

namespace {

constexpr double kRepeatMarker = -0.123456789012;

// A total order for sorting: NaN after every number, so that a stray NaN cannot break the sort.
bool Before(double a, double b) {
  if (std::isnan(a)) return false;
  if (std::isnan(b)) return true;
  return a < b;
}

// Drops the elements for which keep() is false from 1..count, keeping the order.
template <typename Keep>
void Compact(OneBasedArray<double>& a, int& count, Keep keep) {
  count = std::clamp(count, 0, a.capacity());
  int kept = 0;
  for (int i = 1; i <= count; ++i) {
    if (keep(a[i])) a[++kept] = a[i];
  }
  count = kept;
}

}  // namespace

MinMax FindMinMax(const OneBasedArray<double>& a, int first, int last) {
  MinMax result;
  if (first <= 0) {
    result.min_value = result.max_value = a[1];
    return result;
  }
  first = std::min(first, a.capacity());
  last = std::min(last, a.capacity());
  result.min_index = result.max_index = first;
  result.min_value = result.max_value = a[first];
  for (int i = first + 1; i <= last; ++i) {
    if (a[i] < result.min_value) {
      result.min_value = a[i];
      result.min_index = i;
    }
    if (a[i] > result.max_value) {
      result.max_value = a[i];
      result.max_index = i;
    }
  }
  return result;
}

void FilterBySign(OneBasedArray<double>& a, int& count, int mode) {
  if (mode == -1) Compact(a, count, [](double v) { return v >= 0.0; });
  if (mode == 0) Compact(a, count, [](double v) { return v != 0.0; });
  if (mode == 1) Compact(a, count, [](double v) { return v <= 0.0; });
}

void SortArray(OneBasedArray<double>& a, int& count, int mode) {
  count = std::clamp(count, 0, a.capacity());
  if (count == 0) return;
  const auto values = a.range(1, count);
  // A stable sort gives exactly the order of an exchange sort with adjacent swaps.
  if (mode == 1) std::stable_sort(values.begin(), values.end(), Before);
  if (mode == -1) {
    std::stable_sort(values.begin(), values.end(), [](double x, double y) { return Before(y, x); });
  }
  if (mode == 0) {
    for (int i = 1; i < count; ++i) {
      if (a[i] == a[i + 1]) a[i] = kRepeatMarker;
    }
    Compact(a, count, [](double v) { return v != kRepeatMarker; });
  }
}

double Median(NumericWork& work, const OneBasedArray<double>& a, int n) {
  n = std::min({n, a.capacity(), work.work_result.capacity()});
  if (n <= 0) return 0.0;
  for (int i = 1; i <= n; ++i) work.work_result[i] = a[i];
  SortArray(work.work_result, n, 1);
  const auto& sorted = work.work_result;
  if (IsOdd(n)) return sorted[(n + 1) / 2];
  return (sorted[n / 2] + sorted[n / 2 + 1]) / 2.0;
}

Outcome Rebin(NumericWork& work, int n, double f, int& count) {
  if (n >= 8193) return Outcome::Failure(kMessageTooLongArray);
  n = std::max(n, 0);
  const double bins_exact = n / f;
  if (!(f > 0.0) || !(bins_exact <= 16382.5)) return Outcome::Failure(kMessageTooLongArray);
  const int bins = RoundToInt(bins_exact) + 2;
  if (bins > work.work_result.capacity()) return Outcome::Failure(kMessageTooLongArray);

  auto& out = work.work_result;
  for (int b = 1; b <= bins; ++b) out[b] = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double part = work.work_data[i] / 1000.0;
    for (int k = 0; k <= 999; ++k) {
      const int bin = RoundToInt((i + 0.001 * k) / f) + 1;
      if (bin >= 1 && bin <= bins) out[bin] += part;
    }
  }
  count = bins;
  return Outcome::Success();
}

LineFit LineFitTwoRanges(const OneBasedArray<double>& a, int i1, int i2, int j1, int j2) {
  const int cap = a.capacity();
  const int ranges[2][2] = {{std::max(i1, 1), std::min(i2, cap)},
                            {std::max(j1, 1), std::min(j2, cap)}};
  LineFit fit;
  int count = 0;
  double sum_x = 0.0, sum_y = 0.0;
  for (const auto& r : ranges) {
    for (int k = r[0]; k <= r[1]; ++k) {
      ++count;
      sum_x += k;
      sum_y += a[k];
    }
  }
  if (count == 0) return fit;
  fit.mean_x = sum_x / count;
  fit.mean_y = sum_y / count;
  double sxy = 0.0, sxx = 0.0;
  for (const auto& r : ranges) {
    for (int k = r[0]; k <= r[1]; ++k) {
      const double dx = k - fit.mean_x;
      sxy += dx * a[k];
      sxx += dx * dx;
    }
  }
  fit.slope = sxx > 0.0 ? sxy / sxx : 0.0;
  return fit;
}

}  // namespace pektra
