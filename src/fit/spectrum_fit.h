// The fit of every marked interval of the spectrum, results into the result table.
#pragma once

#include <string>

#include "core/analysis_records.h"

namespace pektra {

struct FitContext;
class UserInterface;

// What keeps a marked interval from being fitted.
enum class IntervalProblem {
  kNone,
  kNoPeaks,  // "Error, no peaks in "
  kTooLong,  // "Error, too long interval "
  kDamaged,  // no such interval, or one that does not fit the arrays (a hand-made marking)
};

// Takes interval i of the marking: fit_first, fit_last and fit_peaks (at most max_fit_peaks) are
// set from it, then checked.
IntervalProblem TakeInterval(const FitContext& ctx, int i);

// fit_first, a blank and fit_last, as the interval messages end.
std::string IntervalBounds(const FitContext& ctx);

// Stores the rows of the interval's fitted peaks (the last interval fit) after the rows of
// earlier markings: row result_offset + the peak's index in peak_list, with the flags of
// PeakFlags and "below the decision threshold"; the rows of its peaks beyond the fitted ones are
// counted as empty. A full table is reported once per full_reported, not once per peak.
void StoreIntervalRows(const FitContext& ctx, UserInterface& ui, const IntervalRecord& interval,
                       bool& full_reported);

// Fits intervals 1..interval_count in turn; intervals without peaks or longer than max_interval
// are reported and skipped. A peak's row is result_offset + its index in peak_list, so the rows
// of a new marking follow those of earlier ones; rows carry the flags of PeakFlags.
void FitSpectrum(const FitContext& ctx, UserInterface& ui);

// The command "Spectrum  Fit": needs a marking, asks before discarding unsaved results, fits,
// and leaves the status lines.
void SpectrumFitCommand(const FitContext& ctx, UserInterface& ui);

}  // namespace pektra
