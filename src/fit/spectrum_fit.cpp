#include "fit/spectrum_fit.h"

#include <algorithm>
#include <string>

#include "core/result_rows.h"
#include "core/user_interface.h"
#include "fit/fit_context.h"
#include "fit/interval_fit.h"
#include "fit/refinement.h"

namespace pektra {

void StoreIntervalRows(const FitContext& ctx, UserInterface& ui, const IntervalRecord& interval,
                       bool& full_reported) {
  const int offset = ctx.results.result_offset;
  for (int k = 1; k <= ctx.fit.fit_peaks; ++k) {
    const int row = offset + interval.first_peak + k - 1;
    if (row > kResultCapacity) {
      if (!full_reported) ui.ShowNote("Error, too many peaks in the table");
      full_reported = true;
      break;
    }
    const ResultRow result = PeakResult(ctx, k);
    RowFlags flags = PeakFlags(ctx, k);
    // Without the refinement a peak below the decision threshold is kept, but said to be one.
    if (result[3] > 0 && result[2] < ctx.marking.refinement.accept_sigma * result[3]) {
      flags.Set(RowFlag::kBelowDecision);
    }
    StoreResultRow(ctx.results, ui, row, result, flags);
  }
  ReserveResultRows(ctx.results, offset + interval.last_peak);
}

IntervalProblem TakeInterval(const FitContext& ctx, int i) {
  if (i < 1 || i > std::min(ctx.marking.interval_count, kMaxPeaks))
    return IntervalProblem::kDamaged;
  const IntervalRecord interval = ctx.marking.interval_table[i];
  ctx.fit.fit_first = interval.left;
  ctx.fit.fit_last = interval.right;
  ctx.fit.fit_peaks = interval.last_peak - interval.first_peak + 1;
  if (ctx.fit.fit_peaks <= 0) return IntervalProblem::kNoPeaks;
  ctx.fit.fit_peaks = std::min(ctx.fit.fit_peaks, kMaxFitPeaks);
  if (ctx.fit.fit_last - ctx.fit.fit_first + 1 > ctx.marking.max_interval) {
    return IntervalProblem::kTooLong;
  }
  // A marking that does not fit the arrays (hand-made or damaged).
  if (interval.first_peak < 1 || interval.first_peak + ctx.fit.fit_peaks - 1 > kMaxPeaks ||
      ctx.fit.fit_first < 1 || ctx.fit.fit_last > kMaxChannels ||
      ctx.fit.fit_last < ctx.fit.fit_first) {
    return IntervalProblem::kDamaged;
  }
  return IntervalProblem::kNone;
}

std::string IntervalBounds(const FitContext& ctx) {
  return std::to_string(ctx.fit.fit_first) + " " + std::to_string(ctx.fit.fit_last);
}

void FitSpectrum(const FitContext& ctx, UserInterface& ui) {
  ctx.fit.display_fit_current = false;  // the fitter will hold another interval's fit
  ctx.results.fitted_curves.clear();
  if (ctx.marking.refinement.refine) {
    RefineSpectrum(ctx, ui);
    return;
  }
  const int count = std::min(ctx.marking.interval_count, kMaxPeaks);
  bool full_reported = false;
  for (int i = 1; i <= count; ++i) {
    ctx.fit.current_interval = i;
    const IntervalProblem problem = TakeInterval(ctx, i);
    if (problem == IntervalProblem::kNoPeaks)
      ui.ShowNote("Error, no peaks in " + IntervalBounds(ctx));
    if (problem == IntervalProblem::kTooLong) {
      ui.ShowNote("Error, too long interval " + IntervalBounds(ctx));
    }
    if (problem != IntervalProblem::kNone) continue;
    const IntervalRecord interval = ctx.marking.interval_table[i];

    const TSpectrum& sp = ctx.spectrum;
    const int span = sp.b2 - sp.b1 + 1;
    const double u = (ctx.fit.width_by_channel == 0 || span == 0)
                         ? 0.0
                         : static_cast<double>(ctx.fit.fit_first - sp.b1) / span;
    ctx.fit.fit_width = (1 - u) * sp.w1 + u * sp.w2;

    FitInterval(ctx, ui, interval.first_peak, /*refit=*/false);
    StoreIntervalRows(ctx, ui, interval, full_reported);
    if (ctx.results.keep_fitted_curves) ctx.results.fitted_curves.push_back(CurveOfLastFit(ctx));
  }
}

void SpectrumFitCommand(const FitContext& ctx, UserInterface& ui) {
  if (ctx.marking.peak_count == 0) {
    ctx.view.status_text = {"No marking data", ""};
    return;
  }
  if (ctx.results.results_unsaved && !ui.AskOkCancel("Previous fit results not saved")) return;
  FitSpectrum(ctx, ui);
  ctx.results.results_unsaved = true;
  ctx.view.status_text = {"The spectrum has been fitted.", "Save the results"};
}

}  // namespace pektra
