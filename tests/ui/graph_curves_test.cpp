// How the large graph draws the spectrum: points or a histogram line, and the curves of the last
// spectrum fit over it, as the Graph menu's check items switch them.
#include "ui/graph_curves.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <variant>
#include <vector>

#include "core/arithmetic.h"
#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"
#include "ui/commands.h"
#include "ui/graphs.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

template <typename Op>
std::vector<Op> OpsOf(const Picture& picture, Color color) {
  std::vector<Op> found;
  for (const DrawOp& op : picture.ops) {
    const auto* item = std::get_if<Op>(&op);
    if (item != nullptr && item->color == color) found.push_back(*item);
  }
  return found;
}

const Picture& LastGraph(const ScriptedUi& ui) {
  for (auto it = ui.pictures().rbegin(); it != ui.pictures().rend(); ++it) {
    if (it->first == PictureArea::kLargeGraph) return it->second;
  }
  static const Picture none;
  ADD_FAILURE() << "no large graph shown";
  return none;
}

const MenuItem& Item(CommandTable& table, const std::string& caption) {
  for (const MenuDefinition& menu : table.menus()) {
    for (const MenuItem& item : menu.items) {
      if (item.caption == caption) return item;
    }
  }
  static const MenuItem none;
  ADD_FAILURE() << "no item " << caption;
  return none;
}

// The distance (design units) from (x, y) to the nearest point of the lines at that x.
double DistanceAt(const std::vector<Polyline>& lines, double x, double y) {
  double best = std::numeric_limits<double>::infinity();
  for (const Polyline& line : lines) {
    for (std::size_t i = 0; i < line.xs.size(); ++i) {
      if (std::fabs(line.xs[i] - x) <= 0.5) best = std::min(best, std::fabs(line.ys[i] - y));
    }
  }
  return best;
}

// The Co-60 test spectrum, marked automatically and fitted.
struct FittedTestSpectrum {
  testing::TempDir dir;
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table{state, ui};

  explicit FittedTestSpectrum(bool refine) {
    state.files.work_dir = state.input.spectrum_dir = dir.path().string();
    state.marking.refinement.refine = refine;
    ui.AnswerDialog([](DialogContent& d) {
        d.choice_lists[0].selected = 3;
      }).AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 0; });
    table.RunCaption("Test");
    table.RunCaption("Automatic Spectrum Marking");
    table.RunCaption("Spectrum  Fit");
  }
  // The window of 41 channels around the strongest fitted peak, drawn; returns its channel.
  int ShowStrongestPeak() {
    int best = 1;
    for (int i = 1; i <= state.results.result_count; ++i) {
      if (state.results.result_rows[i][2] > state.results.result_rows[best][2]) best = i;
    }
    const int c = RoundToInt(state.results.result_rows[best][0]);
    state.view.graph_mode = GraphMode::kSpectrum;
    state.view.interval_begin = c - 20;
    state.view.interval_end = c + 20;
    state.view.cadre_mode = true;
    DrawCadre(state, ui);
    return c;
  }
};

TEST(FittedCurveOverlay, DrawnNearTheCountsUntilSwitchedOffOrTheSpectrumChanges) {
  FittedTestSpectrum fitted(/*refine=*/false);
  AnalysisState& state = fitted.state;
  ASSERT_GE(state.results.result_count, 2);
  ASSERT_FALSE(state.results.fitted_curves.empty());
  EXPECT_TRUE(HasFittedCurves(state));
  EXPECT_TRUE(Item(fitted.table, "Fitted Curve").checked);
  // The graph shown when the fit ends already holds the curves.
  EXPECT_FALSE(OpsOf<Polyline>(LastGraph(fitted.ui), colors::kAqua).empty());

  // Over the peak the curve runs through the counts, inside the plot.
  const int peak = fitted.ShowStrongestPeak();
  const double top = LargeGraphMaximum(state);
  std::vector<Polyline> curves = OpsOf<Polyline>(LastGraph(fitted.ui), colors::kAqua);
  ASSERT_FALSE(curves.empty());
  for (const Polyline& line : curves) {
    for (std::size_t i = 0; i < line.xs.size(); ++i) {
      EXPECT_GE(line.xs[i], PlotX(state, state.view.interval_begin));
      EXPECT_LE(line.xs[i], PlotX(state, state.view.interval_end + 1));
      EXPECT_GE(line.ys[i], 95);
      EXPECT_LE(line.ys[i], 365);
    }
  }
  for (int c = peak - 1; c <= peak + 1; ++c) {
    // Within 5 % of the plot's height of the count (a few sigma of a strong peak).
    EXPECT_LE(DistanceAt(curves, PlotX(state, c), PlotY(state, top, state.spectrum.counts[c])), 12)
        << "channel " << c;
  }

  // Switched off: gone at once, in the same window; on again: back.
  const int begin = state.view.interval_begin;
  fitted.table.RunCaption("Fitted Curve");
  EXPECT_FALSE(Item(fitted.table, "Fitted Curve").checked);
  EXPECT_TRUE(OpsOf<Polyline>(LastGraph(fitted.ui), colors::kAqua).empty());
  EXPECT_EQ(state.view.interval_begin, begin);
  fitted.table.RunCaption("Fitted Curve");
  EXPECT_FALSE(OpsOf<Polyline>(LastGraph(fitted.ui), colors::kAqua).empty());

  // A count changed under the curve: that interval's curve no longer belongs to the spectrum.
  state.spectrum.counts[peak] += 1;
  DrawCadre(state, fitted.ui);
  EXPECT_TRUE(OpsOf<Polyline>(LastGraph(fitted.ui), colors::kAqua).empty());
  state.spectrum.counts[peak] -= 1;

  // Another spectrum read: the curves are gone.
  const std::string file = fitted.dir.File("flat.txt");
  std::string counts;
  for (int c = 1; c <= 1024; ++c) counts += "30\n";
  testing::WriteFile(file, counts);
  fitted.ui.AnswerFile(file)
      .AnswerDialog([](DialogContent& d) { d.choice_lists[0].selected = 2; })
      .AnswerYes();  // the unsaved results may go
  fitted.table.RunCaption("Input the Spectrum");
  ASSERT_EQ(state.spectrum.a2, 1024);
  EXPECT_TRUE(state.results.fitted_curves.empty());
  EXPECT_FALSE(HasFittedCurves(state));
  EXPECT_TRUE(OpsOf<Polyline>(LastGraph(fitted.ui), colors::kAqua).empty());
  EXPECT_TRUE(fitted.ui.AllAnswersUsed());
}

TEST(FittedCurveOverlay, TheRefinedFitKeepsOneCurvePerFittedInterval) {
  FittedTestSpectrum fitted(/*refine=*/true);
  const AnalysisState& state = fitted.state;
  ASSERT_GE(state.marking.interval_count, 1);
  ASSERT_FALSE(state.results.fitted_curves.empty());
  for (const FittedCurve& curve : state.results.fitted_curves) {
    bool marked = false;
    for (int i = 1; i <= state.marking.interval_count; ++i) {
      const IntervalRecord& interval = state.marking.interval_table[i];
      marked = marked || (interval.left == curve.first && interval.right == curve.last);
    }
    EXPECT_TRUE(marked) << curve.first << " - " << curve.last;
  }
  const int peak = fitted.ShowStrongestPeak();
  const double top = LargeGraphMaximum(state);
  const std::vector<Polyline> curves = OpsOf<Polyline>(LastGraph(fitted.ui), colors::kAqua);
  EXPECT_LE(DistanceAt(curves, PlotX(state, peak), PlotY(state, top, state.spectrum.counts[peak])),
            12);
}

TEST(SpectrumDrawing, TheHistogramLineStepsThroughEveryCountAndTheChoiceIsKept) {
  AnalysisState state;
  ScriptedUi ui;
  CommandTable table(state, ui);
  TSpectrum& sp = state.spectrum;
  sp.a1 = sp.b1 = 1;
  sp.a2 = sp.b2 = 100;
  for (int c = 1; c <= 100; ++c) sp.counts[c] = c % 7 == 0 ? 400 : (c % 11 == 0 ? 0 : 10 + c);
  sp.UpdateRange();
  state.view.graph_height = kLargeGraphHeight + 200;  // a window grown taller: zero lies lower
  table.RunCaption("Graph the Spectrum");
  // Points are the default.
  EXPECT_TRUE(Item(table, "Spectrum as Points").checked);
  EXPECT_FALSE(Item(table, "Spectrum as Histogram").checked);
  EXPECT_EQ(OpsOf<PlusMark>(LastGraph(ui), colors::kFuchsia).size(), 100u);

  // A zoomed window stays as it is when the drawing changes.
  ZoomLargeGraph(state, ui, 300, 0.3);
  const int begin = state.view.interval_begin, end = state.view.interval_end;
  ASSERT_GT(begin, 1);
  table.RunCaption("Spectrum as Histogram");
  EXPECT_TRUE(state.view.histogram_drawing);
  EXPECT_TRUE(Item(table, "Spectrum as Histogram").checked);
  EXPECT_FALSE(Item(table, "Spectrum as Points").checked);
  EXPECT_EQ(state.view.interval_begin, begin);
  EXPECT_EQ(state.view.interval_end, end);
  const Picture& graph = LastGraph(ui);
  EXPECT_TRUE(OpsOf<PlusMark>(graph, colors::kFuchsia).empty());
  const std::vector<Polyline> lines = OpsOf<Polyline>(graph, colors::kFuchsia);
  ASSERT_EQ(lines.size(), 1u);
  const Polyline& line = lines.front();
  // Each channel's level stands level across its point, and the line is in x order.
  const double top = LargeGraphMaximum(state);
  for (int c = begin; c <= end; ++c) {
    const double x = PlotX(state, c), y = PlotY(state, top, sp.counts[c]);
    bool left = false, right = false;
    for (std::size_t i = 0; i < line.xs.size(); ++i) {
      left = left || (line.ys[i] == y && line.xs[i] < x);
      right = right || (line.ys[i] == y && line.xs[i] > x);
    }
    EXPECT_TRUE(left && right) << "channel " << c;
  }
  EXPECT_TRUE(std::is_sorted(line.xs.begin(), line.xs.end()));

  table.RunCaption("Spectrum as Points");
  EXPECT_FALSE(state.view.histogram_drawing);
  EXPECT_FALSE(OpsOf<PlusMark>(LastGraph(ui), colors::kFuchsia).empty());
}

}  // namespace
}  // namespace pektra
