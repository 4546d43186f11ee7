// Compression, smoothing, background and simulation: the numbers, the dialogs and what Cancel
// leaves alone.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numeric/smoothing.h"
#include "spectrum/compression.h"
#include "spectrum/simulation.h"
#include "spectrum/smoothing_window.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// Channels a1..a2 with count 10·i + 1 and error 0.5 + i/100; abscissa 2i.
AnalysisState Numbered(int a1, int a2) {
  AnalysisState state;
  TSpectrum& sp = state.spectrum;
  sp.a1 = sp.b1 = a1;
  sp.a2 = sp.b2 = a2;
  for (int i = 1; i <= kMaxChannels; ++i) {
    sp.counts[i] = 10.0 * i + 1;
    sp.errors[i] = 0.5 + i / 100.0;
    sp.abscissa[i] = 2.0 * i;
  }
  sp.UpdateRange();
  return state;
}

auto Factor(std::string text) {
  return [text](DialogContent& dialog) { dialog.edit_line.text = text; };
}

TEST(CompressionTest, GroupsAreSummedFromTheBoundsOn) {
  AnalysisState state = Numbered(5, 100);
  const TSpectrum old = state.spectrum;
  ScriptedUi ui;
  ui.AnswerDialog();  // the proposed factor 2
  CompressTheSpectrum(SpectrumProcessingOf(state), ui);
  const TSpectrum& sp = state.spectrum;
  EXPECT_EQ(sp.a1, 3);  // old channels 5 and 6 form new channel 3
  EXPECT_EQ(sp.b1, 3);
  EXPECT_EQ(sp.a2, 50);
  EXPECT_EQ(sp.b2, 50);
  for (int k = 3; k <= 50; ++k) {
    EXPECT_EQ(sp.counts[k], old.counts[2 * k - 1] + old.counts[2 * k]);
    EXPECT_EQ(sp.errors[k], std::sqrt(old.errors[2 * k - 1] * old.errors[2 * k - 1] +
                                      old.errors[2 * k] * old.errors[2 * k]));
    EXPECT_EQ(sp.abscissa[k], old.abscissa[2 * k - 1]);
  }
  for (const int i : {1, 2, 51, 100}) {
    EXPECT_EQ(sp.counts[i], 0.0) << i;
    EXPECT_EQ(sp.errors[i], 1.0) << i;
  }
  EXPECT_EQ(sp.counts[101], old.counts[101]);  // beyond the old spectrum: untouched
  EXPECT_EQ(sp.max_counts, old.counts[99] + old.counts[100]);
  EXPECT_EQ(state.view.status_text[0], " Compression by factor 2");
  EXPECT_EQ(state.processing.compression_factor, 2);
  ASSERT_EQ(ui.dialogs().size(), 1u);
  EXPECT_EQ(ui.dialogs()[0].title, "Spectrum compression");
  EXPECT_EQ(ui.dialogs()[0].labels[0].text, "Compression factor");
  EXPECT_EQ(ui.dialogs()[0].edit_line.text, "2");
}

TEST(CompressionTest, FactorsAreRoundedAndTheirSignDropped) {
  AnalysisState state = Numbered(1, 99);
  const TSpectrum old = state.spectrum;
  ScriptedUi ui;
  ui.AnswerDialog(Factor("-3"));
  CompressTheSpectrum(SpectrumProcessingOf(state), ui);
  EXPECT_EQ(state.spectrum.a2, 33);
  EXPECT_EQ(state.spectrum.counts[1], old.counts[1] + old.counts[2] + old.counts[3]);
  EXPECT_EQ(state.view.status_text[0], " Compression by factor 3");
  EXPECT_EQ(CompressionFactor(2.5), 2);  // halves to even
  EXPECT_EQ(CompressionFactor(-1e300), 2147483647);
}

TEST(CompressionTest, TheLastGroupEndsAtTheLastChannel) {
  AnalysisState state = Numbered(1, kMaxChannels);
  const TSpectrum old = state.spectrum;
  ASSERT_TRUE(CompressSpectrum(state.spectrum, 3));
  EXPECT_EQ(state.spectrum.a2, 5462);  // channels 16384..16386: only 16384 exists
  EXPECT_EQ(state.spectrum.counts[5462], old.counts[kMaxChannels]);
  EXPECT_EQ(state.spectrum.errors[5462], old.errors[kMaxChannels]);
  ASSERT_TRUE(CompressSpectrum(state.spectrum, 100000));
  EXPECT_EQ(state.spectrum.a1, 1);
  EXPECT_EQ(state.spectrum.a2, 1);
}

TEST(CompressionTest, AWrongFactorCancelOrAnUnreadableEntryChangeNothing) {
  AnalysisState state = Numbered(5, 100);
  const TSpectrum spectrum = state.spectrum;
  const ViewState view = state.view;
  const ProcessingSettings processing = state.processing;
  ScriptedUi ui;
  ui.AnswerDialog(Factor("0.4"))
      .AnswerDialog(Factor("0"))
      .CancelDialog()
      .AnswerDialog(Factor("two"));
  for (int k = 0; k < 4; ++k) CompressTheSpectrum(SpectrumProcessingOf(state), ui);
  EXPECT_EQ(ui.notes(),
            (std::vector<std::string>{"Wrong compression factor", "Wrong compression factor",
                                      "Error, wrong numbers"}));
  EXPECT_TRUE(state.spectrum == spectrum);
  EXPECT_TRUE(state.view == view);
  EXPECT_TRUE(state.processing == processing);
  EXPECT_TRUE(state.undo.empty());
}

// A smooth bump with noise-like wiggles on channels b1..b2 = 101..300.
AnalysisState Bumpy() {
  AnalysisState state;
  TSpectrum& sp = state.spectrum;
  sp.a1 = 1;
  sp.a2 = 400;
  sp.b1 = 101;
  sp.b2 = 300;
  for (int i = 1; i <= 400; ++i) {
    sp.counts[i] =
        200 + 800 * std::exp(-((i - 200.0) * (i - 200.0)) / 200.0) + ((i * 7919) % 13 - 6) * 3.0;
  }
  sp.UpdateRange();
  return state;
}

auto Choose(int option) {
  return [option](DialogContent& dialog) { dialog.choice_lists[0].selected = option; };
}
void Tick(DialogContent& dialog) { dialog.check_list.checked = {true}; }

TEST(SmoothingWindowTest, LessAndMoreChangeTheParameterByHalfAgain) {
  AnalysisState state = Bumpy();
  NumericWork& work = state.work;
  for (int i = 1; i <= 200; ++i) work.work_data[i] = state.spectrum.counts[100 + i];
  ScriptedUi ui;
  ui.AnswerDialog(Choose(0)).AnswerDialog(Choose(0)).AnswerDialog();
  double p = 0;
  EXPECT_TRUE(
      SmoothingWindow(work, 200, SmoothingMode::kSmoothing, ScaleMode::kNormal, 0.5, ui, &p));
  EXPECT_EQ(p, 2.25);
  // The curve left is the spline of the last parameter.
  NumericWork check = work;
  SmoothSpline(check, 200, false, 2.25);
  EXPECT_TRUE(check.work_result == work.work_result);
  ui.AnswerDialog(Choose(0)).AnswerDialog(Choose(0)).AnswerDialog(Choose(1)).CancelDialog();
  EXPECT_FALSE(
      SmoothingWindow(work, 200, SmoothingMode::kSmoothing, ScaleMode::kNormal, 0.5, ui, &p));
  EXPECT_EQ(p, 1.5);
  // Each showing: the three choices with Quit preselected, the two hints, the picture.
  const DialogContent& shown = ui.dialogs().back();
  EXPECT_EQ(shown.choice_lists[0].items,
            (std::vector<std::string>{" Less smoothing", " More smoothing", " Quit"}));
  EXPECT_EQ(shown.choice_lists[0].selected, 2);
  EXPECT_EQ(shown.labels[0].text, "Click on Less or More, then on OK");
  EXPECT_EQ(shown.labels[1].text, "If the result is good, click on Quit, then on OK");
  EXPECT_EQ(shown.pictures[0].picture.width, 516);
  EXPECT_EQ(shown.pictures[0].picture.height, 300);
}

TEST(SmoothingWindowTest, ThePictureScalesDataAndCurveToTheData) {
  NumericWork work;
  work.work_data[1] = 10;
  work.work_data[2] = 110;
  work.work_result[1] = 60;
  work.work_result[2] = 1e308 * 10;  // overflowed: kept on the canvas' far side, not NaN
  const Picture picture = SmoothingPicture(work, 2, ScaleMode::kNormal, 0.5);
  ASSERT_EQ(picture.ops.size(), 1u + 5 + 8 + 4);
  const auto& fill = std::get<FillRect>(picture.ops[0]);
  EXPECT_EQ(fill.bottom, 323);
  const auto& row = std::get<DottedLine>(picture.ops[2]);
  EXPECT_EQ(row.y, 71);
  EXPECT_EQ(row.count, 103);
  const auto& column = std::get<DottedLine>(picture.ops[13]);
  EXPECT_EQ(column.x, 34 + 64 * 7);
  EXPECT_EQ(column.y, -4);
  EXPECT_EQ(column.count, 57);
  const auto& low = std::get<PlusMark>(picture.ops[14]);
  EXPECT_EQ(low.x, 256);
  EXPECT_EQ(low.y, 275);
  EXPECT_EQ(low.color, colors::kFuchsia);
  EXPECT_EQ(std::get<PlusMark>(picture.ops[15]).y, 139);  // 275 − 272 · 0.5
  EXPECT_EQ(std::get<PlusMark>(picture.ops[16]).x, 512);
  EXPECT_EQ(std::get<PlusMark>(picture.ops[16]).y, 3);
  EXPECT_EQ(std::get<PlusMark>(picture.ops[17]).y, -10000);
  EXPECT_EQ(std::get<PlusMark>(picture.ops[17]).color, colors::kAqua);
  // SQRT: half the range is at √0.5 of the height; Trimmed with coefficient 0 stays finite.
  EXPECT_EQ(std::get<PlusMark>(SmoothingPicture(work, 2, ScaleMode::kSqrt, 0.5).ops[15]).y,
            std::nearbyint(275 - 272 * std::sqrt(0.5)));
  for (const DrawOp& op : SmoothingPicture(work, 2, ScaleMode::kTrimmed, 0.0).ops) {
    if (const auto* mark = std::get_if<PlusMark>(&op)) {
      EXPECT_FALSE(std::isnan(mark->y));
    }
  }
}

TEST(SmoothOrBackgroundTest, TheBoxDecidesWhetherTheIntervalChanges) {
  AnalysisState state = Bumpy();
  const TSpectrum old = state.spectrum;
  ScriptedUi ui;
  // Unchecked: the window only shows the curve.
  ui.AnswerDialog().AnswerDialog();
  SmoothOrBackground(SpectrumProcessingOf(state), SmoothingMode::kSmoothing, ui);
  EXPECT_TRUE(state.spectrum == old);
  EXPECT_TRUE(state.undo.empty());
  EXPECT_EQ(ui.dialogs()[0].title, "Smoothing");
  EXPECT_EQ(ui.dialogs()[0].check_list.items,
            std::vector<std::string>{"Spectrum should be replaced by the smoothed"});
  EXPECT_EQ(ui.dialogs()[0].check_list.checked, std::vector<bool>{false});
  // Checked: the interval becomes the curve, nothing outside it changes, errors stay.
  ui.AnswerDialog(Tick).AnswerDialog();
  SmoothOrBackground(SpectrumProcessingOf(state), SmoothingMode::kSmoothing, ui);
  NumericWork check;
  for (int i = 1; i <= 200; ++i) check.work_data[i] = old.counts[100 + i];
  SmoothSpline(check, 200, false, 1.0);
  for (int i = 1; i <= 200; ++i) ASSERT_EQ(state.spectrum.counts[100 + i], check.work_result[i]);
  EXPECT_EQ(state.spectrum.counts[100], old.counts[100]);
  EXPECT_EQ(state.spectrum.counts[301], old.counts[301]);
  EXPECT_TRUE(state.spectrum.errors == old.errors);
  EXPECT_EQ(state.spectrum.max_counts, old.max_counts);
  EXPECT_EQ(state.view.status_text[0], "Spectrum smoothed");
  EXPECT_EQ(state.undo.NextCommand(), "Smooth the Spectrum");
}

TEST(SmoothOrBackgroundTest, TheBackgroundIsSubtractedAndNegativeCountsAreKept) {
  AnalysisState state = Bumpy();
  const TSpectrum old = state.spectrum;
  ScriptedUi ui;
  ui.AnswerDialog(Tick).AnswerDialog(Choose(1)).AnswerDialog();
  SmoothOrBackground(SpectrumProcessingOf(state), SmoothingMode::kBackground, ui);
  EXPECT_EQ(ui.dialogs()[0].title, "Background");
  EXPECT_EQ(ui.dialogs()[0].check_list.items,
            std::vector<std::string>{"Background should be subtracted"});
  NumericWork check;
  for (int i = 1; i <= 200; ++i) check.work_data[i] = old.counts[100 + i];
  SmoothIterative(check, 200, 10, 0.5, 0.5, 1.0 / 1.5);
  for (int i = 1; i <= 200; ++i) {
    ASSERT_EQ(state.spectrum.counts[100 + i], old.counts[100 + i] - check.work_result[i]);
  }
  EXPECT_EQ(state.spectrum.min_counts, old.min_counts);
  EXPECT_EQ(state.view.status_text[0], "Background subtracted");
  EXPECT_EQ(state.undo.NextCommand(), "Build the Background");

  // A curve above the data leaves negative counts, which stay.
  TSpectrum sp = old;
  NumericWork above;
  for (int i = 1; i <= 200; ++i) above.work_result[i] = old.counts[100 + i] + i;
  PutCurveIntoInterval(sp, above, SmoothingMode::kBackground);
  for (int i = 1; i <= 200; ++i) EXPECT_NEAR(sp.counts[100 + i], -i, 1e-9);
  EXPECT_EQ(sp.counts[301], old.counts[301]);
}

TEST(SimulationTest, TheSameGeneratorStatesGiveTheSameSpectrum) {
  AnalysisState first = Numbered(1, 4096);
  first.view.scale_mode = ScaleMode::kLn;
  first.spectrum.file_name = "old.spe";
  AnalysisState second = first;
  SimulateTheSpectrum(SpectrumProcessingOf(first));
  SimulateTheSpectrum(SpectrumProcessingOf(second));
  EXPECT_TRUE(first.spectrum == second.spectrum);
  const TSpectrum& sp = first.spectrum;
  EXPECT_EQ(sp.file_name, "");
  EXPECT_EQ(first.view.scale_mode, ScaleMode::kNormal);
  EXPECT_EQ(first.undo.NextCommand(), "Simulate the Spectrum");
  // Counts of a background of at most 340 and peaks of 200..700 on top, never negative; errors
  // that belong to the new counts.
  double lowest = 1e9;
  for (int i = 1; i <= 4096; ++i) {
    lowest = std::min(lowest, sp.counts[i]);
    EXPECT_DOUBLE_EQ(sp.errors[i],
                     std::sqrt(0.9 * sp.counts[i] + 0.1 * std::pow(0.01 * sp.counts[i], 2) + 0.1));
  }
  EXPECT_GE(lowest, 0.0);
  EXPECT_LE(lowest, 300.0 + 41 + 0.5 * std::sqrt(341.0));
  EXPECT_GT(sp.max_counts, 400.0);
  EXPECT_EQ(sp.counts[4097], Numbered(1, 4096).spectrum.counts[4097]);
  // A further run draws new numbers.
  SimulateTheSpectrum(SpectrumProcessingOf(second));
  EXPECT_FALSE(second.spectrum.counts == first.spectrum.counts);
}

}  // namespace
}  // namespace pektra
