// The records that several subsystems share: capacities, a marked interval, a result row and a
// calibration item.
#pragma once

#include <array>

namespace pektra {

inline constexpr int kMaxPeaks = 1000;  // peak_list, interval_table
// marking_data: room for the old search's 300 peaks, each in an interval of its own; marking
// data read from a file or typed in the editor keep at most kMaxMarkingInput values.
inline constexpr int kMaxMarkingData = 1000;
inline constexpr int kMaxMarkingInput = 200;
inline constexpr int kMaxMarkList = 300;         // mark_list
inline constexpr int kMaxNames = 200;            // name_list
inline constexpr int kResultCapacity = 1000;     // result rows
inline constexpr int kMaxCalibrationItems = 60;  // enc_points, efc_points
inline constexpr int kMaxFitPeaks = 50;          // peaks fitted in one interval
inline constexpr int kResultValues = 8;          // values of one result row

// A marked interval: bounds and the indices of its first and last peak in peak_list.
struct IntervalRecord {
  int left = 0, right = 0, first_peak = 0, last_peak = 0;
  bool operator==(const IntervalRecord&) const = default;
};

// One peak's result: channel, channel error, area, area error, width, width error, significance
// criterion C = (T - B) / sqrt(|T| + |B| + 1) and background B under the peak.
using ResultRow = std::array<double, kResultValues>;

// A calibration item: (channel, energy, error) for energy, (energy, coefficient, error) for
// efficiency.
using CalibrationItem = std::array<double, 3>;

}  // namespace pektra
