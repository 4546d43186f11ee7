// Feeds arbitrary counts and bounds to the forming of the real peak model: it may never crash, and
// either forms a valid model (maximum on node 97, unit area, type "Real") or reports one of the
// stated failures with the previous model left exactly as it was. Bytes 0-5: first, last (signed
// 16-bit, so also beyond the channels and negative) and the edge count; then doubles as the counts
// from the first channel on.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "model/real_model.h"

namespace {

int Int16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }

bool StatedFailure(const std::string& m) {
  return m == "Error, lack of points (<9) for model" ||
         m == "Model interval too long, use compression to make < 1024" ||
         m.rfind(" Too low statistics for model ", 0) == 0 || m == "Wrong data for real model" ||
         m == "Error, zero-valued peak model" || m.rfind("Illegal model ", 0) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace pektra;
  if (size < 6) return 0;
  static TSpectrum spectrum;
  static NumericWork work;
  const int first = Int16(data), last = Int16(data + 2), edge = Int16(data + 4) % 8;
  for (int c = 1; c <= kMaxChannels; ++c) spectrum.counts[c] = 0.0;
  std::size_t at = 6;
  for (int c = first < 1 ? 1 : first; c <= kMaxChannels && at + sizeof(double) <= size; ++c) {
    double v;
    std::memcpy(&v, data + at, sizeof v);
    at += sizeof v;
    spectrum.counts[c] = v;
  }
  TPeakModel model;
  const TPeakModel before = model;
  const Outcome outcome = FormRealModelFromRange(model, spectrum, work, 20.0, first, last, edge);
  if (!outcome.ok) {
    if (!StatedFailure(outcome.message) || !(model.model_table == before.model_table)) std::abort();
    return 0;
  }
  // Unit area as the model measures it: the two-node Simpson rule over x in FWHM units.
  int top = 1;
  double sum = 0.0;
  for (int i = 1; i <= TPeakModel::kNodes; ++i) {
    if (model.model_table[i] > model.model_table[top]) top = i;
  }
  for (int k = 1; k <= 96; ++k) {
    sum += std::fabs(model.model_table[2 * k - 1]) + 2.0 * std::fabs(model.model_table[2 * k]);
  }
  const double area = 2.0 / 3.0 * model.span / 96.0 * sum;
  if (top != TPeakModel::kCentre || model.model_type != kModelReal || !(std::fabs(area - 1) < 1e-9))
    std::abort();
  return 0;
}
