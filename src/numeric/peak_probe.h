// Measuring a single peak: its full width at half maximum, and a quick probe at a channel that
// refines the position and estimates the net area over a straight background.
#pragma once

#include "core/one_based.h"
#include "numeric/work_arrays.h"

namespace pektra {

// Full width at half maximum, in channels, of the peak at index `peak` of a net-peak array
// a(1..count). The peak index first moves once to a strictly higher neighbour (right first). With
// half = a(p)/2, walks left while |a| >= half down to element 1 and right up to element count−2;
// an edge where the walk ends still at or above half cannot be found. The half-maximum point is
// placed between the last point at or above half (inner point) and the next one by the fraction
// (inner − half)/(inner − outer), when the walk stopped above element 1 (right: below
// count−2) and that step exceeds 0.0001 (right: 0.001); else at the inner point.
// Width = the channels between the two inner points plus both fractions (a symmetric one-channel
// spike on zeros measures 1.0). Returns −1 when an edge cannot be found or the width is below 0.25.
double HalfWidth(const OneBasedArray<double>& a, int peak, int count);

struct PeakProbe {
  bool found = false;
  double position = 0.0;    // channel, refined by the centroid of five channels
  double net_sum = 0.0;     // counts above the straight background between the peak's bounds
  double background = 0.0;  // mean of that background per channel
  double width = 0.0;       // FWHM in channels from HalfWidth; 0 when not measured
};

// Probes y(1..n) (counts per channel) for a peak near `position` (1 <= position <= n):
// the highest channel p within nint(position) ± 5; the centroid over p−2..p+2 (when those counts
// sum above 0.01); the window p ± 48 (at most to channel n − 1) narrowed to the nearest local
// minima (a channel not higher than both neighbours) on both sides of p, which bound the peak.
// Nothing is found when the window maximum is not above 3·√(maximum) (flat data up to 9 counts),
// when the bounds meet, or when half the net count at p is not above √(window maximum). The net
// counts max(0, y − line) over the bounds go to work_table at their channel indices; the width is
// HalfWidth of them, and a positive width marks the peak found.
PeakProbe ProbePeak(NumericWork& work, const OneBasedArray<double>& y, int n, double position);

}  // namespace pektra
