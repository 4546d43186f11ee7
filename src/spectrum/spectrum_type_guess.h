// The type of a spectrum file judged from its content, for a batch run that was told none.
#pragma once

#include <istream>
#include <string>

namespace pektra {

struct SpectrumTypeGuess {
  int type = 0;         // 3 or 4; 0 when the content does not tell
  std::string message;  // what was decided, or why nothing was
};

// Text whose data lines hold one number, or more than three, is type 3 (counts); text whose data
// lines all hold two or three numbers with X stepping steadily up is type 4 (X, Y, [error]).
// Binary content is not judged: 16-bit and 32-bit words cannot be told apart reliably (a 32-bit
// spectrum of small counts reads as a 16-bit one with every other channel empty), and a wrong
// guess gives a plausible-looking wrong spectrum. Only the first lines are looked at.
SpectrumTypeGuess GuessSpectrumType(std::istream& in);
// Opens the file as the readers do (a regular file only) and judges it.
SpectrumTypeGuess GuessSpectrumFileType(const std::string& file_name);

// Type 5 when the file's content is one of the standard formats ("type 5 (ORTEC CHN) taken from
// the content"); type 0 and no message otherwise, or when the file cannot be read.
SpectrumTypeGuess GuessStandardFileType(const std::string& file_name);
// Whether the name ends in the extension of a standard format (.spe, .chn, .cnf, .cam, .n42,
// .xml, .csv, .mca; any case).
bool HasStandardExtension(const std::string& file_name);

}  // namespace pektra
