#include "state/analysis_state.h"

#include <gtest/gtest.h>

namespace pektra {
namespace {

TEST(AnalysisState, DefaultWidthLinePassesThroughBothWidths) {
  AnalysisState state;
  const TSpectrum& sp = state.spectrum;
  EXPECT_DOUBLE_EQ(state.width.width_slope * sp.a1 + state.width.width_offset, sp.w1);
  EXPECT_DOUBLE_EQ(state.width.width_slope * sp.a2 + state.width.width_offset, sp.w2);
}

TEST(AnalysisState, SetDefaultsRestoresAChangedStateButKeepsDisplaySettings) {
  AnalysisState state;
  state.display.screen_scale = 1.25;
  state.spectrum.a2 = 100;
  state.marking.max_interval = 5;
  state.enc.enc_present = true;
  state.results.result_count = 12;
  state.files.name_list = {"a", "b"};
  state.files.name_count = 2;
  state.SetDefaults();
  EXPECT_EQ(state.spectrum.a2, 4096);
  EXPECT_EQ(state.marking.max_interval, 128);
  EXPECT_FALSE(state.enc.enc_present);
  EXPECT_EQ(state.results.result_count, 0);
  EXPECT_EQ(state.files.name_count, 0);
  EXPECT_TRUE(state.files.name_list.empty());
  EXPECT_DOUBLE_EQ(state.display.screen_scale, 1.25);
}

TEST(AnalysisState, FreshStatesAreIndependent) {
  AnalysisState first;
  AnalysisState second;
  first.marking.peak_list[1] = 100.0;
  first.spectrum.counts[7] = 5.0;
  first.debug_log->WriteLine("trace");
  EXPECT_EQ(second.marking.peak_list[1], 0.0);
  EXPECT_EQ(second.spectrum.counts[7], 0.0);
  EXPECT_TRUE(second.debug_log->MemoryText().empty());
  EXPECT_EQ(first.debug_log->MemoryText(), "trace\n");
}

}  // namespace
}  // namespace pektra
