// The fitted curve on the window's large graph: the Eu152 test spectrum marked and fitted, the
// window zoomed into two peaks shows the aqua curve over the counts, at scale 1 and 1.5.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include "fit/spectrum_fit.h"
#include "marking/marking.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"
#include "ui/commands.h"
#include "ui/graphs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_user_interface.h"
#include "ui/test_spectra.h"

namespace pektra {
namespace {

int AquaPixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == QColor(0, 255, 255).rgb();
  }
  return n;
}

TEST(FittedCurveWindow, TheZoomedPeaksShowTheCurveAtBothScales) {
  for (const double scale : {1.0, 1.5}) {
    testing::TempDir dir;
    AnalysisState state;
    state.files.work_dir = dir.path().string();
    state.display.screen_scale = scale;
    TForm1 window(state);
    QtUserInterface ui(window, scale, 10);
    CommandTable table(state, ui);
    window.SetCommandTable(&table);
    window.show();

    // The Eu152 test spectrum, marked and fitted as the menu commands do it.
    LoadTestSpectrum(state, 0);
    state.spectrum.file_name = "eu152.tst";  // the header without the test's folder
    state.view.spectrum_read = true;
    testing::ScriptedUi quiet;
    quiet.AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 0; });  // new search
    state.view.interval_begin = state.spectrum.b1;
    state.view.interval_end = state.spectrum.b2;
    MarkSpectrum(MarkingOf(state), quiet);
    FitSpectrum(FitOf(state), quiet);
    ASSERT_FALSE(state.results.fitted_curves.empty());

    state.view.graph_mode = GraphMode::kSpectrum;
    state.view.cadre_mode = true;
    state.view.interval_begin = 2122;
    state.view.interval_end = 2266;
    DrawCadre(state, ui);
    window.RefreshMenus();
    EXPECT_GT(AquaPixels(window.large_graph()), 100 * scale) << scale;
    window.close();
  }
}

}  // namespace
}  // namespace pektra
