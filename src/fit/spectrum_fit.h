// The fit of every marked interval of the spectrum, results into the result table.
#pragma once

namespace pektra {

struct FitContext;
class UserInterface;

// Fits intervals 1..interval_count in turn; intervals without peaks or longer than max_interval
// are reported and skipped. A peak's row is result_offset + its index in peak_list, so the rows
// of a new marking follow those of earlier ones; rows carry the flags of PeakFlags.
void FitSpectrum(const FitContext& ctx, UserInterface& ui);

// The command "Spectrum  Fit": needs a marking, asks before discarding unsaved results, fits,
// and leaves the status lines.
void SpectrumFitCommand(const FitContext& ctx, UserInterface& ui);

}  // namespace pektra
