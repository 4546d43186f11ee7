#include "state/analysis_state.h"

#include <gtest/gtest.h>

namespace pektra {
namespace {

TEST(AnalysisState, DefaultsGiveAConsistentWidthLineAndInterval) {
  AnalysisState state;
  const TSpectrum& sp = state.spectrum;
  EXPECT_EQ(sp.a1, 1);
  EXPECT_EQ(sp.a2, 4096);
  EXPECT_EQ(sp.b1, 2);
  EXPECT_EQ(sp.b2, 4095);
  EXPECT_EQ(sp.file_type, kBinary16);
  EXPECT_EQ(sp.dback, -3);
  EXPECT_TRUE(sp.file_name.empty());
  // The width line passes through w1 at a1 and w2 at a2.
  EXPECT_DOUBLE_EQ(state.width.width_slope * sp.a1 + state.width.width_offset, sp.w1);
  EXPECT_DOUBLE_EQ(state.width.width_slope * sp.a2 + state.width.width_offset, sp.w2);
  EXPECT_DOUBLE_EQ(sp.w1, 4.0);
  EXPECT_DOUBLE_EQ(sp.w2, 6.0);
  EXPECT_DOUBLE_EQ(sp.delta_w, 3.5);
  // The shown window is not yet the interval: the first input sets it.
  EXPECT_EQ(state.view.interval_begin, 1);
  EXPECT_EQ(state.view.interval_end, 4096);
  EXPECT_EQ(state.files.enc_file, "enc.dat");
  EXPECT_EQ(state.files.efc_file, "efc.dat");
  EXPECT_EQ(state.files.mark_file, "mark.dat");
  EXPECT_EQ(state.files.name_list_file, "spfn.tab");
  EXPECT_DOUBLE_EQ(state.fit.step, 0.99);
  EXPECT_EQ(state.fit.niter, 7);
  EXPECT_DOUBLE_EQ(state.marking.resol, -1.0);
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
