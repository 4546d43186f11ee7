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

// Fits current_interval (clamped to 1..interval_count) and shows the display. refit: from the
// fit's "Change" menu (background degree 3). Returns false when the interval could not be fitted
// ("Error, no peaks in ", "Error, too long interval ").
bool FitDisplay(AnalysisState& state, UserInterface& ui, bool refit);

// The buttons "Next " and "Previous ".
void NextInterval(AnalysisState& state, UserInterface& ui);
void PreviousInterval(AnalysisState& state, UserInterface& ui);

// The fit picture of fit_first..fit_last after the last interval fit (320 x 265 design units),
// with the single peaks drawn over it when asked.
Picture FitPicture(AnalysisState& state, bool single_peaks);

// "Graph Single Peaks": background + each peak alone, in red over the fit picture.
void GraphSinglePeaks(AnalysisState& state, UserInterface& ui);

// "Fit -> BMP+File": the fit picture as a BMP file (colours reversed on request) and the ".gph"
// text file beside it.
void FitToBmpAndFile(AnalysisState& state, UserInterface& ui);

// A click on the fit picture (picture pixels), by click_action.
void FitPictureClick(AnalysisState& state, UserInterface& ui, int x, int y);

// The fit's "Change" menu: seven choices.
void FitMenu(AnalysisState& state, UserInterface& ui);

}  // namespace pektra
