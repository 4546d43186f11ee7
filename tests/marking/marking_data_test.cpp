// The marking data array and its conversion into peak_list and interval_table.
#include "marking/marking_data.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "support/state_setup.h"

namespace pektra {
namespace {

constexpr const char* kIncorrect = "Error, the marking data is not correct";

using testing::IntervalList;
using testing::PeakList;
using testing::SetMarkingArray;

TEST(ConvertMarkingData, SplitsBoundsAndPeaksIntoIntervalsInArrayOrder) {
  AnalysisState state;
  testing::ScriptedUi ui;
  SetMarkingArray(state, {-100, 110, 120, -140, -150, 160.4, -170});
  ASSERT_TRUE(ConvertMarkingData(MarkingOf(state), ui));
  EXPECT_EQ(PeakList(state), (std::vector<double>{110, 120, 160.4}));
  EXPECT_EQ(IntervalList(state), (std::vector<IntervalRecord>{{100, 140, 1, 2}, {150, 170, 3, 3}}));
  EXPECT_TRUE(ui.notes().empty());
  EXPECT_EQ(state.view.dialog_ok, 1);

  // Two bounds with nothing between them: an interval without peaks. Bounds are rounded, halves
  // to even.
  SetMarkingArray(state, {-99.5, -105.5, -110, 120, -130});
  ASSERT_TRUE(ConvertMarkingData(MarkingOf(state), ui));
  EXPECT_EQ(IntervalList(state), (std::vector<IntervalRecord>{{100, 106, 1, 0}, {110, 130, 1, 1}}));
  EXPECT_EQ(state.marking.peak_count, 1);
}

TEST(ConvertMarkingData, RefusesABrokenArrayAndKeepsTheMarking) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::vector<double>> broken = {
      {110, -100, 120, -140},              // begins with a peak
      {-100, 110, -140, 150},              // ends with a peak
      {-100, 110, -120, 130, -140},        // a peak after a right bound
      {-100, -140},                        // no peak at all
      {-100, 110, -140, -150},             // an odd number of bounds
      {-100, 0, -140},                     // channel 0
      {-100, nan, -140},                   // not a number
      {-100, 150, -120},                   // the peak lies outside its interval
      {-100, 150, -120, -140, 110, -160},  // peaks written under each other's interval
      {-100, 115, -130, -110, 125, -140},  // overlapping intervals count 125 twice
      {-140, 120, -100},                   // the bounds in reverse order
      {-16380, 16390, -16400},             // beyond the last channel
  };
  for (const std::vector<double>& values : broken) {
    AnalysisState state;
    testing::ScriptedUi ui;
    SetMarkingArray(state, {-10, 12, -14});
    ASSERT_TRUE(ConvertMarkingData(MarkingOf(state), ui));
    SetMarkingArray(state, values);
    EXPECT_FALSE(ConvertMarkingData(MarkingOf(state), ui)) << values[1];
    EXPECT_EQ(ui.notes(), std::vector<std::string>{kIncorrect});
    EXPECT_EQ(state.view.dialog_ok, 0);
    EXPECT_EQ(PeakList(state), std::vector<double>{12});
    EXPECT_EQ(IntervalList(state), (std::vector<IntervalRecord>{{10, 14, 1, 1}}));
  }
}

TEST(ConvertMarkingData, NeverReadsBeyondTheArray) {
  AnalysisState state;
  testing::ScriptedUi ui;
  SetMarkingArray(state, {-10, 12, -14});
  state.marking.marking_length = state.marking.marking_data.capacity() + 1;
  EXPECT_FALSE(ConvertMarkingData(MarkingOf(state), ui));
  state.marking.marking_length = -3;
  EXPECT_FALSE(ConvertMarkingData(MarkingOf(state), ui));
  EXPECT_EQ(ui.notes().size(), 2u);
}

}  // namespace
}  // namespace pektra
