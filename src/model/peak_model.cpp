#include "model/peak_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "core/arithmetic.h"
#include "core/number_format.h"

namespace pektra {

namespace {

constexpr int kHalfLength = 96;
static_assert(kHalfLength == TPeakModel::kHalfNodes);

// The measured line shapes of the two standard detectors, counts per node step.
constexpr std::array<double, 101> kIaeaTable = {
    0,    2,    4,    7,    10,   14,   18,   23,   28,   34,   40,   47,   55,   64,   72,
    81,   88,   95,   101,  106,  110,  114,  117,  119,  122,  125,  128,  131,  134,  138,
    141,  144,  146,  148,  149,  150,  151,  152,  153,  154,  155,  158,  162,  167,  173,
    180,  187,  193,  199,  205,  211,  218,  227,  240,  257,  281,  313,  356,  411,  484,
    580,  707,  872,  1086, 1363, 1722, 2179, 2733, 3362, 4045, 4781, 5589, 6466, 7342, 8078,
    8530, 8647, 8530, 8186, 7352, 5994, 5068, 4099, 3206, 2454, 1850, 1377, 1015, 746,  550,
    409,  304,  222,  158,  109,  74,   50,   33,   19,   8,    0};

constexpr std::array<double, 88> kDetector4Table = {
    0,     1,     2,     4,     7,     9,     15,    24,    37,    60,    82,    90,    93,
    99,    102,   119,   163,   227,   278,   308,   358,   440,   550,   726,   933,   1187,
    1473,  1835,  2242,  2844,  3655,  4526,  5469,  6519,  7794,  9155,  10634, 12183, 13848,
    15601, 17158, 18567, 19892, 21151, 22174, 22793, 23196, 23176, 22937, 22283, 21384, 20229,
    18838, 17418, 15933, 14417, 12829, 11287, 9868,  8498,  7199,  5955,  4906,  3979,  3220,
    2624,  2103,  1690,  1326,  1041,  792,   600,   439,   342,   280,   206,   126,   80,
    71,    56,    33,    15,    12,    9,     7,     5,     3,     0};

constexpr std::array<const char*, 13> kModelTypeNames = {
    "Double-signed", "Real",      "Gauss",        "Lorentz", "IAEA", "Voigt",  "ConvExp",
    "Exponential",   "Detector4", "Pseudo-Voigt", "ExpPeak", "Vela", "Fourier"};

// x with two decimals in as few characters as hold it, at least five.
std::string TwoDecimals(double x) {
  std::string text;
  for (int width = 5; width <= 23; ++width) {
    text = FormatFixed(width, 2, x);
    if (text.find('*') == std::string::npos) break;
  }
  return text;
}

Outcome IllegalModel(double half, double width) {
  return Outcome::Failure("Illegal model " + TwoDecimals(half) + " " + TwoDecimals(width));
}

}  // namespace

const char* ModelTypeName(int model_type) {
  if (model_type < -1 || model_type > 11) return "";
  return kModelTypeNames[static_cast<std::size_t>(model_type + 1)];
}

TPeakModel::TPeakModel() {
  model_type = kModelGauss;
  model_first = 0;
  model_last = 0;
  model_edge = 1;
  model_blend = 1.0;
  BuildStandardModel();
}

Outcome TPeakModel::BuildStandardModel() {
  // The scratch sequence is zeroed first; the fixed tables fill only their leading places.
  std::vector<double> raw(kNodes, 0.0);
  int count = kNodes;
  switch (model_type) {
    case kModelGauss:
      for (int i = 1; i <= kNodes; ++i) {
        const double xi = (kCentre - i) / 32.0;
        raw[static_cast<std::size_t>(i - 1)] = std::exp(-1.1 * xi * xi);
      }
      break;
    case kModelIaea:
      std::copy(kIaeaTable.begin(), kIaeaTable.end(), raw.begin());
      count = static_cast<int>(kIaeaTable.size());
      break;
    case kModelDetector4:
      std::copy(kDetector4Table.begin(), kDetector4Table.end(), raw.begin());
      count = static_cast<int>(kDetector4Table.size());
      break;
    default:
      // No standard table for this type: keep the present model.
      return IllegalModel(0.0, 0.0);
  }
  CenterTable(raw, count);
  return NormalizeModel();
}

void TPeakModel::CenterTable(const std::vector<double>& raw, int count) {
  count = std::min(count, static_cast<int>(raw.size()));
  model_table.fill(0.0);
  if (count <= 0) return;
  int p = 1;  // first occurrence of the largest value, 1-based
  for (int i = 2; i <= count; ++i) {
    if (raw[static_cast<std::size_t>(i - 1)] > raw[static_cast<std::size_t>(p - 1)]) p = i;
  }
  for (int i = 1; i <= count; ++i) {
    const int node = i - p + kCentre;
    if (node >= 1 && node <= kNodes) model_table[node] = raw[static_cast<std::size_t>(i - 1)];
  }
}

Outcome TPeakModel::NormalizeModel() {
  const OneBasedArray<double>& v = model_table;
  auto magnitude = [&v](int i) { return (i >= 1 && i <= kNodes) ? std::fabs(v[i]) : 0.0; };

  // Extremes: the largest magnitude (its last node) and the smallest signed value.
  double vmax = 0.0, vmin = v[1];
  int imax = 1;
  bool finite = true;
  for (int i = 1; i <= kNodes; ++i) {
    finite = finite && std::isfinite(v[i]);
    if (std::fabs(v[i]) >= vmax) {
      vmax = std::fabs(v[i]);
      imax = i;
    }
    vmin = std::min(vmin, v[i]);
  }
  const double half = vmax / 2.0;
  if (!finite || (vmax - vmin) / 2.0 == 0.0) return IllegalModel(half, 0.0);

  // Width at half height, the edges interpolated linearly between nodes.
  int il = 1;
  while (il < kNodes && magnitude(il) < half) ++il;
  int ir = kNodes;
  while (ir > 1 && magnitude(ir) < half) --ir;
  const double fl = (magnitude(il) - half) / (magnitude(il) - magnitude(il - 1));
  const double fr = (magnitude(ir) - half) / (magnitude(ir) - magnitude(ir + 1));
  const double width = std::fabs(fl) + (ir - il) + std::fabs(fr);
  if (!(width > 0.0)) return IllegalModel(half, width);

  // Node step in FWHM units and the area by the two-node Simpson rule.
  const double new_span = kHalfLength / width;
  const double h = new_span / kHalfLength;
  double sum = 0.0;
  for (int k = 1; k <= kHalfLength; ++k) sum += std::fabs(v[2 * k - 1]) + 2.0 * std::fabs(v[2 * k]);
  const double area = 2.0 / 3.0 * h * sum;

  // First moment of the upper part of the peak about its maximum node.
  double moment = 0.0;
  for (int i = 1; i <= kNodes; ++i) {
    if (v[i] > vmax / 10.0) moment += (imax - i) * v[i];
  }

  // Unit area over x in FWHM units.
  for (int i = 1; i <= kNodes; ++i) model_table[i] /= area;
  half_length = kHalfLength;
  fwhm_steps = width;
  span = new_span;
  model_area = area;
  centroid_offset = moment / area;
  return Outcome::Success();
}

std::string TPeakModel::Title() const {
  return std::string("Peak Model ") + ModelTypeName(model_type);
}

}  // namespace pektra
