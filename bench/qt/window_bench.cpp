// The window's hot paths: building and painting the large graph of a 16384-channel spectrum, and
// start-up to the first shown window. Runs off screen (QT_QPA_PLATFORM=offscreen unless set).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>

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
