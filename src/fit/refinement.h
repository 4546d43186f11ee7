// Refinement of the marking by the fit. The searches decide where peaks are from the counts
// alone; the fit of an interval knows better: a peak whose fitted area is not significant, whose
// position ran to its limit or that converged onto its neighbour is not a peak, and an excess of
// the residuals that the fitted peaks do not explain is one. Channels that no interval covers are
// searched for such excesses against a local straight background.
#pragma once

#include <string>
#include <vector>

#include "core/analysis_records.h"
#include "core/result_rows.h"

namespace pektra {

struct FitContext;
class UserInterface;

// A FWHM (channels) fit to scan with: within 1..1000, 1 for one that is not a number.
inline double UsableWidth(double fwhm) {
  return fwhm >= 1.0 ? (fwhm <= 1000.0 ? fwhm : 1000.0) : 1.0;
}

struct RefinedPeak {
  ResultRow row{};     // the fitted result; before the first fit only the channel
  RowFlags flags;      // how the refinement came to it (R, M)
  RowFlags fit_flags;  // what the last fit says of it (E, W, P)
};

struct RefinedInterval {
  int left = 0, right = 0;
  std::vector<RefinedPeak> peaks;  // ascending by channel
  double chi2 = 0.0;               // of the last fit: the criterion times its degrees of freedom
  bool inverted = false;           // the last fit's matrix could be inverted (errors exist)
  FittedCurve curve;               // of the last fit; empty without peaks
};

// Significance of an excess of counts shaped like a peak: the weighted least-squares amplitude of
// the peak model (width `fwhm` channels, centred on `centre`) in excess[c - base] over channels
// lo..hi, with a straight line beside it when asked, divided by its error (errors: the
// spectrum's). 0 when it cannot be computed. The shape values are kept between calls of the same
// width and the same fraction of a channel, so a scan over a spectrum evaluates the model rarely.
class ExcessScanner {
 public:
  explicit ExcessScanner(const FitContext& ctx) : ctx_(ctx) {}

  double Significance(const std::vector<double>& excess, int base, int lo, int hi, double centre,
                      double fwhm, bool with_line);

 private:
  // Which width a shape of the given fraction and reach is taken at: the two shapes last asked
  // for are kept, and one within 0.2 % of the width asked for serves.
  struct Shape {
    double fwhm = -1.0, fraction = -1.0;
    int reach = -1;
  };
  // The values of one width and fraction at offsets -reach..reach from the centre's channel;
  // kept for the few widths and fractions a scan goes through, so that the two kept shapes
  // taking turns do not evaluate the model again and again.
  struct Values {
    double fwhm = -1.0, fraction = -1.0;
    int reach = -1;
    std::vector<double> values;
  };
  // The value of the shape at offset 0 (offsets -reach..reach are there).
  const double* ShapeFor(double centre, double fwhm, int reach);
  const double* ValuesFor(double fwhm, double fraction, int reach);

  // 1 / e^2 of the channels' errors e, worked out once for the many scan steps over them; a
  // weight is used only while its channel's error is still the one it was made from.
  void CoverWeights(int lo, int hi);

  const FitContext& ctx_;
  int weights_first_ = 0;  // channel of weights_[0]
  std::vector<double> weight_errors_, weights_;
  Shape shapes_[2];
  int next_ = 0;
  Values values_[4];
  int next_values_ = 0;
};

// Fits the interval left..right with the starting peaks `peaks` (channel in row[0]) and refines
// them:
// removes unsupported peaks and adds the excesses of the residuals, fitting again after each
// change, a few rounds at most. Leaves the last fit in ctx.fitter. Notes on what was removed or
// added go to `notes`.
RefinedInterval RefineInterval(const FitContext& ctx, UserInterface& ui, int left, int right,
                               std::vector<RefinedPeak> peaks, std::vector<std::string>& notes);

// The spectrum fit with refinement: every marked interval refined, then the channels between
// the intervals searched, new intervals fitted; the marking (peak_list, interval_table) and the
// result rows from result_offset on are replaced by the refined peaks. The notes go to
// fit.refinement_notes and to the debug log.
void RefineSpectrum(const FitContext& ctx, UserInterface& ui);

}  // namespace pektra
