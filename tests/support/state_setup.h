// Set-up shared by the tests: the program's one-based arrays filled from and read into vectors, and
// calibrations switched on with given items.
#pragma once

#include <vector>

#include "calib/calibration.h"
#include "core/one_based.h"
#include "state/analysis_state.h"
#include "state/contexts.h"

namespace pektra::testing {

// Items 1..count as a vector.
template <typename T>
std::vector<T> Leading(const OneBasedArray<T>& array, int count) {
  const auto items = array.range(1, count);
  return {items.begin(), items.end()};
}

// Stores the values as items 1..n and returns n.
template <typename T>
int Fill(OneBasedArray<T>& array, const std::vector<T>& values) {
  int n = 0;
  for (const T& value : values) array[++n] = value;
  return n;
}

// The energy calibration with these items, switched on; in linear mode (1) its line is fitted.
inline void SetEnergyItems(AnalysisState& state, const std::vector<CalibrationItem>& items,
                           int mode) {
  state.enc.enc_count = Fill(state.enc.enc_points, items);
  state.enc.enc_mode = mode;
  state.enc.enc_present = true;
  if (mode == 1) FitEnergyLine(CalibrationsOf(state));
}

inline void SetEfficiencyItems(AnalysisState& state, const std::vector<CalibrationItem>& items) {
  state.efc.efc_count = Fill(state.efc.efc_points, items);
  state.efc.efc_present = true;
}

inline std::vector<CalibrationItem> EnergyItems(const AnalysisState& state) {
  return Leading(state.enc.enc_points, state.enc.enc_count);
}

inline std::vector<CalibrationItem> EfficiencyItems(const AnalysisState& state) {
  return Leading(state.efc.efc_points, state.efc.efc_count);
}

// The marking array as written, and the peak list and interval table converted from it.
inline void SetMarkingArray(AnalysisState& state, const std::vector<double>& values) {
  state.marking.marking_length = Fill(state.marking.marking_data, values);
}

inline std::vector<double> MarkingArray(const AnalysisState& state) {
  return Leading(state.marking.marking_data, state.marking.marking_length);
}

inline std::vector<double> PeakList(const AnalysisState& state) {
  return Leading(state.marking.peak_list, state.marking.peak_count);
}

inline std::vector<IntervalRecord> IntervalList(const AnalysisState& state) {
  return Leading(state.marking.interval_table, state.marking.interval_count);
}

}  // namespace pektra::testing
