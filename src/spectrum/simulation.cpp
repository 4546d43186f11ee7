#include "spectrum/simulation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "core/arithmetic.h"
#include "numeric/random.h"

namespace pektra {

void SimulateSpectrum(TSpectrum& sp, RandomState& random, double covar) {
  const int a1 = std::clamp(sp.a1, 1, kMaxChannels);
  const int a2 = std::clamp(sp.a2, 1, kMaxChannels);
  const double r1 = UniformRandom(random);
  const double r2 = UniformRandom(random);
  struct Peak {
    double position, height;
  };
  std::array<Peak, 10> peaks{};
  for (Peak& peak : peaks) {
    peak.position = a1 + UniformRandom(random) * (a2 - a1);
    peak.height = 200.0 + 500.0 * UniformRandom(random);
  }
  for (int i = a1; i <= a2; ++i) {
    double y = r1 * i / 100.0 + 300.0 * r2;
    for (const Peak& peak : peaks) {
      const double u = (i - peak.position) / 2.5;
      y += peak.height * std::exp(-std::numbers::ln2 * u * u);
    }
    const double r = UniformRandom(random);
    sp.counts[i] = MaxD(0.0, y + std::sqrt(y) * (r - 0.5));
    sp.errors[i] = std::sqrt(std::fabs(sp.counts[i]) + 1.0);
  }
  sp.UpdateRange();
  sp.file_name.clear();
  sp.ApplyVarianceFormula(covar);
}

void SimulateTheSpectrum(const SpectrumProcessingContext& ctx) {
  ctx.undo.Push("Simulate the Spectrum", ctx.spectrum);
  SimulateSpectrum(ctx.spectrum, ctx.random, ctx.processing.covar);
  ctx.view.scale_mode = ScaleMode::kNormal;
}

}  // namespace pektra
