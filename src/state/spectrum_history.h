// Undo of the commands that change the spectrum: what the window's "Undo" item and the fit
// display need from the undo stack of the analysis state.
#pragma once

#include <string>

namespace pektra {

struct AnalysisState;

// Keeps the spectrum as it stands, before the command `what` (its caption) changes it; for
// changes made outside the File-menu commands, such as a blunder fixed by a click on the fit
// picture.
void RememberSpectrum(AnalysisState& state, const std::string& what);

// The caption of the menu item: "Undo" followed by the command it takes back, or just "Undo" when
// there is nothing to undo.
std::string UndoCaption(const AnalysisState& state);

// Puts the latest kept spectrum back, bit for bit, and forgets it. The marking found on the
// spectrum (peaks and intervals) no longer fits it and is cleared, as is the graph; the window's
// channel range follows b1, b2; status_text says what was undone. The marking data, the fits,
// the result table and the settings stay. Returns false, changing nothing, when there is nothing
// to undo.
bool UndoSpectrumChange(AnalysisState& state);

}  // namespace pektra
