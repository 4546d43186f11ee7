#include "ui/fit_display.h"

#include <algorithm>
#include <string>
#include <vector>

#include "calib/calibration.h"
#include "core/file_names.h"
#include "core/number_format.h"
#include "core/user_interface.h"
#include "fit/interval_fit.h"
#include "fit/spectrum_fit.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "ui/fit_display_parts.h"

namespace pektra {
namespace {

constexpr Color kPanelLight{255, 251, 240};
constexpr int kPanelTextX = 30;
constexpr int kMaxFileNameShown = 72;

// A line of the information panel: black bold text, or a warning in red on black.
struct PanelLine {
  std::string text;
  bool warning = false;
};

// The quality lines of the fit and the limits that free parameters ended on.
void AddQualityLines(const FitContext& ctx, std::vector<PanelLine>& lines) {
  const TParameter::Quality q = ctx.fitter.CheckQuality();
  if (q.not_converged) lines.push_back({"++++ The process hasn't converged", true});
  if (q.not_inverted) lines.push_back({"++++ The matrix can't be inverted", true});
  if (q.large_chi2 || q.one_sided) lines.push_back({".... The fitting quality is not good", true});
  bool position = false, width = false;
  for (int k = 1; k <= ctx.fit.fit_peaks; ++k) {
    const RowFlags flags = PeakFlags(ctx, k);
    position = position || flags.Has(RowFlag::kPositionAtLimit);
    width = width || flags.Has(RowFlag::kWidthAtLimit);
  }
  if (position) lines.push_back({"Peak pos. on the boundary  ", true});
  if (width) lines.push_back({"Peak width on the boundary  ", true});
}

std::vector<PanelLine> PanelLines(const FitContext& ctx) {
  std::string name = FileNamePart(ctx.spectrum.file_name);
  if (name.size() > kMaxFileNameShown) name.resize(kMaxFileNameShown);
  std::vector<PanelLine> lines = {
      {"FILE= " + name},
      {"INT.= " + std::to_string(ctx.fit.fit_first) + " -" + std::to_string(ctx.fit.fit_last)},
      {"  " + std::to_string(ctx.fit.fit_peaks) + " peak(s)"},
      {"  DB=" + std::to_string(ctx.fit.fit_bg_degree)},
  };
  AddQualityLines(ctx, lines);
  lines.push_back({"Ch2/df=" + FormatFixed(7, 2, ctx.fitter.chi2_df())});
  lines.push_back({"Ch+= " + FormatFixed(5, 2, ctx.fitter.chi2_plus())});
  return lines;
}

// The information panel: a light rectangle in a maroon triple frame, the title line over three
// maroon rules, the other lines below.
Picture InfoPanel(const FitContext& ctx) {
  Picture panel;
  panel.width = kFitInfoWidth;
  panel.height = kFitInfoHeight;
  panel.background = colors::kGreen;
  panel.Add(FillRect{13, 10, 287, 207, kPanelLight});
  for (int f = 1; f <= 3; ++f) {
    panel.Add(Frame{13.0 - 2 * f, 10.0 - 2 * f, 287.0 + 2 * f, 207.0 + 2 * f, colors::kMaroon});
  }
  for (int r = 0; r < 3; ++r) {
    const double y = 28 + 2 * r;
    panel.Add(Polyline{{13, 287}, {y, y}, colors::kMaroon});
  }
  const std::vector<PanelLine> lines = PanelLines(ctx);
  double y = 10;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Text text{kPanelTextX, y, lines[i].text, colors::kBlack};
    if (lines[i].warning) {
      text.color = colors::kRed;
      text.background = colors::kBlack;
      text.opaque = true;
    }
    panel.Add(text);
    y = i == 0 ? 36 : y + 15;
  }
  return panel;
}

// The result grid: the header, then for each peak its values and their errors (the background
// under the peak in the last column of the error row).
std::vector<std::array<std::string, 7>> ResultGrid(AnalysisState& state) {
  const FitContext ctx = FitOf(state);
  std::vector<std::array<std::string, 7>> grid = {
      {" ", " Channel ", " Energy  ", " Area    ", "Intensity", " Width   ", "Crit/Bckg"}};
  for (int k = 1; k <= ctx.fit.fit_peaks; ++k) {
    const ResultRow r = PeakResult(ctx, k);
    const ConvertedPeak p = ConvertPeak(CalibrationsOf(state), r[0], r[1], r[2], r[3]);
    grid.push_back({" Peak " + std::to_string(k), FormatFixed(8, 2, r[0]),
                    FormatFixed(8, 2, p.energy), FormatFixed(10, 0, r[2]),
                    FormatFixed(10, 0, p.intensity), FormatFixed(8, 2, r[4]),
                    FormatFixed(8, 2, r[6])});
    grid.push_back({" Errors", FormatFixed(8, 2, r[1]), FormatFixed(8, 2, p.energy_error),
                    FormatFixed(10, 0, r[3]), FormatFixed(10, 0, p.intensity_error),
                    FormatFixed(8, 2, r[5]), FormatFixed(8, 0, r[7])});
  }
  while (grid.size() < 3) grid.push_back({});
  return grid;
}

// The starting width at the interval, interpolated over the spectrum's length.
double DisplayWidth(const AnalysisState& state) {
  const TSpectrum& sp = state.spectrum;
  const int length = std::max(1, sp.a2 - sp.a1 + 1);
  const double u = static_cast<double>(state.fit.fit_first - sp.b1) / length;
  return (1 - u) * sp.w1 + u * sp.w2;
}

// Takes current_interval; says why it cannot be fitted. True when it can.
bool TakeCurrentInterval(AnalysisState& state, UserInterface& ui) {
  const FitContext ctx = FitOf(state);
  if (state.marking.interval_count < 1) {
    ui.ShowNote("No marking data");
    return false;
  }
  int& current = state.fit.current_interval;
  current = std::clamp(current, 1, std::min(state.marking.interval_count, kMaxPeaks));
  switch (TakeInterval(ctx, current)) {
    case IntervalProblem::kNone:
      return true;
    case IntervalProblem::kNoPeaks:
      ui.ShowNote("Error, no peaks in " + IntervalBounds(ctx));
      return false;
    case IntervalProblem::kTooLong:
      ui.ShowStatus("Error, too long interval " + IntervalBounds(ctx), "");
      return false;
    case IntervalProblem::kDamaged:
      ui.ShowNote("Error, the interval " + IntervalBounds(ctx) + " does not fit the spectrum");
      return false;
  }
  return false;
}

void ShowCurrentFit(AnalysisState& state, UserInterface& ui) {
  FitDisplayView view;
  view.fit_picture = FitPicture(state, false);
  view.info_panel = InfoPanel(FitOf(state));
  view.grid = ResultGrid(state);
  const int current = state.fit.current_interval;
  view.previous = current >= 2;
  view.next = current < state.marking.interval_count;
  if (current == state.marking.interval_count && state.results.results_unsaved) {
    view.finished = "  Fitting finished. Save the results. ";
  }
  ui.ShowFitDisplay(view);
}

}  // namespace

double EnergyOfChannel(AnalysisState& state, double channel) {
  return ConvertPeak(CalibrationsOf(state), channel, 0.0, 0.0, 0.0).energy;
}

void IntervalFitCommand(AnalysisState& state, UserInterface& ui, bool from_first) {
  if (from_first) {
    if (state.results.results_unsaved && !ui.AskOkCancel("Previous fit results not saved")) return;
    state.fit.current_interval = 1;
  }
  if (state.marking.peak_count * state.marking.interval_count == 0) {
    ui.ShowNote("No marking data");
    return;
  }
  ui.ClearForm();
  state.view.graph_mode = GraphMode::kNothing;
  const bool unsaved_before = state.results.results_unsaved;
  if (!FitDisplay(state, ui, /*refit=*/false)) {
    // Results left unsaved by an earlier fit stay unsaved.
    state.results.results_unsaved = unsaved_before;
    return;
  }
  state.results.results_unsaved = true;
  state.view.cut_cadre_enabled = false;
  ui.MenusChanged();
}

bool FitDisplay(AnalysisState& state, UserInterface& ui, bool refit) {
  state.view.click_action = ClickAction::kReadOut;
  if (!TakeCurrentInterval(state, ui)) {
    state.fit.display_fit_current = false;
    return false;
  }
  const FitContext ctx = FitOf(state);
  const IntervalRecord interval = state.marking.interval_table[state.fit.current_interval];
  state.fit.fit_width = DisplayWidth(state);
  FitInterval(ctx, ui, interval.first_peak, refit);
  state.fit.display_fit_current = true;
  state.view.single_peaks_shown = false;
  state.view.graph_mode = GraphMode::kFitDisplay;
  state.view.mark_menu_enabled = false;
  ui.MenusChanged();
  bool full_reported = false;
  StoreIntervalRows(ctx, ui, interval, full_reported);
  ShowCurrentFit(state, ui);
  return true;
}

void NextInterval(AnalysisState& state, UserInterface& ui) {
  if (state.fit.current_interval >= state.marking.interval_count) return;
  ++state.fit.current_interval;
  FitDisplay(state, ui, /*refit=*/false);
}

void PreviousInterval(AnalysisState& state, UserInterface& ui) {
  if (state.fit.current_interval <= 1) return;
  --state.fit.current_interval;
  FitDisplay(state, ui, /*refit=*/false);
}

}  // namespace pektra
