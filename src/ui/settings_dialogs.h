// The settings dialogs of the Settings menu: the spectrum and interval bounds with the blunder and
// width settings, the marking settings, the fit settings with the normalisation, the width line,
// the graph scale, and the window scale, font size and help language. Each shows the present
// values; OK writes them back, clamped where the dialog says so, and Cancel changes nothing.
//
// A grid with a cell that cannot be read as a number, or with a value that the analysis cannot
// use (an unknown file type, no channel between the bounds, a step of 0), changes nothing: a note
// names the row and the dialog's values stay as they were.
#pragma once

#include <string>

namespace pektra {

struct AnalysisState;
class UserInterface;

// The note shown when a grid dialog changes nothing because of the value in row `label`.
std::string WrongSettingMessage(const std::string& label, const std::string& why);

// "Set the Spectrum Data": a1, a2, b1, b2, the file type, the statistics and blunder settings and
// the widths. The interval is moved inside the spectrum, the window follows the interval and the
// errors are computed again. True when the state changed.
bool SetSpectrumData(AnalysisState& state, UserInterface& ui);
// "Set the Marking Data": smoothing, maximum interval (at most 512), sensitivity, resolution,
// kWidth and adInterv.
bool SetMarkingData(AnalysisState& state, UserInterface& ui);
// "Set the Fit Data": the variable width, iterations, step, damper, background degree (0 to 3),
// position deviation and the normalisation.
bool SetFitData(AnalysisState& state, UserInterface& ui);
// "Set  Width Dependence": the width line through w1 at b1 and w2 at b2, shown in the status lines.
// An interval of one channel has no slope and is refused with a note.
bool SetWidthDependence(AnalysisState& state, UserInterface& ui);
// "Set Graph Scale": Normal, SQRT, LN or Trimmed with the trimming coefficient.
bool SetGraphScale(AnalysisState& state, UserInterface& ui);
// "Form and Font Sizes": the window scale (1, 1.25, 1.5), the font size (8, 10, 12) and the help
// language; the window is told to lay itself out again.
bool SetFormAndFont(AnalysisState& state, UserInterface& ui);

}  // namespace pektra
