// The real peak model is what every later fit takes for the detector's line shape: it must come
// out centred and of unit area, reproduce the peak it was formed from, refuse bad ranges with the
// program's messages and never replace a good model by a broken one.
#include "model/real_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "core/dialog.h"
#include "numeric/smoothing.h"
#include "support/scripted_ui.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// A Gaussian peak of the given FWHM and height over a straight background, errors √y.
TSpectrum PeakSpectrum(double centre, double fwhm, double height, double bg0 = 50.0,
                       double bg_slope = 0.0) {
  TSpectrum sp;
  for (int c = 1; c <= 400; ++c) {
    const double d = (c - centre) / fwhm;
    sp.counts[c] = bg0 + bg_slope * c + height * std::exp(-4.0 * std::numbers::ln2 * d * d);
    sp.errors[c] = std::sqrt(sp.counts[c]);
  }
  sp.a2 = 400;
  return sp;
}

int MaxNode(const TPeakModel& model) {
  int best = 1;
  for (int i = 2; i <= TPeakModel::kNodes; ++i) {
    if (model.model_table[i] > model.model_table[best]) best = i;
  }
  return best;
}

double TrapezoidArea(const TPeakModel& model) {
  double sum = 0.0;
  for (int i = 1; i < TPeakModel::kNodes; ++i) {
    sum += (model.model_table[i] + model.model_table[i + 1]) / 2.0;
  }
  return sum / model.fwhm_steps;
}

TPeakModel WithInterval(int first, int last, int edge) {
  TPeakModel model;
  model.model_first = first;
  model.model_last = last;
  model.model_edge = edge;
  return model;
}

TEST(RealModel, EdgeCountGrowsOnlyWhileTheEdgesAreFlat) {
  const TSpectrum sp = PeakSpectrum(100, 5, 10000);
  EXPECT_EQ(EdgeCount(sp, 70, 130), 3);  // flat background at both ends
  EXPECT_EQ(EdgeCount(sp, 95, 130), 1);  // the left bound sits on the peak's flank
  TSpectrum step = sp;
  step.counts[72] = 500;  // two channels in, the count jumps: stop after k = 1
  EXPECT_EQ(EdgeCount(step, 70, 130), 2);
}

TEST(RealModel, PrepareOversamplesShortRangesSubtractsTheEdgeLineAndRefusesBadRanges) {
  const TSpectrum sp = PeakSpectrum(100, 3, 10000, 40.0, 0.5);
  NumericWork work;
  int n = 0;
  ASSERT_TRUE(PrepareRealModel(sp, WithInterval(96, 104, 1), 20.0, work, n).ok);
  EXPECT_EQ(n, 180);  // 9 channels, 20-fold
  ASSERT_TRUE(PrepareRealModel(sp, WithInterval(55, 145, 1), 20.0, work, n).ok);
  EXPECT_EQ(n, 91);  // not oversampled
  // Edge 1 on a sloping background: the line through the first and the last channel alone.
  EXPECT_DOUBLE_EQ(work.work_data[1], 0.0);
  EXPECT_DOUBLE_EQ(work.work_data[91], 0.0);
  EXPECT_NEAR(work.work_data[46], 10000.0, 1e-6);
  // Edge 0: the raw counts are the net peak.
  ASSERT_TRUE(PrepareRealModel(sp, WithInterval(55, 145, 0), 20.0, work, n).ok);
  EXPECT_DOUBLE_EQ(work.work_data[1], sp.counts[55]);
  EXPECT_DOUBLE_EQ(work.work_data[46], sp.counts[100]);
  EXPECT_TRUE(PrepareRealModel(sp, WithInterval(1, 1024, 1), 20.0, work, n).ok);

  auto message = [&](const TPeakModel& settings, double small_stat) {
    return PrepareRealModel(sp, settings, small_stat, work, n).message;
  };
  EXPECT_EQ(message(WithInterval(96, 103, 1), 20), "Error, lack of points (<9) for model");
  EXPECT_EQ(message(WithInterval(1, 1025, 1), 20),
            "Model interval too long, use compression to make < 1024");
  EXPECT_EQ(message(WithInterval(90, 110, 1), 3400), " Too low statistics for model 10090");
  TSpectrum rising;
  for (int c = 1; c <= 100; ++c) rising.counts[c] = 10.0 * c;
  EXPECT_EQ(PrepareRealModel(rising, WithInterval(20, 60, 0), 20, work, n).message,
            "Wrong data for real model");
}

TEST(RealModel, FormedTableIsCentredOfUnitAreaAndReproducesTheGaussianItCameFrom) {
  const TSpectrum sp = PeakSpectrum(200.3, 6.0, 20000);
  TPeakModel model;
  NumericWork work;
  const Outcome outcome = FormRealModelFromRange(model, sp, work, 20.0, 220, 180, -1);
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_EQ(model.model_first, 180);
  EXPECT_EQ(model.model_last, 220);
  EXPECT_EQ(model.model_edge, 3);
  EXPECT_EQ(model.model_type, kModelReal);
  EXPECT_EQ(model.Title(), "Peak Model Real");
  EXPECT_EQ(MaxNode(model), 97);
  EXPECT_NEAR(TrapezoidArea(model), 1.0, 2e-3);
  // A Gaussian of FWHM 1 and unit area, written out independently of the table.
  auto unit_gauss = [](double x) {
    return 2.0 * std::sqrt(std::numbers::ln2 / std::numbers::pi) *
           std::exp(-4.0 * std::numbers::ln2 * x * x);
  };
  for (double x : {0.0, 0.3, -0.5, 0.8, -1.2}) {
    EXPECT_NEAR(model.EvalTable(x).value, unit_gauss(x), 0.03) << x;
  }
}

TEST(RealModel, FailuresKeepThePreviousModel) {
  TPeakModel model;
  const TPeakModel gauss = model;
  NumericWork work;
  for (int i = 1; i <= 50; ++i) work.work_result[i] = 0.001;  // crumbs only
  EXPECT_EQ(FormRealModel(model, work, 50).message, "Error, zero-valued peak model");
  EXPECT_EQ(model.model_table, gauss.model_table);

  const TSpectrum flat = PeakSpectrum(100, 5, 0.0, 100.0);
  EXPECT_EQ(FormRealModelFromRange(model, flat, work, 20, 80, 120, 1).message,
            "Wrong data for real model");
  EXPECT_EQ(model.model_table, gauss.model_table);
  EXPECT_EQ(model.model_type, kModelGauss);
  EXPECT_EQ(model.model_first, 80);  // the settings confirmed stay
}

// The smoothing window's " More smoothing" divides the spline parameter: a smaller parameter gives
// a smoother curve that lies farther from the data, so the choice does what its caption says.
TEST(RealModel, MoreSmoothingInTheWindowGivesTheSmootherCurve) {
  const TSpectrum sp = PeakSpectrum(100, 4.0, 3000);
  NumericWork work;
  int n = 0;
  ASSERT_TRUE(PrepareRealModel(sp, WithInterval(80, 120, 2), 20.0, work, n).ok);
  SmoothSpline(work, n, false, 1.0);
  const double rough = work.roughness_sum, misfit = work.fit_sum;
  SmoothSpline(work, n, false, 1.0 / 1.5);
  EXPECT_LT(work.roughness_sum, rough);
  EXPECT_GT(work.fit_sum, misfit);
}

// The command: the picked interval in the dialog, the smoothing window, the model on Quit.
TEST(RealModel, CommandConfirmsTheBoundsSmoothsAsAskedAndFormsTheModel) {
  const TSpectrum sp = PeakSpectrum(150, 4.0, 8000);
  TPeakModel model;
  model.model_first = 175;  // picked right to left
  model.model_last = 125;
  NumericWork work;
  const RealModelContext ctx{model, sp, work, 20.0};

  ScriptedUi cancelled;
  cancelled.CancelDialog();
  EXPECT_FALSE(FormTheRealPeakModel(ctx, cancelled));
  EXPECT_EQ(model.model_type, kModelGauss);
  ASSERT_EQ(cancelled.dialogs().size(), 1u);
  const DialogContent& bounds = cancelled.dialogs()[0];
  EXPECT_EQ(bounds.title, " Confirm the bounds ");
  EXPECT_EQ(bounds.grid.labels, (std::vector<std::string>{
                                    "  Left bound =", "  Right bound =", "  Backgr.edge(chan)= "}));
  EXPECT_EQ(bounds.grid.cells[0][0], FormatGridCell(8, 125));
  EXPECT_EQ(bounds.grid.cells[1][0], FormatGridCell(8, 175));
  EXPECT_EQ(bounds.grid.cells[2][0], FormatGridCell(8, 3));

  auto choose = [](int choice) {
    return [choice](DialogContent& d) { d.choice_lists[0].selected = choice; };
  };
  // Bounds typed the wrong way round are ordered; too short a range is refused with its message.
  ScriptedUi short_range;
  short_range.AnswerDialog([](DialogContent& d) { d.grid.cells[0][0] = "180"; });
  EXPECT_FALSE(FormTheRealPeakModel(ctx, short_range));
  EXPECT_EQ(short_range.notes(), std::vector<std::string>{"Error, lack of points (<9) for model"});
  EXPECT_EQ(model.model_first, 175);
  EXPECT_EQ(model.model_last, 180);
  EXPECT_EQ(model.model_type, kModelGauss);

  // Cancel in the smoothing window abandons the command.
  model.model_first = 110;
  model.model_last = 190;
  ScriptedUi abandoned;
  abandoned.AnswerDialog().AnswerDialog(choose(1)).CancelDialog();
  EXPECT_FALSE(FormTheRealPeakModel(ctx, abandoned));
  EXPECT_EQ(model.model_type, kModelGauss);
  EXPECT_TRUE(abandoned.notes().empty());

  ScriptedUi smooth;
  smooth.AnswerDialog().AnswerDialog(choose(1)).AnswerDialog(choose(2));
  EXPECT_TRUE(FormTheRealPeakModel(ctx, smooth));
  EXPECT_TRUE(smooth.notes().empty());
  EXPECT_TRUE(smooth.AllAnswersUsed());
  EXPECT_EQ(model.model_type, kModelReal);
  EXPECT_EQ(MaxNode(model), 97);
  const auto& windows = smooth.dialogs();
  ASSERT_EQ(windows.size(), 3u);
  EXPECT_EQ(windows[1].choice_lists[0].items,
            (std::vector<std::string>{" Less smoothing", " More smoothing", " Quit"}));
  EXPECT_EQ(windows[1].labels[0].text, "Click on Less or More, then on OK");
  EXPECT_EQ(windows[1].labels[1].text, "If the result is good, click on Quit, then on OK");
}

}  // namespace
}  // namespace pektra
