// The built-in test spectra of the Test menu: realistic synthetic HPGe spectra with known lines,
// made by the seeded generator, the same on every machine.
#pragma once

#include <string>
#include <vector>

namespace pektra {

struct AnalysisState;

struct TestSpectrum {
  std::string caption;  // the choice in the Test menu
  std::string name;     // stored file name
  double width = 4.0;   // typical FWHM, channels
};

const std::vector<TestSpectrum>& TestSpectra();

// Loads test spectrum `index` (0-based) into the state: file name work_dir + "/" + its name,
// channels 1..n, errors sqrt(|count| + 1), a1 = b1 = 1, a2 = b2 = n, the range, the widths
// W - 0.5, W + 0.5 and W / 2, then the variance formula.
void LoadTestSpectrum(AnalysisState& state, int index);

}  // namespace pektra
