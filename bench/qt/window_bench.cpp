// The window's hot paths: building and painting the large graph of a 16384-channel spectrum and
// the fit picture of a 128-channel interval, and start-up to the first shown window. Runs off
// screen (QT_QPA_PLATFORM=offscreen unless set).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cmath>
#include <cstdlib>
#include <string>

#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/startup.h"
#include "ui/commands.h"
#include "ui/graphs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_user_interface.h"

namespace {

using namespace pektra;

void LoadLongSpectrum(AnalysisState& state) {
  RandomSpectrumOptions options;
  options.seed = 5;
  options.channels = 16384;
  options.isolated_peaks = 150;
  const RandomSpectrumResult random = RandomSpectrum(options);
  LoadIntoSpectrum(GenerateCounts(random.spec), state.spectrum);
  state.view.interval_begin = 1;
  state.view.interval_end = 16384;
  state.view.interval_length = 16384;
}

void BM_LargeGraphPicture16384Channels(benchmark::State& bench) {
  AnalysisState state;
  LoadLongSpectrum(state);
  for (auto _ : bench) {
    Picture picture = LargeGraphPicture(state, state.spectrum.max_counts);
    benchmark::DoNotOptimize(picture.ops.data());
  }
}
BENCHMARK(BM_LargeGraphPicture16384Channels)->Unit(benchmark::kMillisecond);

void BM_LargeGraphBuildAndPaint16384Channels(benchmark::State& bench) {
  AnalysisState state;
  LoadLongSpectrum(state);
  for (auto _ : bench) {
    const QImage image = PaintPicture(LargeGraphPicture(state, state.spectrum.max_counts), 1.0);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_LargeGraphBuildAndPaint16384Channels)->Unit(benchmark::kMillisecond);

// The fit picture of a 128-channel interval as the fit display builds it: black ground in an aqua
// frame, the dotted lime grid with six energy labels, per channel a fuchsia 3 x 3 count square,
// three blue background pixels and three red zero-line pixels, the aqua fitted curve through three
// points per channel, the largest count in yellow.
Picture FitPicture128(const std::vector<double>& counts, const std::vector<double>& fit) {
  const int n = static_cast<int>(counts.size());
  const double k = 300.0 / n;
  double top = 1.0;
  for (double c : counts) top = std::max(top, c);
  auto y_of = [top](double v) { return 2 + std::nearbyint(243 - 240 * v / top); };
  Picture picture;
  picture.width = 320;
  picture.height = 265;
  picture.Add(Frame{0, 0, 320, 265, colors::kAqua});
  for (int j = 1; j <= 4; ++j)
    picture.Add(DottedLine{10, 2.0 + 48 * j, 80, 4, false, colors::kLime});
  for (int j = 1; j <= 6; ++j) {
    const double x = 10 + 25 + 50 * (j - 1);
    picture.Add(DottedLine{x, 2, 64, 4, true, colors::kLime});
    picture.Add(Text{x - 20, 250, "  " + std::to_string(100 + 10 * j) + ".5", colors::kLime, 8});
  }
  Polyline curve{{}, {}, colors::kAqua};
  for (int t = 1; t <= n; ++t) {
    const double x = 10 + std::nearbyint(t * k);
    const double c = counts[static_cast<std::size_t>(t - 1)];
    picture.Add(FillRect{x - 1, y_of(c) - 1, x + 2, y_of(c) + 2, colors::kFuchsia});
    for (double dt : {0.0, 0.3333, 0.6666}) {
      const double f = fit[static_cast<std::size_t>(t - 1)] * (1 - dt * 0.01);
      curve.xs.push_back(10 + std::nearbyint((t + dt) * k));
      curve.ys.push_back(y_of(f));
      picture.Add(Pixel{10 + std::nearbyint((t + dt) * k), y_of(0.2 * top), colors::kBlue});
      picture.Add(Pixel{10 + std::nearbyint((t + dt) * k), 2 + 243, colors::kRed});
    }
  }
  picture.Add(std::move(curve));
  picture.Add(Text{3, 3, std::to_string(static_cast<long>(top)), colors::kYellow, 10});
  return picture;
}

void BM_FitPictureBuildAndPaint128Channels(benchmark::State& bench) {
  std::vector<double> counts, fit;
  for (int c = 0; c < 128; ++c) {
    const double peak = 5000 * std::exp(-0.5 * std::pow((c - 60) / 3.0, 2)) +
                        3000 * std::exp(-0.5 * std::pow((c - 75) / 3.0, 2));
    fit.push_back(400 + peak);
    counts.push_back(400 + peak + ((c * 37) % 41 - 20));
  }
  for (auto _ : bench) {
    const QImage image = PaintPicture(FitPicture128(counts, fit), 1.0);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_FitPictureBuildAndPaint128Channels)->Unit(benchmark::kMicrosecond);

// From nothing to the first shown window: state, start-up with its files, window, menus.
void BM_StartUpToFirstWindow(benchmark::State& bench) {
  for (auto _ : bench) {
    auto state = std::make_unique<AnalysisState>();
    StartUp(*state, ".");
    TForm1 window(*state);
    QtUserInterface ui(window, state->display.screen_scale, state->display.font_size);
    CommandTable commands(*state, ui);
    window.SetCommandTable(&commands);
    window.show();
    QApplication::processEvents();
    benchmark::DoNotOptimize(window.isVisible());
  }
}
BENCHMARK(BM_StartUpToFirstWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
