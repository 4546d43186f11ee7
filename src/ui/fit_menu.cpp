// The fit display's "Change" menu and the clicks on its fit picture: blunders, new and deleted
// peaks, the background, the interval's bounds.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/display_settings.h"
#include "core/number_format.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "fit/interval_fit.h"
#include "marking/peak_search.h"
#include "numeric/array_tools.h"
#include "spectrum/smoothing_window.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "state/spectrum_history.h"
#include "ui/fit_display.h"
#include "ui/fit_display_parts.h"

namespace pektra {
namespace {

// The read-out box inside the fit picture, top right (the plot's maximum label is top left).
constexpr double kBoxLeft = 162, kBoxTop = 6, kBoxRight = 312, kBoxBottom = 56;

// The peaks of the marking and their result rows before a change of the peak list.
struct PeakRows {
  std::vector<double> channels;  // peak_list[1..peak_count]
  std::vector<ResultRow> rows;   // rows result_offset + 1 .. result_count
  std::vector<RowStatus> status;
};

PeakRows TakePeakRows(const AnalysisState& state) {
  PeakRows before;
  const MarkingState& m = state.marking;
  for (int i = 1; i <= std::min(m.peak_count, kMaxPeaks); ++i)
    before.channels.push_back(m.peak_list[i]);
  const ResultTable& r = state.results;
  for (int row = r.result_offset + 1; row <= std::min(r.result_count, kResultCapacity); ++row) {
    before.rows.push_back(r.result_rows[row]);
    before.status.push_back(r.row_status[row]);
  }
  return before;
}

// Puts the rows back where their peaks now are (row = result_offset + the peak's index), after
// the peak list was sorted, merged, grown or shrunk. A new peak gets an empty row until its
// interval is fitted; the row of a removed peak goes. Rows counted beyond the peaks move along.
void RealignRows(AnalysisState& state, const PeakRows& before) {
  ResultTable& results = state.results;
  const int offset = results.result_offset;
  const int old_peaks = static_cast<int>(before.channels.size());
  const int old_rows = static_cast<int>(before.rows.size());
  const int new_peaks = std::min(state.marking.peak_count, kMaxPeaks);
  const int delta = new_peaks - old_peaks;
  std::multimap<double, int> unused;  // channel -> old index (0-based)
  for (int i = 0; i < old_peaks; ++i)
    unused.emplace(before.channels[static_cast<std::size_t>(i)], i);

  const int new_rows = std::clamp(old_rows + delta, 0, std::max(0, kResultCapacity - offset));
  for (int j = 0; j < new_rows; ++j) {
    int source = -1;
    if (j < new_peaks) {
      const auto found = unused.find(state.marking.peak_list[j + 1]);
      if (found != unused.end()) {
        source = found->second;
        unused.erase(found);
      }
    } else {
      source = j - delta;  // a row counted beyond the peaks
    }
    const bool kept = source >= 0 && source < old_rows;
    results.result_rows[offset + j + 1] =
        kept ? before.rows[static_cast<std::size_t>(source)] : ResultRow{};
    results.row_status[offset + j + 1] =
        kept ? before.status[static_cast<std::size_t>(source)] : RowStatus{true, {}};
  }
  for (int j = new_rows; j < old_rows; ++j) {
    results.result_rows[offset + j + 1] = ResultRow{};
    results.row_status[offset + j + 1] = RowStatus{};
  }
  results.result_count = offset + new_rows;
}

// The interval of the marking that holds channel c (the first), else the present one.
void MakeCurrentIntervalAt(AnalysisState& state, int c) {
  for (int i = 1; i <= std::min(state.marking.interval_count, kMaxPeaks); ++i) {
    const IntervalRecord& r = state.marking.interval_table[i];
    if (r.left <= c && c <= r.right) {
      state.fit.current_interval = i;
      return;
    }
  }
}

// Divides the marking again over b1..b2 by the spectrum's width line in whole channels. The
// working line the last search left is in the channels of its last compressed window, or unset
// after the old search, and cut intervals far narrower than their peaks; it is kept for the
// search.
void DivideAgain(AnalysisState& state) {
  TPeakSearch& search = state.peak_search;
  const double slope = search.work_slope, offset = search.work_offset;
  const double compression = search.compression;
  WidthLine line = state.width;
  const TSpectrum& sp = state.spectrum;
  if (!(line.At(sp.b1) > 0 && line.At(sp.b2) > 0)) {
    line.width_slope = (sp.w2 - sp.w1) / std::max(1, sp.a2 - sp.a1);
    line.width_offset = sp.w1 - sp.a1 * line.width_slope;
  }
  search.work_slope = line.width_slope;
  search.work_offset = line.width_offset;
  search.compression = 1.0;
  DivideIntoIntervals(MarkingOf(state), sp.b1, sp.b2);
  search.work_slope = slope;
  search.work_offset = offset;
  search.compression = compression;
}

// Divides the marking again after a change of the peak list, keeping each row with its peak, and
// fits the interval that holds channel c.
void DivideAndRefit(AnalysisState& state, UserInterface& ui, const PeakRows& before, int c) {
  DivideAgain(state);
  RealignRows(state, before);
  MakeCurrentIntervalAt(state, c);
  FitDisplay(state, ui, /*refit=*/false);
}

void AddPeakAt(AnalysisState& state, UserInterface& ui, int c) {
  MarkingState& m = state.marking;
  if (m.peak_count + 1 > kMaxPeaks || state.results.result_count + 1 > kResultCapacity) {
    ui.ShowNote("Error, too many peaks in the table");
    return;
  }
  const PeakRows before = TakePeakRows(state);
  m.peak_list[++m.peak_count] = c;
  DivideAndRefit(state, ui, before, c);
}

void DeletePeakNear(AnalysisState& state, UserInterface& ui, int c) {
  MarkingState& m = state.marking;
  const int count = std::min(m.peak_count, kMaxPeaks);
  if (count < 1) return;
  int nearest = 1;
  for (int i = 2; i <= count; ++i) {
    if (std::fabs(m.peak_list[i] - c) < std::fabs(m.peak_list[nearest] - c)) nearest = i;
  }
  const PeakRows before = TakePeakRows(state);
  m.peak_list[nearest] = 0.0;
  FilterBySign(m.peak_list, m.peak_count, 0);
  DivideAndRefit(state, ui, before, c);
}

// The count becomes the mean of its neighbours (the one neighbour at an end of the spectrum).
void CorrectBlunder(AnalysisState& state, UserInterface& ui, int c) {
  TSpectrum& sp = state.spectrum;
  const int first = std::max(sp.a1, 1), last = std::min(sp.a2, kMaxChannels);
  const bool left = c - 1 >= first, right = c + 1 <= last;
  if (!left && !right) return;
  const double sum = (left ? sp.counts[c - 1] : 0.0) + (right ? sp.counts[c + 1] : 0.0);
  RememberSpectrum(state, "Correct the blunders");
  sp.counts[c] = sum / ((left ? 1 : 0) + (right ? 1 : 0));
  FitDisplay(state, ui, /*refit=*/false);
}

void ShowReadOut(AnalysisState& state, UserInterface& ui, int c) {
  Picture picture = FitPicture(state, state.view.single_peaks_shown);
  picture.Add(
      Frame{kBoxLeft, kBoxTop, kBoxRight, kBoxBottom, colors::kLime, true, true, colors::kBlack});
  std::vector<std::string> lines = {"Channel = " + FormatFixed(6, 0, c),
                                    "Counts  = " + FormatFixed(12, 0, state.spectrum.counts[c])};
  if (state.enc.enc_present) {
    lines.push_back("Energy  = " + FormatFixed(7, 2, EnergyOfChannel(state, c)));
  }
  double y = kBoxTop + 4;
  for (const std::string& line : lines) {
    Text text{kBoxLeft + 8, y, line, colors::kAqua};
    text.size = 8;
    picture.Add(text);
    y += 14;
  }
  ui.ShowPicture(PictureArea::kFitGraph, picture);
}

// "Set new interval bounds": " i1=" and " i2=", preset with the interval's bounds; refused with a
// note when unreadable, outside the spectrum, reversed, too long or not holding its peaks.
void SetNewBounds(AnalysisState& state, UserInterface& ui) {
  if (state.marking.interval_count < 1) {
    ui.ShowNote("No marking data");
    return;
  }
  int& current = state.fit.current_interval;
  current = std::clamp(current, 1, std::min(state.marking.interval_count, kMaxPeaks));
  DialogContent dialog = OpenDialogForm("Enter new bounds");
  DialogParameterGrid& grid = dialog.grid;
  grid.visible = true;
  grid.left = 5;
  grid.top = 30;
  grid.rows = grid.visible_rows = 2;
  grid.column_widths = {150, 100};
  grid.labels = {" i1=", " i2="};
  grid.cells = {{FormatGridCell(8, state.fit.fit_first)}, {FormatGridCell(8, state.fit.fit_last)}};
  ui.ShowDialog(dialog);
  if (!dialog.ok) return;
  bool readable = true;
  double typed[2];
  for (std::size_t r = 0; r < 2; ++r) {
    const std::vector<std::string> row =
        r < dialog.grid.cells.size() ? dialog.grid.cells[r] : std::vector<std::string>{};
    int cell_ok = 1;
    typed[r] = EntryToReal(row.empty() ? std::string() : row[0], cell_ok);
    // An empty cell would read as 0.
    if (cell_ok == 0 || row.empty() || row[0].find_first_not_of(' ') == std::string::npos) {
      readable = false;
    }
  }
  if (!readable || !std::isfinite(typed[0]) || !std::isfinite(typed[1]) ||
      std::fabs(typed[0]) > kMaxChannels || std::fabs(typed[1]) > kMaxChannels) {
    ui.ShowNote("Error, wrong numbers");
    return;
  }
  const int i1 = RoundToInt(typed[0]), i2 = RoundToInt(typed[1]);
  const TSpectrum& sp = state.spectrum;
  const std::string bounds = std::to_string(i1) + " " + std::to_string(i2);
  IntervalRecord& interval = state.marking.interval_table[current];
  bool holds_peaks = true;
  for (int k = std::max(interval.first_peak, 1); k <= std::min(interval.last_peak, kMaxPeaks);
       ++k) {
    const double p = state.marking.peak_list[k];
    holds_peaks = holds_peaks && p >= i1 && p <= i2;
  }
  if (i1 < sp.a1 || i2 > sp.a2) {
    ui.ShowNote("Error, the bounds must lie within " + std::to_string(sp.a1) + " - " +
                std::to_string(sp.a2));
  } else if (i1 >= i2) {
    ui.ShowNote("Error, i1 must be below i2");
  } else if (i2 - i1 + 1 > state.marking.max_interval) {
    ui.ShowNote("Error, too long interval " + bounds);
  } else if (!holds_peaks) {
    ui.ShowNote("Error, the interval " + bounds + " does not hold its peaks");
  } else {
    interval.left = i1;
    interval.right = i2;
    FitDisplay(state, ui, /*refit=*/false);
  }
}

// "Change the background": b1..b3 free, then the fit with background degree 3.
void ChangeBackground(AnalysisState& state, UserInterface& ui) {
  for (int j = 2; j <= 4; ++j) {
    ParameterRecord& p = state.fitter.param(j);
    p.value = 0.0;
    p.lower = -1e11;
    p.upper = 1e11;
  }
  FitDisplay(state, ui, /*refit=*/true);
}

// "Suppress the background": a background curve under the interval, made smoother or rougher by
// the user in the smoothing window, is taken off the counts for a refit with the full background
// polynomial, and put back afterwards, so the spectrum is unchanged. Cancel changes nothing.
void SuppressBackground(AnalysisState& state, UserInterface& ui) {
  if (!state.fit.display_fit_current) return;
  const int first = std::max(state.fit.fit_first, 1);
  const int last = std::min(state.fit.fit_last, kMaxChannels);
  const int n = last - first + 1;
  NumericWork& work = state.work;
  if (n < 3 || n > work.work_data.capacity()) return;
  for (int i = 1; i <= n; ++i) work.work_data[i] = state.spectrum.counts[first + i - 1];
  if (!SmoothingWindow(work, n, SmoothingMode::kBackground, state.view.scale_mode,
                       state.view.trim_coefficient, ui)) {
    return;
  }
  // The counts are put back as they were, not by adding the curve again, which could change
  // their last bits.
  OneBasedArray<double>& counts = state.spectrum.counts;
  const auto kept = counts.range(first, last);
  const std::vector<double> original(kept.begin(), kept.end());
  for (int i = 1; i <= n; ++i) counts[first + i - 1] -= work.work_result[i];
  FitDisplay(state, ui, /*refit=*/true);
  for (int i = 1; i <= n; ++i) counts[first + i - 1] = original[static_cast<std::size_t>(i - 1)];
}

void AskForClick(AnalysisState& state, UserInterface& ui, ClickAction action) {
  ui.ShowHint(" Click on the point. ", 390, 190, colors::kRed);
  state.view.click_action = action;
}

}  // namespace

void FitPictureClick(AnalysisState& state, UserInterface& ui, int x, int /*y*/) {
  if (state.view.graph_mode != GraphMode::kFitDisplay || !state.fit.display_fit_current) return;
  const int first = std::max(state.fit.fit_first, 1);
  const int last = std::min(state.fit.fit_last, kMaxChannels);
  if (last < first) return;
  const double scale = state.display.screen_scale;
  const int n = state.fit.fit_last - state.fit.fit_first + 1;
  const double at = (x - ScaleToScreen(10, scale)) * static_cast<double>(n) /
                        std::max(1, ScaleToScreen(300, scale)) +
                    state.fit.fit_first - 1;
  const int c = std::clamp(RoundToInt(at), first, last);
  const ClickAction action = state.view.click_action;
  state.view.click_action = ClickAction::kReadOut;
  if (action != ClickAction::kReadOut) ui.ShowHint("", 390, 190, colors::kRed);
  switch (action) {
    case ClickAction::kReadOut:
      ShowReadOut(state, ui, c);
      break;
    case ClickAction::kBlunder:
      CorrectBlunder(state, ui, c);
      break;
    case ClickAction::kAddPeak:
      AddPeakAt(state, ui, c);
      break;
    case ClickAction::kDeletePeak:
      DeletePeakNear(state, ui, c);
      break;
  }
}

void FitMenu(AnalysisState& state, UserInterface& ui) {
  if (state.view.graph_mode != GraphMode::kFitDisplay) return;
  DialogContent dialog = OpenDialogForm("Menu");
  ShowChoiceList(
      dialog, 0, 30, 40, 270, 170,
      {"Correct the blunders", "Change the background", "Suppress the background",
       "Check the parameters", "Set new interval bounds", "Click on new peak", "Delete peak"},
      0);
  ui.ShowDialog(dialog);
  if (!dialog.ok) return;
  switch (dialog.choice_lists[0].selected) {
    case 0:
      AskForClick(state, ui, ClickAction::kBlunder);
      break;
    case 1:
      ChangeBackground(state, ui);
      break;
    case 2:
      SuppressBackground(state, ui);
      break;
    case 3:
      if (state.fit.display_fit_current) ShowParameterArray(FitOf(state), ui);
      break;
    case 4:
      SetNewBounds(state, ui);
      break;
    case 5:
      AskForClick(state, ui, ClickAction::kAddPeak);
      break;
    case 6:
      AskForClick(state, ui, ClickAction::kDeletePeak);
      break;
    default:
      break;
  }
}

}  // namespace pektra
