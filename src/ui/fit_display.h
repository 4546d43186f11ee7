// The interactive fit display: one marked interval fitted at a time, shown as the fit picture,
// the information panel and the result grid, with the buttons to step through the intervals,
// change the fit, draw the single peaks and export the picture. The rows of the fitted peaks go
// to the result table.
#pragma once

#include "core/picture.h"

namespace pektra {

struct AnalysisState;
class UserInterface;

inline constexpr int kFitPictureWidth = 320;
inline constexpr int kFitPictureHeight = 265;
inline constexpr int kFitInfoWidth = 300;
inline constexpr int kFitInfoHeight = 265;

// "Interval  Fit" (from_first: asks before discarding unsaved results, then interval 1) and
// "Continue Fit" (the present current_interval): "No marking data" without a marking; otherwise
// the display of the interval. A successful fit disables "Cut the Cadre"; a failed one leaves
// results_unsaved as it was before.
void IntervalFitCommand(AnalysisState& state, UserInterface& ui, bool from_first);

// Fits current_interval (clamped to 1..interval_count) and shows the display; its rows go to the
// result table. refit: from the fit's "Change" menu (background degree 3). Returns false when the
// interval could not be fitted ("Error, no peaks in ", "Error, too long interval "): the display
// is then not renewed, and its clicks and picture buttons wait for the next successful fit.
bool FitDisplay(AnalysisState& state, UserInterface& ui, bool refit);

// The buttons "Next " and "Previous ".
void NextInterval(AnalysisState& state, UserInterface& ui);
void PreviousInterval(AnalysisState& state, UserInterface& ui);

// The fit picture of fit_first..fit_last after the last interval fit (320 x 265 design units),
// with the single peaks drawn over it when asked.
Picture FitPicture(AnalysisState& state, bool single_peaks);

// "Graph Single Peaks": background + each peak alone, in red over the fit picture.
void GraphSinglePeaks(AnalysisState& state, UserInterface& ui);

// "Fit -> BMP+File": the fit picture as a BMP file under the name chosen (colours reversed on
// request) and the curves beside it, in a text file of that name with the extension "gph":
// channel, count, fitted value and background + each peak, one line per channel.
void FitToBmpAndFile(AnalysisState& state, UserInterface& ui);

// A click on the fit picture (picture pixels), by click_action: the read-out box, a blunder
// corrected, a peak added or the nearest deleted. After a change of the peak list the marking is
// divided again and every result row stays with its peak (row = result_offset + peak index).
void FitPictureClick(AnalysisState& state, UserInterface& ui, int x, int y);

// The fit's "Change" menu: seven choices. "Suppress the background" only says that its
// smoothing window is not there yet.
void FitMenu(AnalysisState& state, UserInterface& ui);

}  // namespace pektra
