// The work arrays and small states of the numeric routines. They belong to the analysis state:
// smoothers, the peak search and the calibration pass their data through them, and some callers
// rely on what another routine left there.
#pragma once

#include <cstdint>

#include "core/one_based.h"

namespace pektra {

inline constexpr int kWorkArraySize = 16384;

struct NumericWork {
  // Smoother input, smoother output, and the interpolation table / net counts of ProbePeak.
  OneBasedArray<double> work_data{kWorkArraySize, 0.0};
  OneBasedArray<double> work_result{kWorkArraySize, 0.0};
  OneBasedArray<double> work_table{kWorkArraySize, 0.0};

  // What the last smoother run left for its caller.
  double fit_sum = 0.0;          // weighted sum of squared residuals
  double roughness_sum = 0.0;    // roughness of the result
  double smoothing_value = 0.0;  // the control or parameter chosen by the automatic smoothers
};

// The two states of the combined congruential generator; 12345 and 67890 at start.
struct RandomState {
  std::int32_t s1 = 12345;
  std::int32_t s2 = 67890;
};

}  // namespace pektra
