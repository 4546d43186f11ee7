// The settings of the settings dialogs in the init file: every one changed, saved and read into a
// fresh state comes back equal; the new commands refuse what the dialogs refuse; a reader that
// does not know a command skips it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>

#include "state/analysis_state.h"
#include "state/init_file.h"

namespace pektra {
namespace {

std::string Written(const AnalysisState& state) {
  std::ostringstream out;
  WriteInitFile(out, state);
  return out.str();
}

InitMessages Read(AnalysisState& state, const std::string& text) {
  std::istringstream in(text);
  return ReadInitFile(in, state);
}

// Every setting that a settings dialog changes, each away from its preset, with values that no
// fixed field of the file holds exactly.
void ChangeEverySetting(AnalysisState& s) {
  TSpectrum& sp = s.spectrum;
  sp.a1 = 11;
  sp.a2 = 9000;
  sp.b1 = 20;
  sp.b2 = 8999;
  s.view.interval_begin = sp.b1;
  s.view.interval_end = sp.b2;
  s.view.interval_length = sp.b2 - sp.b1 + 1;
  sp.file_type = kFreeField;
  sp.w1 = 3.0123456;
  sp.w2 = 7.9000001;
  sp.delta_w = 2.25;
  sp.width_variable = 0.000123456;
  sp.delta_width_v = 1.5e-5;
  sp.dback = 1;
  s.processing.small_stat = 33;
  s.processing.covar = 0.0123;
  s.processing.order = 7.5;
  s.processing.chibc = 1.375;
  MarkingState& m = s.marking;
  m.smoothing = 0.33;
  m.max_interval = 300;
  m.sens = 1.2345;
  m.resol = 0.875;
  m.k_width = 1.75;
  m.ad_interv = 5;
  FitState& f = s.fit;
  f.niter = 21;
  f.step = 0.625;
  f.damper = 0.0015;
  f.delta_pos = 2.5;
  f.width_by_channel = 1;
  s.results.norm_coefficient = 661.7;
  s.results.norm_by_coefficient = false;
  s.view.scale_mode = ScaleMode::kTrimmed;
  s.view.trim_coefficient = 0.125;
  // "Set  Width Dependence" over the interval, not the spectrum.
  s.width.width_slope = (sp.w2 - sp.w1) / (sp.b2 - sp.b1);
  s.width.width_offset = sp.w1 - sp.b1 * s.width.width_slope;
}

TEST(InitSettings, EverySettingChangedSavedAndReadBackIsEqual) {
  AnalysisState state;
  ChangeEverySetting(state);
  AnalysisState back;
  const InitMessages messages = Read(back, Written(state));
  EXPECT_TRUE(messages.empty()) << messages.front();
  const TSpectrum &a = state.spectrum, &b = back.spectrum;
  EXPECT_EQ(std::tie(a.a1, a.a2, a.b1, a.b2, a.file_type, a.dback),
            std::tie(b.a1, b.a2, b.b1, b.b2, b.file_type, b.dback));
  EXPECT_EQ(std::tie(a.w1, a.w2, a.delta_w, a.width_variable, a.delta_width_v),
            std::tie(b.w1, b.w2, b.delta_w, b.width_variable, b.delta_width_v));
  EXPECT_EQ(state.processing, back.processing);
  EXPECT_EQ(state.marking, back.marking);
  EXPECT_EQ(state.fit, back.fit);
  EXPECT_EQ(state.width, back.width);
  EXPECT_EQ(state.results.norm_coefficient, back.results.norm_coefficient);
  EXPECT_EQ(state.results.norm_by_coefficient, back.results.norm_by_coefficient);
  EXPECT_EQ(state.view.scale_mode, back.view.scale_mode);
  EXPECT_EQ(state.view.trim_coefficient, back.view.trim_coefficient);
  EXPECT_EQ(
      std::tie(state.view.interval_begin, state.view.interval_end, state.view.interval_length),
      std::tie(back.view.interval_begin, back.view.interval_end, back.view.interval_length));

  // Written again, the file is the same: nothing is lost on a second round.
  EXPECT_EQ(Written(back), Written(state));
}

TEST(InitSettings, NewCommandsRefuseWhatTheDialogsRefuseAndOldReadersSkipThem) {
  AnalysisState state;
  const InitMessages messages = Read(state,
                                     ".......KWIDTH\n0\n.......TRIM\n-1\n.......WIDTHBYCH\n2\n"
                                     ".......NORMBYC\n0.4\n.......ADINT\n4.5\n"
                                     ".......SMOOTH\n-0.25\n.......NO SUCH COMMAND\n17\n"
                                     ".......Maximum Interval\n200\n");
  EXPECT_EQ(messages, (InitMessages{"KWIDTH 0 refused, allowed above 0; 2 kept",
                                    "TRIM -1 refused, allowed above 0; 0.5 kept",
                                    "WIDTHBYCH 2 refused, allowed 0 to 1; 0 kept"}));
  EXPECT_FALSE(state.results.norm_by_coefficient);  // 0.4 rounds to 0
  EXPECT_EQ(state.marking.ad_interv, 4.0);          // halves to even
  EXPECT_EQ(state.marking.smoothing, -0.25);
  EXPECT_EQ(state.marking.max_interval, 200);  // the unknown command was skipped with its data
}

}  // namespace
}  // namespace pektra
