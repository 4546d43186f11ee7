// TPeakModel: the one peak shape used by the search, the marking, the fit and the graphs. The
// shape is a table of 193 nodes with the maximum on node 97, normalised to unit area in FWHM
// units: a peak A * M((c - P) / W) over channels c has FWHM W channels and area A * W counts.
#pragma once

#include <string>
#include <vector>

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
  Shape EvalTable(double x) const;
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

}  // namespace pektra
