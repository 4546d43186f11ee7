// Picking on the large graph: an interval (or cadre, or the peak model's interval) with two
// clicks, peaks one click each, and one peak tested and added to the result table. Every pick
// waits for clicks through the user-interface port with the menus disabled, and ends with them
// enabled again and graph_mode back at kSpectrum, also when the window closes in the middle.
#pragma once

namespace pektra {

struct AnalysisState;
class UserInterface;

// What the two clicks of PickInterval choose.
enum class PickPurpose {
  kCutCadre,      // "Cut the Cadre": the window shown
  kMakeInterval,  // "Make the Interval": the window and b1, b2
  kPeakModel,     // "Mark the Peak Model": the peak model's interval
};

// "Cut the Cadre", "Make the Interval", "Mark the Peak Model": "Error, no graph" on the status
// line without a graph; else the ticks are erased, peak_count := 0, and two clicks (" Click on the
// beginning ", " Click on the end ") give the new window or model interval.
void PickInterval(AnalysisState& state, UserInterface& ui, PickPurpose purpose);

// "Mark the Peaks ": clicks append peaks to peak_list and mark_list until the graph's OK; its
// Cancel removes the last peak. Needs a graph that is not the fit display.
void MarkThePeaks(AnalysisState& state, UserInterface& ui);

// "Check for Peak and Add": one click on a peak top, its net area and criterion in a Yes / No
// question; Yes adds a result row, a peak and an interval.
void CheckForPeakAndAdd(AnalysisState& state, UserInterface& ui);

}  // namespace pektra
