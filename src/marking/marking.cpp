#include "marking/marking.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/help_texts.h"
#include "core/number_format.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "marking/marking_commands.h"
#include "marking/marking_context.h"
#include "marking/marking_data.h"
#include "marking/old_search.h"
#include "marking/peak_search.h"

namespace pektra {

namespace {

const char* const kRowLabels[] = {
    " Width at the beginning (chan)", " Width at the end(chan)", " Width accuracy(chan)",
    " Sensitivity (0.5 - 3)",         " Resolution (1-3)",       " Interval length"};

// The width line through w1 at b1 over the interval, as the marking sets it before a search.
void SetWidthLineFromDialog(const MarkingContext& ctx) {
  const TSpectrum& sp = ctx.spectrum;
  ctx.width.width_slope = (sp.w2 - sp.w1) / (sp.b2 - sp.b1 + 1);
  ctx.width.width_offset = sp.w1 - sp.b1 * ctx.width.width_slope;
}

// Manual marking: each picked point moves to a higher channel within two of it.
void MarkPickedPoints(const MarkingContext& ctx) {
  const TSpectrum& sp = ctx.spectrum;
  const int count = std::min(ctx.marking.mark_list_count, kMaxPeaks);
  for (int j = 1; j <= count; ++j) {
    const int c0 = std::clamp(RoundToInt(ctx.marking.mark_list[j]), 1, kMaxChannels);
    int c = c0;
    for (int d = -2; d <= 2; ++d) {
      const int neighbour = std::clamp(c0 + d, 1, kMaxChannels);
      if (sp.counts[neighbour] > sp.counts[c0]) c = neighbour;
    }
    ctx.marking.peak_list[j] = c;
  }
  ctx.marking.peak_count = count;
  SetWidthLineFromDialog(ctx);
  ctx.peak_search.work_slope = ctx.width.width_slope;
  ctx.peak_search.work_offset = ctx.width.width_offset;
  ctx.peak_search.compression = 1.0;
  DivideIntoIntervals(ctx, sp.b1, sp.b2);
}

// Puts the energies (or lines) back into the list as they were entered: left as channels, they
// would be converted once more by the next marking by energies, which then marks the wrong region.
void RestoreList(const MarkingContext& ctx, const std::vector<double>& entered) {
  const int count = std::min(static_cast<int>(entered.size()), ctx.marking.mark_list.capacity());
  for (int i = 1; i <= count; ++i) {
    ctx.marking.mark_list[i] = entered[static_cast<std::size_t>(i - 1)];
  }
  ctx.marking.mark_list_count = count;
}

// Runs the search of the chosen algorithm and leaves the marking; false when nothing was marked.
bool Dispatch(const MarkingContext& ctx, UserInterface& ui) {
  TSpectrum& sp = ctx.spectrum;
  switch (ctx.marking.mark_mode) {
    case MarkMode::kMarkingData:
      return ConvertMarkingData(ctx, ui);
    case MarkMode::kManual:
      if (ctx.marking.mark_list_count <= 0) {
        ui.ShowNote("No marked points");
        return false;
      }
      if (!SetSearchControls(ctx, ui, /*with_algorithm=*/false)) return false;
      MarkPickedPoints(ctx);
      return true;
    case MarkMode::kAutomatic:
    case MarkMode::kEnergies:
    case MarkMode::kLines:
      break;
    default:
      return false;
  }
  if (!SetSearchControls(ctx, ui, /*with_algorithm=*/true)) return false;
  const bool listed = ctx.marking.mark_mode != MarkMode::kAutomatic;  // energies or lines
  if (listed && ctx.marking.mark_list_count <= 0) {
    ui.ShowNote("No energy (line) list");
    return false;
  }
  SetWidthLineFromDialog(ctx);
  if (ctx.marking.ndf != 0) {
    FindPeaks(ctx, ui, sp.b1, sp.delta_w, sp.w2, sp.w1, sp.b2);
    if (listed) {
      const std::vector<double> entered = ListToChannels(ctx, ui);
      KeepListedIntervals(ctx, ctx.marking.mark_list, ctx.marking.mark_list_count);
      RestoreList(ctx, entered);
    }
    DivideIntoIntervals(ctx, sp.b1, sp.b2);
    return true;
  }
  FindPeaksOld(ctx, ui);
  OldDivision(ctx);
  if (listed) ReportNotFound(ctx, ui);
  if (ctx.marking.marking_length == 0) {  // nothing found: an empty marking, not a broken one
    ctx.marking.peak_count = 0;
    ctx.marking.interval_count = 0;
    return true;
  }
  return ConvertMarkingData(ctx, ui);
}

}  // namespace

namespace {

// The dialog "Find the Peaks": the widths, the sensitivity, the resolution and the longest
// interval in a grid, and the choice of the algorithm when asked for.
DialogContent SearchControlsDialog(const MarkingContext& ctx, bool with_algorithm) {
  const TSpectrum& sp = ctx.spectrum;
  DialogContent dialog = OpenDialogForm("Find the Peaks");
  dialog.help_lines = HelpLines(HelpTopic::kFindPeaks, ctx.display.rus_help);
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
  const double values[] = {sp.w1,
                           sp.w2,
                           sp.delta_w,
                           ctx.marking.sens,
                           ctx.marking.resol,
                           static_cast<double>(ctx.marking.max_interval)};
  for (int r = 0; r < 6; ++r) {
    grid.labels.emplace_back(kRowLabels[r]);
    grid.cells.push_back({FormatGridCell(grid.field_width, values[r])});
  }
  if (with_algorithm) {
    ShowLabel(dialog, 2, 5, 265, " Specify the algorithm for peak search ");
    ShowChoiceList(dialog, 0, 5, 285, 310, 60, {" New algorithm", " Old algorithm"},
                   ctx.marking.ndf != 0 ? 0 : 1);
  }
  ShowCheckList(dialog, 5, 347, 310, 27, {" Refine the peaks by the fit"},
                {ctx.marking.refinement.refine});
  return dialog;
}

// A row of the dialog whose value is checked: the test, the message of a refusal and the preset.
struct CheckedRow {
  bool (*accepts)(double);
  const char* message;
  double preset;
};
const CheckedRow kWidthBeginRow{[](double v) { return v > 0 && std::isfinite(v); },
                                "Erroneous width", kPresetWidthBegin};
const CheckedRow kWidthEndRow{[](double v) { return v > 0 && std::isfinite(v); }, "Erroneous width",
                              kPresetWidthEnd};
const CheckedRow kWidthAccuracyRow{[](double v) { return v >= 0 && std::isfinite(v); },
                                   "Erroneous width accuracy", kPresetWidthAccuracy};
const CheckedRow kSensitivityRow{[](double v) { return v > 0 && std::isfinite(v); },
                                 "Erroneous sensitivity", kPresetSensitivity};
const CheckedRow kIntervalRow{[](double v) { return v >= 64 && v <= 4096; }, "Wrong interval",
                              kPresetMaxInterval};

// The value typed replaces the one in force when the row accepts it. A refused value keeps the
// one in force, unless that is erroneous too (set elsewhere): then the preset is used, and said,
// so that no search runs with an erroneous value.
void TakeRow(const CheckedRow& row, double typed, double& in_force, UserInterface& ui) {
  if (row.accepts(typed)) {
    in_force = typed;
  } else if (row.accepts(in_force)) {
    ui.ShowNote(row.message);
  } else {
    in_force = row.preset;
    ui.ShowNote(std::string(row.message) + ", the preset " + FormatShortest(row.preset) +
                " is used");
  }
}

}  // namespace

bool SetSearchControls(const MarkingContext& ctx, UserInterface& ui, bool with_algorithm) {
  TSpectrum& sp = ctx.spectrum;
  DialogContent dialog = SearchControlsDialog(ctx, with_algorithm);
  ui.ShowDialog(dialog);
  if (!dialog.ok) {
    ctx.view.dialog_ok = 0;
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
    ctx.view.dialog_ok = 0;
    return false;
  }
  // Each value is checked on its own: a wrong one keeps the setting in force and is named.
  TakeRow(kWidthBeginRow, read[0], sp.w1, ui);
  TakeRow(kWidthEndRow, read[1], sp.w2, ui);
  TakeRow(kWidthAccuracyRow, read[2], sp.delta_w, ui);
  TakeRow(kSensitivityRow, read[3], ctx.marking.sens, ui);
  ctx.marking.resol = read[4];
  double length = ctx.marking.max_interval;
  TakeRow(kIntervalRow, RoundHalfEven(read[5]), length, ui);
  ctx.marking.max_interval = RoundToInt(length);
  if (with_algorithm) ctx.marking.ndf = dialog.choice_lists[0].selected == 1 ? 0 : 1;
  const std::vector<bool>& ticked = dialog.check_list.checked;
  ctx.marking.refinement.refine = !ticked.empty() && ticked[0];
  ctx.view.dialog_ok = 1;
  return true;
}

void MarkSpectrum(const MarkingContext& ctx, UserInterface& ui) {
  TSpectrum& sp = ctx.spectrum;
  ctx.view.interval_begin = sp.b1;
  ctx.view.interval_end = sp.b2;
  ctx.view.dialog_ok = 1;
  ctx.marking.width_exact = true;
  const bool marked = Dispatch(ctx, ui);
  if (!marked) ctx.view.dialog_ok = 0;
  if (marked) ctx.results.result_offset = ctx.results.result_count;

  // The interval is shown with its marking, clipped into the spectrum.
  ctx.view.graph_mode = GraphMode::kSpectrum;
  const int length = ctx.view.interval_end - ctx.view.interval_begin;
  if (ctx.view.interval_begin < sp.a1) {
    ctx.view.interval_begin = sp.a1;
    ctx.view.interval_end = std::min(sp.a2, sp.a1 + length);
  }
  if (ctx.view.interval_end > sp.a2) {
    ctx.view.interval_end = sp.a2;
    ctx.view.interval_begin = std::max(sp.a1, sp.a2 - length);
  }
  ctx.view.interval_length = ctx.view.interval_end - ctx.view.interval_begin + 1;

  std::string report = " " + std::to_string(ctx.marking.peak_count) + " peak(s) found. ";
  if (!ctx.marking.width_exact) report += "Inexact peak width dependence; ";
  ctx.view.status_text = {ctx.view.dialog_ok == 0 ? std::string() : report, std::string()};
}

}  // namespace pektra
