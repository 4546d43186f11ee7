// The init file: a short command script that presets the analysis at start ("pektra.ini"), and
// its written form "pektra.tmp" ("Save the Init-file"), which the user renames to use it.
//
// Lines are comments ("*" first), command lines (by convention "......." and a phrase, as
// ".......Input the Spectrum") and data lines in free field format. A command is known by its
// key, the capitals A-Z of its line; each command reads its own data lines.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pektra {

struct AnalysisState;
class UserInterface;

// The upper-case Latin letters "A" to "Z" of the line, in order, at most 11 of them:
// ".......Input the Spectrum" gives "IS", ".......Enter Data for ENergy Calibration" "EDENC".
std::string CommandKey(std::string_view line);

// What reading an init file has to tell: one line per value refused, naming the setting, in the
// order of the file ("dback -2147483648 refused, allowed -3 to 3; -3 kept").
using InitMessages = std::vector<std::string>;

// Carries out the commands of an init file until its end or "STOP". Unknown keys and data lines
// out of place are ignored; a command whose data run out at the end of the file, or at a command
// line (one beginning with "..."), takes the numbers it found. Every value is checked against the
// range its settings dialog allows; a value outside is refused and the setting keeps its previous
// value. The messages are also written to the debug log.
InitMessages ReadInitFile(std::istream& in, AnalysisState& state);
// Path version; false (and the state untouched) when there is no file.
bool ReadInitFile(const std::string& file_name, AnalysisState& state, InitMessages& messages);

// The present settings as an init file: the spectrum, the bounds, the widths, the background
// degree, the calibrations that hold items, the marking values, the maximum interval, and every
// other setting of the settings dialogs that differs from its preset (WIDTHBYCH always). Every
// real is written so that it reads back as the same number.
void WriteInitFile(std::ostream& out, const AnalysisState& state);

// Whether `key` is a command of one number ("COVAR", "KWIDTH", "WIDTHBYCH", ...): the settings
// that pektra-batch --set takes by name.
bool IsOneNumberCommand(std::string_view key);

// "Save the Init-file": writes work_dir/pektra.tmp whole or not at all; a failure is told in a
// message window (the command tells success on the status line).
// Returns false when the file could not be written.
bool SaveInitFile(AnalysisState& state, UserInterface& ui);

}  // namespace pektra
