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

// All three picks need the large graph on the screen (not before the first graph, not behind the
// fit display): else "Error, no graph" on the status line.

// "Cut the Cadre", "Make the Interval", "Mark the Peak Model": the ticks are erased, peak_count :=
// 0, and two clicks (" Click on the beginning ", " Click on the end ") give the new window (and b1,
// b2) or the model interval, in either order. A click beside the plot takes its first or last
// channel, never one outside the spectrum. A pick ended by the window closing, and two clicks on
// one channel, change nothing (the marking is kept).
void PickInterval(AnalysisState& state, UserInterface& ui, PickPurpose purpose);

// "Mark the Peaks ": clicks append peaks to peak_list and mark_list (same index, at most 300) until
// the graph's OK or the window closing; the graph's Cancel removes the last peak. On a window of
// 1024 channels or more a click moves to the highest count within min(3, N div 1024) channels.
void MarkThePeaks(AnalysisState& state, UserInterface& ui);

// "Check for Peak and Add": one click on a peak top, its net area and criterion in a Yes / No
// question; Yes adds result row result_count + 1, a peak and an interval of its own.
void CheckForPeakAndAdd(AnalysisState& state, UserInterface& ui);

}  // namespace pektra
