// Smoothers of a sequence of counts: a five-point derivative estimator, an iterative smoother
// that can follow the lower envelope (background), a smoothing spline, the automatic choice of
// their smoothing parameter and the quality sums by which it is chosen.
// The smoothers read work_data(1..n) and leave their curve in work_result(1..n); fit_sum and
// roughness_sum of NumericWork hold the quality sums of the last run, smoothing_value the
// parameter chosen by an automatic smoother. n is cut to the work array size.
#pragma once

#include "core/one_based.h"
#include "numeric/work_arrays.h"

namespace pektra {

struct SavGolValues {
  double smoothed = 0.0;
  double first = 0.0;   // first difference, per channel
  double second = 0.0;  // second difference, per channel²
};

// Quadratic (Savitzky-Golay) estimate at channel i of y(1..n) from five points:
//   smoothed = (12(yi-1 + yi+1) − 3(yi-2 + yi+2) + 17yi)/35,
//   first = (2(yi+2 − yi-2) + yi+1 − yi-1)/10,
//   second = (2(yi+2 + yi-2) − (yi+1 + yi-1) − 2yi)/7;
// at channels 2 and n−1 the three-point mean, half difference and second difference; at 1 and n
// the value itself and zero differences. A channel outside 1..n gives zeros.
SavGolValues SavGolEstimate(const OneBasedArray<double>& y, int n, int i);
// The same on work_data.
SavGolValues SavGolEstimate(const NumericWork& work, int n, int i);

// Iterative smoother for n >= 5 (fewer points: work_result = work_data, sums 0). Works on
// v → sign(v)·√|v| scaled to a maximum of 1000, so that the residuals are in units of their
// Poisson error. Base weights u = 1/(y² + 1) (at least 1e-8; 1 at the ends). Pass 1 weights
// 1/(a·s + 1), s = |second difference| of the data; later passes from the residual r of the pass
// before: 1/(r² + 1) when r < 0, 1/(r² + s² + 1) when r >= 0 and c < 0, else 1. Each of the m
// passes solves the tridiagonal system (1 − β)Bi-1 − (2 + g)Bi + (1 + β)Bi+1 = −g·B′i with
// λ = |c|·Σu/Σw, β = (ui+1 − ui-1)/4, g = λw/u, the end values fixed: a smaller |c| smooths more.
// With c >= 0 every pass clips the result to at most the data, so it sinks to the lower envelope
// (the background under peaks); with c < 0 it is a plain smoother. a and b are coefficients >= 0
// (negative ones count as 0). fit_sum = Σ(result − y)²·w and roughness_sum = Σ(Bi+1 − Bi-1)²·u/4
// over the inner channels, in the transformed scale. work_data is left untouched.
void SmoothIterative(NumericWork& work, int n, int m, double a, double b, double c);

// SmoothIterative(n, m, 0.5, 0.5, c) for the 15 controls c = 0.05, 0.025, ... (each half the one
// before); the run with the smallest roughness sum wins (the earlier one on a tie) and is
// repeated, so work_result holds its curve, and its c goes to smoothing_value. The controls are
// non-negative: this serves the lower envelope, and the result is at most the data everywhere.
void SmoothAuto(NumericWork& work, int n, int m);

// Smoothing spline of y = work_data(1..n) for n > 5 (else work_result = work_data). p is the
// smoothing parameter (λ = p/n; a larger p follows the data more closely). Weights: with
// weights_from_result, the values in work_result(1..n) (at least 1e-10); otherwise
//   wi = max(1e-10, 1/(q·S + √S·|1 − q|)), S = |yi-1| + |yi| + |yi+1| + 1, q = |yi|/max(1, max y),
// and w1 = w2, wn = wn-1. The banded system is solved by forward elimination and back
// substitution over 2n unknowns; then SmoothQuality.
void SmoothSpline(NumericWork& work, int n, bool weights_from_result, double p);

// Automatic smoothing spline. Refused (returns false, nothing changed) when the maximum of
// work_data(1..n) is at channel 1 or n, equals the minimum, or is not positive. Otherwise the
// data are scaled to a maximum of 1000 and SmoothSpline is tried with p = 500, 250, ... (21
// values), then with 21 values p = max(0, base + (k − 11)·step), base = best/1.5,
// step = (2·best − base)/20; a trial is the best so far when its roughness sum is the smallest
// yet and its fit sum lies in [r/4, 0.875·r] (halving) or [r/4, r] (scan). (Without such a trial
// the start value 1000 stays the best.) The best p is run again and kept in smoothing_value; then
// work_result = ((1 − t)·data + t·smoothed) scaled back, t = min(blend, 1). work_data is left as
// it came; fit_sum and roughness_sum are those of the last run in the scale of 1000.
bool SmoothSplineAuto(NumericWork& work, int n, double target_ratio, double blend);

// Quality of work_result r against work_data y over 1..n:
//   fit_sum = (1/n)·Σ (ri − yi)²/max(|yi|, 1)   (about 1 for a curve within Poisson errors),
//   roughness_sum = Σ (ri-1 − 2ri + ri+1)²/(t² + 1) over the inner channels,
//   t = (|ri − ri+1| + |ri-1 − ri|)/2.
void SmoothQuality(NumericWork& work, int n);

}  // namespace pektra
