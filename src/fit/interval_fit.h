// The fit of one marked interval: a Chebyshev background of degree up to 3 plus one copy of the
// peak model per peak, fitted by TParameter, and the per-peak results.
//
// Parameter layout of ctx.fitter for n = fit_peaks peaks (m = 2n + 6 parameters):
//   1..4          background coefficients b0..b3 of the Chebyshev polynomials T0..T3 of
//                 t(c) = (2c - 2 - fit_first - fit_last) / (fit_last - fit_first)
//   5..4+n        amplitude Ak (the peak's area is Ak * W, W its FWHM in channels)
//   5+n..4+2n     position Pk (channel)
//   5+2n          width W0 (FWHM, channels)
//   6+2n          width slope W1 over s(c) = (2c - 2 - b1 - b2) / (b2 - b1)
// Model: f(c) = sum_j bj Tj(t(c)) + sum_k Ak M((c - Pk) / W(c)), W(c) = W0 + W1 s(c), M the peak
// model's unit-area shape in FWHM units.
#pragma once

#include "fit/fit_context.h"
#include "numeric/least_squares.h"

namespace pektra {

struct FitContext;
class UserInterface;

// Fits fit_first..fit_last with the fit_peaks peaks starting at peak index `first_peak` of
// peak_list and the starting width fit_width; refit forces background degree 3. Leaves the fitted
// parameters in ctx.fitter (its settings are back at their values from before the call).
// Nothing happens for fit_peaks < 1 or an interval outside channels 1..16384.
void FitInterval(const FitContext& ctx, UserInterface& ui, int first_peak, bool refit);

// The point procedure that FitInterval hands to the fitter, for point k = 1..fit_last - fit_first
// + 1 (channel fit_first + k - 1), at the fitter's present parameter values: the measured value
// (two channels summed when fit_max_count < small_stat), the model value and the weight 1 / e^2
// (0 for a zero error), with the analytic derivatives df/dp_j written into the increments of the
// fitter's parameters 1..2n + 6 and the background, total and peak terms into fit_components.
// Exposed so that the derivatives can be checked against finite differences.
PointValue ModelPoint(const FitContext& ctx, int stage, int k);

// Result of peak k (1..fit_peaks) of the last interval fit: position, its error, area, its error,
// width, its error, criterion C, background B.
ResultRow PeakResult(const FitContext& ctx, int k);

// What a reader of peak k's result (1..fit_peaks) of the last interval fit must know: the fit
// gave no errors (its matrix could not be inverted, or it could not run), the width (W0 or W1)
// or the peak's position ended on one of its limits (fixed parameters excepted).
RowFlags PeakFlags(const FitContext& ctx, int k);

// The fitted curve at fractional point index x (channel fit_first + x - 1); also leaves the
// background, the total and each peak's term in fit_components.
double FittedValue(const FitContext& ctx, double x);

// The curve of the last interval fit over fit_first..fit_last (three points a channel) with the
// counts it was fitted to, as the spectrum fit keeps it for the large graph.
FittedCurve CurveOfLastFit(const FitContext& ctx);

// "Parameter array": the fitter's parameter records of the last interval fit (dep, lower limit,
// value, upper limit, coef, offset), one row per parameter, and "Eps=" below them.
void ShowParameterArray(const FitContext& ctx, UserInterface& ui);

}  // namespace pektra
