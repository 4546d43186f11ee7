// The fit of every marked interval of the spectrum, results into the result table.
#pragma once

namespace pektra {

struct FitContext;
class UserInterface;

// Fits intervals 1..interval_count in turn; intervals without peaks or longer than max_interval
// are reported and skipped. Rows go to the peaks' indices in peak_list.
void FitSpectrum(const FitContext& ctx, UserInterface& ui);

// The command "Spectrum  Fit": needs a marking, asks before discarding unsaved results, fits,
// and leaves the status lines.
void SpectrumFitCommand(const FitContext& ctx, UserInterface& ui);

}  // namespace pektra
