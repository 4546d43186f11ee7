// The lines of a text spectrum (types 3 and 4) and the rules that keep what is no count out of the
// spectrum. The text is read line by line with bounded memory; its start must be plain text (no
// binary bytes, no UTF-16/32); lines whose first token is not a number are headers before the data
// and refuse the file inside it; every other token must be a number of at most 1e15 in magnitude;
// a token beginning with "/" ends the data, as in every free-field list.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace pektra {

inline constexpr std::size_t kTextSampleBytes = 4096;      // the start judged as text or not
inline constexpr std::size_t kMaxTextLineBytes = 1 << 22;  // longer lines refuse the file
inline constexpr double kMaxSpectrumNumber = 1e15;         // larger numbers refuse the file

// Whole lines of a stream, without their line end (a carriage return before it goes too). A
// Ctrl-Z ends the text, as in DOS files. A line longer than kMaxTextLineBytes stops the reading
// with a problem instead of growing without bound.
class TextSpectrumLines {
 public:
  explicit TextSpectrumLines(std::istream& in) : in_(in) {}

  // Reads the start of the stream and says why it cannot be read as a text spectrum ("" when it
  // can). A UTF-8 byte-order mark is passed over. Call once, before Next.
  std::string CheckText();
  // The next line; false at the end of the text, on a read error (bad()) or at an overlong line
  // (problem()).
  bool Next(std::string& line);
  int line_number() const { return line_number_; }
  bool bad() const { return bad_; }
  const std::string& problem() const { return problem_; }

 private:
  bool Fill();

  std::istream& in_;
  std::vector<char> buffer_;
  std::size_t position_ = 0;
  bool end_ = false, bad_ = false;
  int line_number_ = 0;
  std::string problem_;
};

// The lines of a text spectrum that hold numbers, with the header and token rules above.
class SpectrumDataLines {
 public:
  explicit SpectrumDataLines(std::istream& in) : lines_(in) {}

  // As TextSpectrumLines::CheckText.
  std::string CheckText() { return lines_.CheckText(); }
  // The numbers of the next data line; false at the end of the data or when the file is refused
  // (refusal() then says why) or could not be read (bad()).
  bool Next(std::vector<double>& numbers);
  // The tokens of the line last returned by Next, as written (valid until the next call).
  const std::vector<std::string_view>& tokens() const { return tokens_; }
  int line_number() const { return lines_.line_number(); }
  bool bad() const { return lines_.bad(); }
  const std::string& refusal() const { return refusal_; }
  // What was skipped ("2 header lines skipped"; text lines after the data), "" when nothing was.
  std::string SkippedNote() const;

 private:
  bool Refuse(std::string message);

  TextSpectrumLines lines_;
  std::string line_;
  std::vector<std::string_view> tokens_;
  std::string refusal_;
  bool data_begun_ = false, ended_ = false;
  int header_lines_ = 0, trailing_lines_ = 0;
  int first_text_line_ = 0;  // the first text line after data ("" while none is pending)
  std::string first_text_token_;
};

// The X column of a type 4 file must step through the channels: one line, one channel. The first
// two X values set the step (which must be positive: X increases); every later X must lie within
// half a step, plus the rounding of the two X values as written, of the previous X moved on by
// the average step so far, so that X given as energies or any other steady scale passes and a
// missing or repeated line is found.
class XStepCheck {
 public:
  // "" when `x` (written as `token`, on data line `index`, 0-based, and line `line_number` of the
  // file) follows the X values before it; else the refusal.
  std::string Check(double x, std::string_view token, int index, int line_number);

 private:
  bool started_ = false;
  double first_x_ = 0.0, previous_x_ = 0.0, previous_unit_ = 0.0;
  int first_index_ = 0, previous_index_ = 0;
  std::string previous_token_;
};

// A token as it may be shown in a message: at most 24 characters, anything but printable ASCII
// as "?".
std::string ShownToken(std::string_view token);

// Joins two notes of a reading into one message, one per line.
std::string JoinNotes(const std::string& first, const std::string& second);

}  // namespace pektra
