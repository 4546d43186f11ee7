// Reading numbers in free field format: numbers separated by blanks, commas or TABs, "*" comment
// lines, a trailing "*" comment, and "/" ending a list. Used by every reader of text input.
#pragma once

#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/one_based.h"

namespace pektra {

inline constexpr int kMaxLineLength = 255;       // the line buffer of ReadDataLine
inline constexpr int kNumberBufferSize = 16512;  // most numbers ParseNumbers returns

// Reads the next line that does not begin with "*". At the end of the file the result is a single
// blank. The line is cut to 255 characters; a carriage return before the line end (files written
// on Windows) is dropped.
std::string ReadDataLine(std::istream& in);

// Reads one whole line, without the 255-character cut, dropping a carriage return at its end.
// Returns false at the end of the file.
bool ReadWholeLine(std::istream& in, std::string& line);

// Reads numbers line by line into array[first], array[first + 1], ... until the end of the file,
// a line beginning with "/", or a store at index `last`; returns how many were stored. Empty and
// "*" lines are skipped, everything from a "*" inside a line on is dropped, commas, TABs and
// carriage returns separate numbers. Numbers left on the line of the last store are dropped.
// `last` is clamped to the array's capacity.
int ReadNumbersFromFile(std::istream& in, int first, int last, OneBasedArray<double>& array);

// Splits one text into numbers (commas, TABs and carriage returns are blanks; a token that begins
// with "." reads as "0."); at most 16512 numbers. Every token yields a number: what StrToReal
// makes of it, so an unreadable token still takes its place in the list.
std::vector<double> ParseNumbers(std::string_view text);

// ParseNumbers into a vector the caller keeps, so that a reader of many lines allocates once.
void ParseNumbers(std::string_view text, std::vector<double>& numbers);

// The first `max_tokens` tokens of one free-field text, in order: the runs between blanks, commas,
// TABs and carriage returns (views into `text`).
void SplitTokens(std::string_view text, std::vector<std::string_view>& tokens,
                 std::size_t max_tokens);

// Reads one token strictly: the number when the whole token is one in a form StrToReal reads
// (".5", "-2.5E3", "1.5-3", "1D2"), nullopt for anything else ("1O5", "nan", "inf", "-", "1e").
// A number beyond the range of doubles ("1e400") gives an infinity of its sign, so that the
// caller can say it is too large rather than unreadable.
std::optional<double> StrictNumber(std::string_view token);

// The lines of a text held in memory, read without copying; the same rules as the stream
// readers above.
class TextLines {
 public:
  explicit TextLines(std::string_view text) : text_(text) {}
  // The next whole line without its line end (and without a carriage return before it); false at
  // the end of the text.
  bool NextLine(std::string_view& line);
  // As ReadDataLine: the next line not beginning with "*", cut to 255 characters; " " at the end.
  std::string_view NextDataLine();
  bool AtEnd() const { return position_ >= text_.size(); }
  void Rewind() { position_ = 0; }

 private:
  std::string_view text_;
  std::size_t position_ = 0;
};

// Converts one token. Accepts a sign, digits, "." or "," as decimal separator, and an exponent
// introduced by E, e, D, d or directly by a sign after the mantissa ("1.5-3" is 0.0015). Blanks are
// ignored. An empty or blank token is 0 with ok true; a token beginning with "*" is 0 with ok
// false; any other character sets ok false while the scan goes on. A result beyond +-1.0E300 is
// cut to that size with ok false.
double StrToReal(std::string_view token, bool& ok);

// Converts the content of a dialog field: blanks deleted, "," read as ".". Sets dialog_ok to 1 on
// success; an unreadable text gives 1.001 and dialog_ok 0. An empty text gives 0 and leaves
// dialog_ok as it was.
double EntryToReal(std::string_view text, int& dialog_ok);

}  // namespace pektra
