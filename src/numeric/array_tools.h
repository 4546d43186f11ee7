// Small statistics and reshaping of 1-based arrays: minimum and maximum, compaction, sorting,
// median, rebinning of a channel axis and a straight line through two ranges of channels.
#pragma once

#include "core/one_based.h"
#include "core/result.h"
#include "numeric/work_arrays.h"

namespace pektra {

struct MinMax {
  int min_index = 1;
  double min_value = 0.0;
  int max_index = 1;
  double max_value = 0.0;
};

// The first occurrence of the smallest and of the largest value among elements first..last
// (last is cut to the capacity). When first <= 0 both answers are element 1; when first > last
// both are element first.
MinMax FindMinMax(const OneBasedArray<double>& a, int first, int last);

// Compacts elements 1..count in place, keeping their order: mode -1 keeps values >= 0, mode 0
// keeps values != 0, mode 1 keeps values <= 0; count becomes the number kept. Elements after
// the new count keep what they held. Any other mode changes nothing.
void FilterBySign(OneBasedArray<double>& a, int& count, int mode);

// Elements 1..count: mode 1 sorts ascending, mode -1 descending (stable: equal values keep their
// order, as with adjacent exchanges). Mode 0 removes repeats from a sorted array: of each run of
// equal neighbours only the last stays, as does any element equal to the marker
// -0.123456789012 used for that; count becomes the new length.
void SortArray(OneBasedArray<double>& a, int& count, int mode);

// Median of elements 1..n of `a`: a sorted copy is left in work_result(1..n); for odd n the
// middle element, for even n the mean of the two middle ones; 0 for n <= 0.
double Median(NumericWork& work, const OneBasedArray<double>& a, int n);

// Rebins work_data(1..n) by the factor f (> 1 compresses): the new axis has nint(n/f) + 2 bins
// in work_result, all zeroed first; each channel i is cut into 1000 parts of work_data(i)/1000
// and part k (0..999) is added to bin nint((i + 0.001·k)/f) + 1 when that bin exists. So the sum
// is kept apart from parts falling outside. `count` becomes nint(n/f) + 2.
// Refused with "Too long array", work_result and count untouched, when n >= 8193 or when the new
// axis would not fit into the work array (this includes f <= 0).
Outcome Rebin(NumericWork& work, int n, double f, int& count);

struct LineFit {
  double mean_x = 0.0;  // mean channel
  double mean_y = 0.0;  // mean value
  double slope = 0.0;   // value per channel
};

// Least-squares straight line with unit weights through the channels i1..i2 and j1..j2 of `a`
// (a channel in both ranges counts twice):
//   x̄ = Σk/N, ȳ = Σa(k)/N, slope = Σ(k − x̄)·a(k) / Σ(k − x̄)²,
// so the line is ȳ + slope·(k − x̄). Ranges are cut to the array; no channel gives zeros, a
// single abscissa a slope of 0.
LineFit LineFitTwoRanges(const OneBasedArray<double>& a, int i1, int i2, int j1, int j2);

}  // namespace pektra
