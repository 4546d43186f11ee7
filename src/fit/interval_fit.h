// The fit of one marked interval: a Chebyshev background of degree up to 3 plus one copy of the
// peak model per peak, fitted by TParameter, and the per-peak results.
#pragma once

#include "core/analysis_state.h"

namespace pektra {

struct AnalysisState;
class UserInterface;

// Fits fit_first..fit_last with the fit_peaks peaks starting at peak index `first_peak` of
// peak_list and the starting width fit_width; refit forces background degree 3. Leaves the fitted
// parameters in state.fitter.
void FitInterval(AnalysisState& state, UserInterface& ui, int first_peak, bool refit);

// Result of peak k (1..fit_peaks) of the last interval fit: position, its error, area, its error,
// width, its error, criterion C, background B.
ResultRow PeakResult(AnalysisState& state, int k);

// The fitted curve at fractional point index x (channel fit_first + x - 1); also leaves the
// background, the total and each peak's term in fit_components.
double FittedValue(AnalysisState& state, double x);

}  // namespace pektra
