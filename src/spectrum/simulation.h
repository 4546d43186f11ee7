// The simulated spectrum for trying the system out: a sloping background and ten Gaussian peaks
// with noise, drawn from the seeded uniform generator (the same states give the same spectrum).
#pragma once

#include "numeric/work_arrays.h"
#include "spectrum/processing_context.h"
#include "spectrum/spectrum.h"

namespace pektra {

// Fills channels a1..a2 (cut to 1..16384): with draws r1, r2 the background
// bg(i) = r1·i/100 + 300·r2; ten peaks, each drawn as position P = a1 + r·(a2 − a1), then height
// H = 200 + 500·r, of FWHM 5 channels: y(i) = bg(i) + Σ H·exp(−ln 2·((i − P)/2.5)²); then per
// channel one draw r and sp(i) = max(0, y + √y·(r − 0.5)). The errors are made from the new counts
// as for the test spectra (√(|count| + 1), then the variance formula with `covar`), not left from
// the spectrum before. The range is updated and the file name cleared.
void SimulateSpectrum(TSpectrum& spectrum, RandomState& random, double covar);

// The command "Simulate the Spectrum": simulates the spectrum, keeping the one before for Undo, and
// sets the graph's scale to Normal. (The command table clears the marking and draws it.)
void SimulateTheSpectrum(const SpectrumProcessingContext& ctx);

}  // namespace pektra
