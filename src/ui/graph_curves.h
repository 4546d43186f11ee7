// How the large graph draws the spectrum besides the point per channel: a histogram line, and the
// curves of the last spectrum fit over it; the Graph menu's choices between them.
#pragma once

#include "core/picture.h"

namespace pektra {

struct AnalysisState;
class UserInterface;

// The counts of the shown window as one line of steps, each channel level across its own width
// (its point of the point graph in the middle), in the colour of the points.
void AddHistogram(Picture& picture, const AnalysisState& state, double top);

// The curves of the last spectrum fit (background plus the fitted peaks) over the shown window,
// in aqua, each while it belongs to the spectrum shown: its counts are still the spectrum's.
// Nothing when they are switched off.
void AddFittedCurves(Picture& picture, const AnalysisState& state, double top);

// Whether a curve of the last spectrum fit belongs to the spectrum shown.
bool HasFittedCurves(const AnalysisState& state);

// The Graph menu's choices: points or the histogram line; the fitted curves on or off. The large
// graph, when shown, is drawn again with the same window.
void SetHistogramDrawing(AnalysisState& state, UserInterface& ui, bool histogram);
void ShowFittedCurves(AnalysisState& state, UserInterface& ui, bool shown);

}  // namespace pektra
