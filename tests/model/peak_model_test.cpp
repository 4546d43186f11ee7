// The peak model is the shape every search and fit evaluates: its width, area and centre must be
// right, or every peak position, width and area of the program is off.
#include "model/peak_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <variant>
#include <vector>

#include "model/peak_model_commands.h"
#include "state/analysis_state.h"
#include "support/scripted_ui.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// A Gaussian of FWHM 1 and unit area, written out independently of the table.
double UnitGauss(double x) {
  const double ln2 = std::numbers::ln2;
  return 2.0 * std::sqrt(ln2 / std::numbers::pi) * std::exp(-4.0 * ln2 * x * x);
}

int MaxNode(const TPeakModel& model) {
  int best = 1;
  for (int i = 2; i <= TPeakModel::kNodes; ++i) {
    if (model.model_table[i] > model.model_table[best]) best = i;
  }
  return best;
}

// The area over x in FWHM units by the trapezoid rule (the ends of the tables are near zero).
double TrapezoidArea(const TPeakModel& model) {
  const double h = 1.0 / model.fwhm_steps;
  double sum = 0.0;
  for (int i = 1; i < TPeakModel::kNodes; ++i) {
    sum += (model.model_table[i] + model.model_table[i + 1]) / 2.0;
  }
  return h * sum;
}

TPeakModel BuiltModel(int type) {
  TPeakModel model;
  model.model_type = type;
  EXPECT_TRUE(model.BuildStandardModel().ok);
  return model;
}

TEST(PeakModel, DefaultIsUnitAreaGaussCentredOnNode97) {
  const TPeakModel model;
  EXPECT_EQ(model.model_type, kModelGauss);
  EXPECT_EQ(model.Title(), "Peak Model Gauss");
  EXPECT_EQ(MaxNode(model), 97);
  EXPECT_NEAR(TrapezoidArea(model), 1.0, 1e-6);
  EXPECT_NEAR(model.fwhm_steps, 2.0 * std::sqrt(std::numbers::ln2 / 1.1) * 32.0, 0.05);
  EXPECT_DOUBLE_EQ(model.span, 96.0 / model.fwhm_steps);
  EXPECT_NEAR(model.centroid_offset, 0.0, 1e-9);  // symmetric
}

TEST(PeakModel, GaussTableEvaluatesAsGaussianOfUnitWidthAndArea) {
  const TPeakModel model;
  for (double x : {0.0, 0.013, -0.21, 0.37, -0.5, 0.5, 0.77}) {
    EXPECT_NEAR(model.EvalTable(x).value, UnitGauss(x), 3e-3 * UnitGauss(x)) << "x = " << x;
  }
  for (double x : {1.2, -1.45}) {
    EXPECT_NEAR(model.EvalTable(x).value, UnitGauss(x), 1e-3) << "x = " << x;
  }
  // Slope and curvature of the Gaussian: G' = -8 ln2 x G, G'' = 8 ln2 (8 ln2 x^2 - 1) G.
  const double a = 8.0 * std::numbers::ln2;
  const double x = 0.31;
  const TPeakModel::Shape shape = model.EvalTable(x);
  EXPECT_NEAR(shape.first, -a * x * UnitGauss(x), 0.01 * a * x * UnitGauss(x));
  EXPECT_NEAR(shape.second, a * (a * x * x - 1.0) * UnitGauss(x), 0.03 * a * UnitGauss(x));

  // Within three nodes of either end the table is read flat.
  const TPeakModel::Shape near_end = model.EvalTable(-94.3 * model.span / 96.0);
  EXPECT_EQ(near_end.value, model.model_table[3]);
  EXPECT_EQ(near_end.first, 0.0);
  EXPECT_EQ(near_end.second, 0.0);

  for (double outside : {model.span, -model.span, model.span + 0.5, -3.0 * model.span}) {
    const TPeakModel::Shape s = model.EvalTable(outside);
    EXPECT_EQ(s.value, 0.0) << "x = " << outside;
    EXPECT_EQ(s.first, 0.0);
    EXPECT_EQ(s.second, 0.0);
  }
}

TEST(PeakModel, IaeaAndDetector4TablesAreCentredWithUnitArea) {
  for (int type : {kModelIaea, kModelDetector4}) {
    const TPeakModel model = BuiltModel(type);
    EXPECT_EQ(MaxNode(model), 97) << ModelTypeName(type);
    EXPECT_NEAR(TrapezoidArea(model), 1.0, 5e-3) << ModelTypeName(type);
    EXPECT_GT(model.fwhm_steps, 0.0);
    EXPECT_NEAR(model.EvalTable(0.0).value, model.model_table[97], 1e-12);
  }
  // The IAEA peak 8647 has its half height between 4045 and 4781 on the left and between 5068
  // and 4099 on the right, eleven nodes apart.
  const double iaea_width =
      (4781 - 4323.5) / (4781.0 - 4045) + 11 + (5068 - 4323.5) / (5068.0 - 4099);
  EXPECT_NEAR(BuiltModel(kModelIaea).fwhm_steps, iaea_width, 1e-9);
  EXPECT_EQ(BuiltModel(kModelDetector4).Title(), "Peak Model Detector4");
}

TEST(PeakModel, SlopesTakenOnceGiveTheValuesOfTheTableBitForBit) {
  auto same = [](double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
  };
  for (const int type : {kModelGauss, kModelIaea, kModelDetector4}) {
    TPeakModel model;
    model.model_type = type;
    ASSERT_TRUE(model.BuildStandardModel().ok);
    const TPeakModel::Slopes slopes = model.TableSlopes();
    // Both sides, the centre, node boundaries (halves of a step), the flat ends and beyond.
    const double h = model.span / TPeakModel::kHalfNodes;
    std::vector<double> xs{0.0, -0.0, model.span, -model.span, 2 * model.span};
    for (int k = 0; k <= TPeakModel::kHalfNodes; ++k) {
      for (const double at : {k * h, (k + 0.5) * h, k * h + 1e-9, (k + 0.37) * h}) {
        xs.push_back(at);
        xs.push_back(-at);
      }
    }
    for (const double x : xs) {
      const TPeakModel::Shape direct = model.EvalTable(x);
      const TPeakModel::Shape taken = model.EvalTable(x, slopes);
      EXPECT_TRUE(same(direct.value, taken.value) && same(direct.first, taken.first) &&
                  same(direct.second, taken.second))
          << type << " " << x;
    }
    // Slopes of another table are not used.
    TPeakModel other;
    other.model_type = type;
    ASSERT_TRUE(other.BuildStandardModel().ok);
    for (int i = 1; i <= TPeakModel::kNodes; ++i) other.model_table[i] *= 1.5;
    other.span *= 1.25;
    EXPECT_TRUE(same(other.EvalTable(0.3, slopes).first, other.EvalTable(0.3).first)) << type;
  }
}

TEST(PeakModel, CenterTableMovesFirstMaximumToNode97AndDropsOverflow) {
  TPeakModel model;
  std::vector<double> raw(193);
  for (int i = 0; i < 193; ++i) raw[static_cast<std::size_t>(i)] = 500.0 - i;
  raw[40] = 500.0;  // a second maximum equal to the first one stays behind it
  model.CenterTable(raw, 193);
  for (int node = 1; node <= 96; ++node) EXPECT_EQ(model.model_table[node], 0.0) << node;
  EXPECT_EQ(model.model_table[97], 500.0);
  EXPECT_EQ(model.model_table[98], 499.0);
  EXPECT_EQ(model.model_table[137], 500.0);
  EXPECT_EQ(model.model_table[193], 404.0);  // the 97th value; those after it are dropped
}

TEST(PeakModel, FlatTableIsIllegalAndLeftAsItWas) {
  TPeakModel model;
  model.model_table.fill(5.0);
  const TPeakModel before = model;
  const Outcome outcome = model.NormalizeModel();
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.message, "Illegal model  2.50  0.00");
  EXPECT_EQ(model.model_table, before.model_table);
  EXPECT_EQ(model.span, before.span);
  EXPECT_EQ(model.model_area, before.model_area);

  model.model_table.fill(0.0);
  EXPECT_EQ(model.NormalizeModel().message, "Illegal model  0.00  0.00");
}

TEST(PeakModelCommands, SpecialModelDialogBuildsTheChosenShape) {
  AnalysisState state;
  ScriptedUi ui;
  ui.AnswerDialog([](DialogContent& dialog) { dialog.choice_lists[0].selected = 1; });
  MakeSpecialPeakModel(state.peak_model, state.display, ui);

  ASSERT_EQ(ui.dialogs().size(), 1u);
  const DialogContent& shown = ui.dialogs()[0];
  EXPECT_EQ(shown.choice_lists[0].selected, 0);
  EXPECT_EQ(state.peak_model.model_type, kModelIaea);
  EXPECT_EQ(state.peak_model.model_table, BuiltModel(kModelIaea).model_table);
  EXPECT_TRUE(ui.notes().empty());
}

TEST(PeakModelCommands, SpecialModelCancelChangesNothing) {
  AnalysisState state;
  state.peak_model = BuiltModel(kModelDetector4);
  const TPeakModel before = state.peak_model;
  ScriptedUi ui;
  ui.CancelDialog();
  MakeSpecialPeakModel(state.peak_model, state.display, ui);

  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_EQ(ui.dialogs()[0].choice_lists[0].selected, 2);  // preselected from the present type
  EXPECT_EQ(state.peak_model.model_type, kModelDetector4);
  EXPECT_EQ(state.peak_model.model_table, before.model_table);
  EXPECT_EQ(state.peak_model.fwhm_steps, before.fwhm_steps);
}

TEST(PeakModelCommands, GraphShowsTheTableAsPlusMarksOverAGrid) {
  AnalysisState state;
  ScriptedUi ui;
  ui.AnswerDialog();
  GraphPeakModel(state.peak_model, ui);

  ASSERT_EQ(ui.dialogs().size(), 1u);
  const DialogContent& shown = ui.dialogs()[0];
  EXPECT_EQ(shown.title, "Peak Model Gauss");
  const DialogPicture& area = shown.pictures[0];
  ASSERT_TRUE(area.visible);
  const std::vector<DrawOp>& ops = area.picture.ops;
  // The graph in a margin of 46 left and 10 on top, then 5 + 4 axis numbers.
  ASSERT_EQ(ops.size(), 1u + 1u + 5u + 193u + 4u + 9u);

  // Node i is the mark 6 + i: the peak at the top, the lowest tail at the bottom and node 122,
  // 25/32 from the centre, at 203 - 200 (e - e0) / (1 - e0) with e = exp(-1.1 (25/32)^2).
  auto node = [&ops](int i) { return std::get<PlusMark>(ops[static_cast<std::size_t>(6 + i)]); };
  EXPECT_EQ(node(97).x, 46 + 101);
  EXPECT_EQ(node(97).y, 10 + 3);
  EXPECT_EQ(node(1).x, 46 + 5);
  EXPECT_EQ(node(1).y, 10 + 203);
  const double e = std::exp(-1.1 * (25.0 / 32) * (25.0 / 32)), e0 = std::exp(-1.1 * 9.0);
  EXPECT_EQ(node(122).x, 46 + 126);
  EXPECT_EQ(node(122).y, 10 + std::nearbyint(203 - 200 * (e - e0) / (1 - e0)));

  EXPECT_EQ(state.peak_model.model_type, kModelGauss);
}

}  // namespace
}  // namespace pektra

namespace pektra {
namespace {

TEST(PeakModelPicture, HasAxisNumbersAndTheTopOfTheCurveInsideThePicture) {
  const TPeakModel model;
  const Picture picture = PeakModelPicture(model);
  std::vector<std::string> texts;
  double top_mark = 1e9;
  for (const DrawOp& op : picture.ops) {
    if (const auto* text = std::get_if<Text>(&op)) {
      texts.push_back(text->text);
      EXPECT_GE(text->x, 0);
      EXPECT_LE(text->y + 10, picture.height) << text->text;
    }
    if (const auto* mark = std::get_if<PlusMark>(&op)) top_mark = std::min(top_mark, mark->y);
  }
  ASSERT_EQ(texts.size(), 9u);    // five heights, four distances
  EXPECT_EQ(texts[0], "  1.00");  // the top grid line is the curve's top
  EXPECT_EQ(texts[4], "  0.00");
  EXPECT_GE(top_mark - 1, 0);  // the top mark's upper pixel is inside
  EXPECT_GT(picture.width, 200);
  EXPECT_GT(picture.height, 215);
}

}  // namespace
}  // namespace pektra
