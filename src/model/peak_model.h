// TPeakModel: the one peak shape used by the search, the marking, the fit and the graphs. The
// shape is a table of 193 nodes with the maximum on node 97, normalised to unit area in FWHM
// units: a peak A * M((c - P) / W) over channels c has FWHM W channels and area A * W counts.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/one_based.h"
#include "core/result.h"

namespace pektra {

// Shape types; the names are listed by ModelTypeName.
enum ModelType : int {
  kModelReal = 0,
  kModelGauss = 1,
  kModelIaea = 3,
  kModelDetector4 = 7,
};

// The name of a model type -1..11 ("Double-signed", "Real", "Gauss", ...); "" outside.
const char* ModelTypeName(int model_type);

class TPeakModel {
 public:
  static constexpr int kNodes = 193;
  static constexpr int kCentre = 97;
  static constexpr int kHalfNodes = 96;  // nodes on either side of the centre

  // The Gauss model, built, centred and normalised.
  TPeakModel();

  // Builds the table of model_type (1, 3 or 7), centres and normalises it. A failure carries the
  // "Illegal model " message.
  Outcome BuildStandardModel();
  // Moves the first maximum of raw[0..count-1] to node 97 (values that would fall outside the
  // table are dropped) and stores the result in model_table.
  void CenterTable(const std::vector<double>& raw, int count);
  // Measures FWHM, area and centroid and scales the table to unit area; "Illegal model " and two
  // numbers (the half height and the width found) for a flat or width-less table, which is then
  // left unchanged.
  Outcome NormalizeModel();

  // Value, first and second derivative of the shape at x full widths from the centre.
  struct Shape {
    double value = 0.0, first = 0.0, second = 0.0;
  };
  // Inline: the fit takes it at every point of every peak.
  Shape EvalTable(double x) const;
  // The first and second differences of the table at every node (by node, 1..kNodes), divided by
  // the node step as EvalTable divides them: worked out once for many evaluations.
  // EvalTable(x, slopes) gives the values of EvalTable(x) while the table and span stay as they
  // were when the slopes were taken.
  struct Slopes {
    std::vector<double> first, second;
    double span = 0.0;
    double step = 0.0;  // the node step, span / kHalfNodes
  };
  Slopes TableSlopes() const;
  Shape EvalTable(double x, const Slopes& slopes) const;
  // The evaluation the peak search uses; the same as EvalTable for every type that is built.
  Shape EvalShape(double x) const { return EvalTable(x); }
  // The value of the centre node: shape values divided by it give a peak of height 1.
  double CentreValue() const { return model_table[kCentre]; }
  // "Peak Model " followed by the model's name.
  std::string Title() const;

  OneBasedArray<double> model_table{kNodes, 0.0};
  int half_length = 96;
  double span = 0.0;             // half length of the table in FWHM units: 96 / fwhm_steps
  double model_area = 0.0;       // area of the table before normalisation, FWHM units
  double fwhm_steps = 0.0;       // FWHM of the table in node steps
  double centroid_offset = 0.0;  // first moment of the upper part about the maximum, node steps
  int model_type = kModelGauss;

  // Settings of the real-model forming.
  int model_first = 0, model_last = 0;  // model interval, channels
  int model_edge = 1;                   // background channels at each edge
  double model_blend = 1.0;
  // The init file asks for the real model of model_first..model_last of every spectrum read.
  bool real_from_range = false;
};

inline TPeakModel::Shape TPeakModel::EvalTable(double x) const {
  if (!(std::fabs(x) < span)) return {};
  const double h = span / kHalfNodes;
  const int k = RoundToInt(std::fabs(x) / h);
  const int node = x < 0 ? kCentre - k : (x > 0 ? kCentre + k : kCentre);
  auto at = [this](int i) { return (i >= 1 && i <= kNodes) ? model_table[i] : 0.0; };
  const double f0 = at(node);
  // Near either end the table is taken as flat: the neighbours there are not reliable.
  if (k >= 94) return {f0, 0.0, 0.0};
  const double fm = at(node - 1), fp = at(node + 1);
  const double d1 = (fp - fm) / (2.0 * h);
  const double d2 = (fp - 2.0 * f0 + fm) / (h * h);
  const double d = x - (x < 0 ? -k * h : k * h);
  return {f0 + d * (d1 + d * d2 / 2.0), d1 + d * d2, d2};
}

inline TPeakModel::Slopes TPeakModel::TableSlopes() const {
  Slopes slopes;
  slopes.span = span;
  const double h = span / kHalfNodes;
  slopes.step = h;
  auto at = [this](int i) { return (i >= 1 && i <= kNodes) ? model_table[i] : 0.0; };
  slopes.first.assign(kNodes + 1, 0.0);
  slopes.second.assign(kNodes + 1, 0.0);
  for (int node = 1; node <= kNodes; ++node) {
    const double f0 = at(node), fm = at(node - 1), fp = at(node + 1);
    slopes.first[static_cast<std::size_t>(node)] = (fp - fm) / (2.0 * h);
    slopes.second[static_cast<std::size_t>(node)] = (fp - 2.0 * f0 + fm) / (h * h);
  }
  return slopes;
}

inline TPeakModel::Shape TPeakModel::EvalTable(double x, const Slopes& slopes) const {
  if (!(std::fabs(x) < span)) return {};
  if (slopes.span != span || slopes.first.size() <= static_cast<std::size_t>(kNodes) ||
      slopes.second.size() <= static_cast<std::size_t>(kNodes)) {
    return EvalTable(x);
  }
  const double h = slopes.step;  // span / kHalfNodes, the span being the same
  const int k = RoundToInt(std::fabs(x) / h);
  const int node = x < 0 ? kCentre - k : (x > 0 ? kCentre + k : kCentre);
  if (node < 1 || node > kNodes) return EvalTable(x);
  const double f0 = model_table[node];
  if (k >= 94) return {f0, 0.0, 0.0};
  const double d1 = slopes.first[static_cast<std::size_t>(node)];
  const double d2 = slopes.second[static_cast<std::size_t>(node)];
  const double d = x - (x < 0 ? -k * h : k * h);
  return {f0 + d * (d1 + d * d2 / 2.0), d1 + d * d2, d2};
}

}  // namespace pektra
