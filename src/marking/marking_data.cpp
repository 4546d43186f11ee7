#include "marking/marking_data.h"

#include <cmath>
#include <vector>

#include "core/arithmetic.h"
#include "core/user_interface.h"
#include "marking/marking_context.h"

namespace pektra {

namespace {

constexpr const char* kIncorrectMarking = "Error, the marking data is not correct";

// The marking an array describes, built apart from the analysis state so that a broken array
// leaves the state untouched.
struct ConvertedMarking {
  std::vector<double> peaks;
  std::vector<IntervalRecord> intervals;
};

// The layout rules: the first and the last entry are bounds (negative), at least one peak, and
// after a right bound comes either a left bound or the end. Zero is neither a channel nor a
// bound, and non-finite numbers are never channels: both break the array. The bounds are paired
// left / right as they come; peaks sit between a left and a right bound.
bool SplitArray(const MarkingContext& ctx, std::vector<double>& bounds,
                std::vector<double>& peaks) {
  const int length = ctx.marking.marking_length;
  if (length < 3 || length > ctx.marking.marking_data.capacity()) return false;
  bool inside = false;  // between a left and a right bound
  for (int i = 1; i <= length; ++i) {
    const double v = ctx.marking.marking_data[i];
    if (!std::isfinite(v) || v == 0.0) return false;
    if (v < 0.0) {
      bounds.push_back(-v);
      inside = !inside;
    } else {
      if (!inside) return false;  // a peak after a right bound, or before the first left bound
      peaks.push_back(v);
    }
  }
  return !inside && !peaks.empty();
}

// Intervals from the bound pairs; each takes the peaks counted within its rounded bounds, in the
// order of the array. The counting must hand out every peak exactly once, and every peak handed
// to an interval must lie within it; otherwise the array is broken (peaks outside all intervals,
// overlapping intervals, peaks written under the wrong interval).
bool BuildIntervals(const std::vector<double>& bounds, ConvertedMarking& marking) {
  const int peak_count = static_cast<int>(marking.peaks.size());
  const int interval_count = static_cast<int>(bounds.size()) / 2;
  if (peak_count > kMaxPeaks || interval_count > kMaxPeaks) return false;
  int last = 0;
  for (int k = 1; k <= interval_count; ++k) {
    IntervalRecord record;
    record.left = RoundToInt(bounds[static_cast<std::size_t>(2 * k - 2)]);
    record.right = RoundToInt(bounds[static_cast<std::size_t>(2 * k - 1)]);
    if (record.left < 1 || record.right > kMaxChannels || record.left > record.right) return false;
    int inside = 0;
    for (double p : marking.peaks) {
      if (p >= record.left && p <= record.right) ++inside;
    }
    record.first_peak = last + 1;
    record.last_peak = last + inside;
    if (record.last_peak > peak_count) return false;
    for (int j = record.first_peak; j <= record.last_peak; ++j) {
      const double p = marking.peaks[static_cast<std::size_t>(j - 1)];
      if (p < record.left || p > record.right) return false;
    }
    last = record.last_peak;
    marking.intervals.push_back(record);
  }
  return last == peak_count;
}

}  // namespace

bool ConvertMarkingData(const MarkingContext& ctx, UserInterface& ui) {
  std::vector<double> bounds;
  ConvertedMarking marking;
  if (!SplitArray(ctx, bounds, marking.peaks) || !BuildIntervals(bounds, marking)) {
    ui.ShowNote(kIncorrectMarking);
    ctx.view.dialog_ok = 0;
    return false;
  }
  ctx.marking.peak_count = static_cast<int>(marking.peaks.size());
  for (int j = 1; j <= ctx.marking.peak_count; ++j) {
    ctx.marking.peak_list[j] = marking.peaks[static_cast<std::size_t>(j - 1)];
  }
  ctx.marking.interval_count = static_cast<int>(marking.intervals.size());
  for (int k = 1; k <= ctx.marking.interval_count; ++k) {
    ctx.marking.interval_table[k] = marking.intervals[static_cast<std::size_t>(k - 1)];
  }
  return true;
}

}  // namespace pektra
