// Feeds raw bytes to the marking data reader and converts what it accepts into a marking, which
// must then be consistent; the marking also goes through the editor and back. The same bytes are
// read as an energy list (file and screen) and turned into channels.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/silent_user_interface.h"
#include "core/text_input.h"
#include "marking/marking_commands.h"
#include "marking/marking_data.h"
#include "state/analysis_state.h"
#include "state/contexts.h"

namespace {

using namespace pektra;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Answers nothing and ignores every note.
using NullUi = SilentUserInterface;

// One state for all runs (building one is costly); every run starts from an empty marking.
AnalysisState& FreshMarking() {
  static AnalysisState state;
  state.marking.marking_length = 0;
  state.marking.peak_count = 0;
  state.marking.interval_count = 0;
  state.marking.marking_data.fill(0.0);
  state.marking.peak_list.fill(0.0);
  state.marking.interval_table.fill(IntervalRecord{});
  return state;
}

void CheckMarking(const AnalysisState& state) {
  Check(state.marking.peak_count >= 1 && state.marking.peak_count <= kMaxPeaks);
  Check(state.marking.interval_count >= 1 && state.marking.interval_count <= kMaxPeaks);
  int last = 0;
  for (int k = 1; k <= state.marking.interval_count; ++k) {
    const IntervalRecord& r = state.marking.interval_table[k];
    Check(r.left >= 1 && r.left <= r.right && r.right <= kMaxChannels);
    Check(r.first_peak == last + 1 && r.last_peak >= r.first_peak - 1);
    for (int j = r.first_peak; j <= r.last_peak; ++j) {
      Check(state.marking.peak_list[j] >= r.left && state.marking.peak_list[j] <= r.right);
    }
    last = r.last_peak;
  }
  Check(last == state.marking.peak_count);
}

void SetArray(AnalysisState& state, const std::vector<double>& values) {
  state.marking.marking_length = static_cast<int>(values.size());
  for (int i = 1; i <= state.marking.marking_length; ++i) {
    state.marking.marking_data[i] = values[static_cast<std::size_t>(i - 1)];
  }
}

void FuzzMarkingData(const std::string& bytes) {
  std::istringstream in(bytes);
  std::vector<double> values;
  const Outcome read = ReadMarkingValues(in, values);
  Check(values.size() <= static_cast<std::size_t>(kMaxMarkingInput));
  if (!read.ok) {
    Check(read.message == kTooManyMarkingPoints && values.size() == kMaxMarkingInput);
    return;
  }
  NullUi ui;
  AnalysisState& state = FreshMarking();
  SetArray(state, values);
  if (!ConvertMarkingData(MarkingOf(state), ui)) {
    Check(state.marking.peak_count == 0 && state.marking.interval_count == 0);
    return;
  }
  CheckMarking(state);

  // Through the editor: the intervals come back, the peaks to the editor's one decimal. A peak that
  // the decimal moves onto a bound shared by two intervals may make the array ambiguous, which the
  // conversion then refuses.
  const auto converted_intervals =
      state.marking.interval_table.range(1, state.marking.interval_count);
  const std::vector<IntervalRecord> intervals(converted_intervals.begin(),
                                              converted_intervals.end());
  const auto converted_peaks = state.marking.peak_list.range(1, state.marking.peak_count);
  const std::vector<double> peaks(converted_peaks.begin(), converted_peaks.end());
  std::istringstream editor(MarkingEditorText(MarkingOf(state)));
  std::vector<double> edited;
  Check(ReadMarkingValues(editor, edited).ok);
  const std::vector<double> rebuilt = RebuildMarkingArray(edited);
  Check(rebuilt.size() == edited.size());
  if (rebuilt.size() > static_cast<std::size_t>(kMaxMarkingInput)) return;
  SetArray(state, rebuilt);
  if (!ConvertMarkingData(MarkingOf(state), ui)) return;
  CheckMarking(state);
  Check(state.marking.interval_count == static_cast<int>(intervals.size()));
  for (int k = 1; k <= state.marking.interval_count; ++k) {
    Check(state.marking.interval_table[k] == intervals[static_cast<std::size_t>(k - 1)]);
  }
  Check(state.marking.peak_count == static_cast<int>(peaks.size()));
  for (int j = 1; j <= state.marking.peak_count; ++j) {
    Check(std::fabs(state.marking.peak_list[j] - peaks[static_cast<std::size_t>(j - 1)]) <= 0.0501);
  }
}

void CheckChannels(const AnalysisState& state, int before) {
  Check(state.marking.mark_list_count >= 0 && state.marking.mark_list_count <= before);
  for (int i = 1; i <= state.marking.mark_list_count; ++i) {
    Check(state.marking.mark_list[i] > 0.0 && std::isfinite(state.marking.mark_list[i]));
    if (i > 1) Check(state.marking.mark_list[i - 1] <= state.marking.mark_list[i]);
  }
}

void FuzzEnergyList(const std::string& bytes) {
  static AnalysisState state;
  NullUi ui;
  std::istringstream in(bytes);
  state.marking.mark_list.fill(0.0);
  const int count = ReadEnergyList(in, state.marking.mark_list);
  Check(count >= 0 && count <= kMaxMarkList);
  for (const MarkMode mode : {MarkMode::kEnergies, MarkMode::kLines}) {  // without a calibration
    state.marking.mark_mode = mode;
    state.enc.enc_present = false;
    state.marking.mark_list_count = count;
    const std::vector<double> saved = ListToChannels(MarkingOf(state), ui);
    Check(saved.size() == static_cast<std::size_t>(count));
    CheckChannels(state, count);
    for (int i = 1; i <= count; ++i)
      state.marking.mark_list[i] = saved[static_cast<std::size_t>(i - 1)];
  }
  const std::vector<double> typed = ReadTypedEnergies(bytes);
  Check(typed.size() <= static_cast<std::size_t>(kMaxMarkList));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  FuzzMarkingData(bytes);
  FuzzEnergyList(bytes);
  return 0;
}
