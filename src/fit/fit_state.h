// The fit settings and the interval being fitted.
#pragma once

#include <string>
#include <vector>

namespace pektra {

struct FitState {
  int niter = 7;             // at most this many iterations
  double step = 0.99;        // iteration step, 0 < step <= 1
  double damper = 0.01;      // damping of the least-squares matrix
  double delta_pos = 5.0;    // allowed deviation of a peak position, channels
  int width_by_channel = 0;  // 0: the spectrum fit starts every interval with w1
  int current_interval = 1;
  int fit_first = 0, fit_last = 0, fit_peaks = 0;  // the interval being fitted
  double fit_width = 0.0;
  double pos_factor = 1.0, amp_factor = 1.0;  // multipliers of the position and amplitude limits
  int fit_bg_degree = 0;                      // background degree of the last interval fit
  double fit_max_count = 0.0, fit_min_count = 0.0;
  // The fitter holds the fit of fit_first..fit_last that the interactive fit display shows; false
  // once another fit ran or the display failed to take its interval.
  bool display_fit_current = false;
  std::vector<double> fit_components;  // background, total, then each peak's term
  // What the refinement of the last spectrum fit removed and added, and why, one line each.
  std::vector<std::string> refinement_notes;

  bool operator==(const FitState&) const = default;
};

}  // namespace pektra
