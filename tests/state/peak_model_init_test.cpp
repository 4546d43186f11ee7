// The peak model in the init file: chosen, refused, written back and formed from a spectrum read.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "core/silent_user_interface.h"
#include "state/analysis_state.h"
#include "state/init_file.h"
#include "state/peak_model_setup.h"

namespace pektra {
namespace {

InitMessages Read(AnalysisState& state, const std::string& text) {
  std::istringstream in(text);
  return ReadInitFile(in, state);
}

std::string Written(const AnalysisState& state) {
  std::ostringstream out;
  WriteInitFile(out, state);
  return out.str();
}

TEST(PeakModelInitFile, TypesAreBuiltRefusedWrittenAndReadBack) {
  AnalysisState state;
  EXPECT_EQ(Written(state).find("Set the Peak Model"), std::string::npos);  // the preset Gauss
  EXPECT_TRUE(Read(state, ".......Set the Peak Model\n 3\n").empty());
  EXPECT_EQ(state.peak_model.model_type, kModelIaea);
  AnalysisState copy;
  EXPECT_TRUE(Read(copy, Written(state)).empty());
  EXPECT_EQ(copy.peak_model.model_table, state.peak_model.model_table);

  EXPECT_EQ(Read(state, ".......Set the Peak Model\n 2\n"),
            InitMessages{"peak model type 2 refused, allowed 0, 1, 3 or 7; previous model kept"});
  EXPECT_EQ(Read(state, ".......Set the Peak Model\n 0 100 104\n"),
            InitMessages{"peak model channels 100 - 104 refused, allowed 9 to 1024 channels; "
                         "previous model kept"});
  EXPECT_EQ(state.peak_model.model_type, kModelIaea);
  EXPECT_FALSE(state.peak_model.real_from_range);

  EXPECT_TRUE(Read(state, ".......Set the Peak Model\n 0 160 120 2\n").empty());
  EXPECT_TRUE(state.peak_model.real_from_range);
  EXPECT_EQ(state.peak_model.model_first, 120);
  EXPECT_EQ(state.peak_model.model_last, 160);
  EXPECT_NE(Written(state).find(".......Set the Peak Model\n* type (0 Real)  first  last  edge\n"
                                "    0     120     160    2\n"),
            std::string::npos);

  // The spectrum read: the real model of 120..160 is formed; a flat one leaves the model.
  for (int c = 1; c <= 300; ++c) {
    state.spectrum.counts[c] = 30 + 5000 * std::exp(-std::pow((c - 140.0) / 2.5, 2));
    state.spectrum.errors[c] = std::sqrt(state.spectrum.counts[c]);
  }
  std::vector<std::string> notes;
  SilentUserInterface ui({}, [&notes](const std::string& n) { notes.push_back(n); });
  EXPECT_TRUE(FormRequestedRealModel(state, ui));
  EXPECT_EQ(state.peak_model.model_type, kModelReal);
  EXPECT_TRUE(state.peak_model.real_from_range);  // again for the next spectrum
  const TPeakModel formed = state.peak_model;
  for (int c = 1; c <= 300; ++c) state.spectrum.counts[c] = 30;
  EXPECT_FALSE(FormRequestedRealModel(state, ui));
  EXPECT_EQ(notes, std::vector<std::string>{" Too low statistics for model 30"});
  EXPECT_EQ(state.peak_model.model_table, formed.model_table);
}

}  // namespace
}  // namespace pektra
