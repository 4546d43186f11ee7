#include "marking/marking.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/analysis_state.h"
#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "marking/marking_commands.h"
#include "marking/marking_data.h"
#include "marking/old_search.h"
#include "marking/peak_search.h"
#include "ui/help_texts.h"

namespace pektra {

namespace {

const char* const kRowLabels[] = {
    " Width at the beginning (chan)", " Width at the end(chan)", " Width accuracy(chan)",
    " Sensitivity (0.5 - 3)",         " Resolution (1-3)",       " Interval length"};

// The width line through w1 at b1 over the interval, as the marking sets it before a search.
void SetWidthLineFromDialog(AnalysisState& state) {
  const TSpectrum& sp = state.spectrum;
  state.width_slope = (sp.w2 - sp.w1) / (sp.b2 - sp.b1 + 1);
  state.width_offset = sp.w1 - sp.b1 * state.width_slope;
}

// Manual marking: each picked point moves to a higher channel within two of it.
void MarkPickedPoints(AnalysisState& state) {
  const TSpectrum& sp = state.spectrum;
  const int count = std::min(state.mark_list_count, kMaxPeaks);
  for (int j = 1; j <= count; ++j) {
    const int c0 = std::clamp(RoundToInt(state.mark_list[j]), 1, kMaxChannels);
    int c = c0;
    for (int d = -2; d <= 2; ++d) {
      const int neighbour = std::clamp(c0 + d, 1, kMaxChannels);
      if (sp.counts[neighbour] > sp.counts[c0]) c = neighbour;
    }
    state.peak_list[j] = c;
  }
  state.peak_count = count;
  SetWidthLineFromDialog(state);
  state.peak_search.work_slope = state.width_slope;
  state.peak_search.work_offset = state.width_offset;
  state.peak_search.compression = 1.0;
  DivideIntoIntervals(state, sp.b1, sp.b2);
}

// Runs the search of the chosen algorithm and leaves the marking; false when nothing was marked.
bool Dispatch(AnalysisState& state, UserInterface& ui) {
  TSpectrum& sp = state.spectrum;
  switch (state.mark_mode) {
    case 1:
      return ConvertMarkingData(state, ui);
    case 4:
      if (state.mark_list_count <= 0) {
        ui.ShowNote("No marked points");
        return false;
      }
      if (!SetSearchControls(state, ui, /*with_algorithm=*/false)) return false;
      MarkPickedPoints(state);
      return true;
    case 0:
    case 2:
    case 3:
      break;
    default:
      return false;
  }
  if (!SetSearchControls(state, ui, /*with_algorithm=*/true)) return false;
  const bool listed = state.mark_mode != 0;  // energies or lines
  if (listed && state.mark_list_count <= 0) {
    ui.ShowNote("No energy (line) list");
    return false;
  }
  SetWidthLineFromDialog(state);
  if (state.ndf != 0) {
    FindPeaks(state, ui, sp.b1, sp.delta_w, sp.w2, sp.w1, sp.b2);
    if (listed) {
      ListToChannels(state, ui);
      KeepListedIntervals(state, state.mark_list, state.mark_list_count);
    }
    DivideIntoIntervals(state, sp.b1, sp.b2);
    return true;
  }
  FindPeaksOld(state, ui);
  OldDivision(state);
  if (listed) ReportNotFound(state, ui);
  if (state.marking_length == 0) {  // nothing found: an empty marking, not a broken one
    state.peak_count = 0;
    state.interval_count = 0;
    return true;
  }
  return ConvertMarkingData(state, ui);
}

}  // namespace

bool SetSearchControls(AnalysisState& state, UserInterface& ui, bool with_algorithm) {
  TSpectrum& sp = state.spectrum;
  DialogContent dialog = OpenDialogForm("Find the Peaks");
  dialog.help_lines = HelpLines(HelpTopic::kMarkingData, state.display.rus_help);
  dialog.labels[0] = {true,           5, 5, "Set the control data for peak search", colors::kWhite,
                      colors::kMaroon};
  dialog.labels[1] = {true,
                      5,
                      200,
                      "         Warning.\nThe quality of peak search strongly\n"
                      "depends on the accuracy of widths.",
                      colors::kYellow,
                      colors::kGreen};
  DialogParameterGrid& grid = dialog.grid;
  grid.visible = true;
  grid.left = 5;
  grid.top = 30;
  grid.rows = 6;
  grid.field_width = 8;
  grid.value_columns = 1;
  grid.visible_rows = 6;
  grid.column_widths = {230, 70};
  const double values[] = {sp.w1,      sp.w2,       sp.delta_w,
                           state.sens, state.resol, static_cast<double>(state.max_interval)};
  for (int r = 0; r < 6; ++r) {
    grid.labels.emplace_back(kRowLabels[r]);
    grid.cells.push_back({FormatGridCell(grid.field_width, values[r])});
  }
  if (with_algorithm) {
    ShowLabel(dialog, 2, 5, 265, " Specify the algorithm for peak search ");
    ShowChoiceList(dialog, 0, 5, 285, 310, 60, {" New algorithm", " Old algorithm"},
                   state.ndf != 0 ? 0 : 1);
  }
  ui.ShowDialog(dialog);
  if (!dialog.ok) {
    state.dialog_ok = 0;
    return false;
  }
  double read[6];
  int readable = 1;
  for (int r = 0; r < 6; ++r) {
    const auto& row = dialog.grid.cells[static_cast<std::size_t>(r)];
    int cell_ok = 1;
    read[r] = EntryToReal(row.empty() ? std::string() : row[0], cell_ok);
    if (cell_ok == 0) readable = 0;
  }
  if (readable == 0) {
    ui.ShowNote("Error, wrong numbers");
    state.dialog_ok = 0;
    return false;
  }
  // Each value is checked on its own: a wrong one keeps its old setting and is named.
  if (read[0] > 0)
    sp.w1 = read[0];
  else
    ui.ShowNote("Erroneous width");
  if (read[1] > 0)
    sp.w2 = read[1];
  else
    ui.ShowNote("Erroneous width");
  if (read[2] >= 0)
    sp.delta_w = read[2];
  else
    ui.ShowNote("Erroneous width accuracy");
  if (read[3] > 0)
    state.sens = read[3];
  else
    ui.ShowNote("Erroneous sensitivity");
  state.resol = read[4];
  const int length = RoundToInt(read[5]);
  if (length >= 64 && length <= 4096)
    state.max_interval = length;
  else
    ui.ShowNote("Wrong interval");
  if (with_algorithm) state.ndf = dialog.choice_lists[0].selected == 1 ? 0 : 1;
  state.dialog_ok = 1;
  return true;
}

void MarkSpectrum(AnalysisState& state, UserInterface& ui) {
  TSpectrum& sp = state.spectrum;
  state.interval_begin = sp.b1;
  state.interval_end = sp.b2;
  state.dialog_ok = 1;
  state.width_exact = true;
  const bool marked = Dispatch(state, ui);
  if (!marked) state.dialog_ok = 0;
  if (marked) state.result_offset = state.result_count;

  // The interval is shown with its marking, clipped into the spectrum.
  state.graph_mode = 1;
  const int length = state.interval_end - state.interval_begin;
  if (state.interval_begin < sp.a1) {
    state.interval_begin = sp.a1;
    state.interval_end = std::min(sp.a2, sp.a1 + length);
  }
  if (state.interval_end > sp.a2) {
    state.interval_end = sp.a2;
    state.interval_begin = std::max(sp.a1, sp.a2 - length);
  }
  state.interval_length = state.interval_end - state.interval_begin + 1;

  std::string report = " " + std::to_string(state.peak_count) + " peak(s) found. ";
  if (!state.width_exact) report += "Inexact peak width dependence; ";
  state.status_text = {state.dialog_ok == 0 ? std::string() : report, std::string()};
}

}  // namespace pektra
