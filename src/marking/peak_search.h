// TPeakSearch: finds the peaks of the interval under analysis, window by window, and divides the
// interval into fit intervals around them. The results go to the analysis state (peak_list,
// peak_count, the width line, width_exact, interval_table); the object keeps the state of the
// last window and the working width line that the division reads afterwards.
#pragma once

#include <vector>

#include "core/one_based.h"

namespace pektra {

struct MarkingContext;
class UserInterface;

inline constexpr int kSearchArraySize = 16384;
inline constexpr int kMaxSearchPeaks = 150;  // a search stops here

class TPeakSearch {
 public:
  double compression = 1.0;  // 1, or w1 / 8 when the width at the beginning exceeds 8 channels
  double work_slope = 0.0;   // the working width line (window channels): slope ...
  double work_offset = 0.0;  // ... and offset

  // State of the current window.
  double window_max = 0.0, window_min = 0.0;
  int max_index = 0, min_index = 0;
  double window_peak = 0.0;  // the window maximum before normalisation
  double width_accuracy = 0.0;
  int window_start = 0, window_end = 0;
  int window_length = 0, raw_window_length = 0;
  int candidate_count = 0;
  double kse = 0.0;  // threshold factor of the window, at most 3

  // Per window channel: errors of the window counts; curvature, then candidate positions; widths
  // or gaps of the candidates; curvature, then flag sums of the candidates (and the intermediate
  // marking array of the division).
  OneBasedArray<double> search_errors{kSearchArraySize, 0.0};
  OneBasedArray<double> search_positions{kSearchArraySize, 0.0};
  OneBasedArray<double> search_widths{kSearchArraySize, 0.0};
  OneBasedArray<double> search_quality{kSearchArraySize, 0.0};
};

// The window test: a window holds something only when its three central channels s3 stand out
// of three times its lowest value by at least 3 * sqrt(|3 * minimum + 1|) * sens.
bool WindowHoldsSomething(double s3, double minimum, double sens);

// Candidates closer than min_distance channels whose counts are both below 150 become one
// candidate at their count-weighted mean channel (positions in window channels, ascending).
void MergeCloseLowCountPairs(std::vector<double>& positions, const OneBasedArray<double>& work,
                             int n, double min_distance);

// The new algorithm over channels b1..b2 of the spectrum, with the widths w1 (beginning) and w2
// (end) and their accuracy delta_w. Fills peak_list (at most 150 peaks, with a message through
// `ui` when the limit is reached), the width line and width_exact.
void FindPeaks(const MarkingContext& ctx, UserInterface& ui, int b1, double delta_w, double w2,
               double w1, int b2);

// Divides first..last into fit intervals around the peaks of peak_list (sorted first, and peaks
// within half a channel of each other merged into one at their mean channel, which lowers
// peak_count), using the working width line and compression of the last search; intervals with
// several peaks longer than max_interval are split at their widest gap.
void DivideIntoIntervals(const MarkingContext& ctx, int first, int last);

}  // namespace pektra
