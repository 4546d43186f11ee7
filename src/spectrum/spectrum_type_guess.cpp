#include "spectrum/spectrum_type_guess.h"

#include <vector>

#include "core/input_file.h"
#include "spectrum/spectrum_readers.h"
#include "spectrum/text_spectrum_lines.h"

namespace pektra {

namespace {

constexpr int kLinesJudged = 32;

const char* const kTypeThree = "type 3 (ASCII counts) taken from the content";
const char* const kTypeFour = "type 4 (ASCII lines of X, Y) taken from the content";
const char* const kBinary =
    "binary file of unknown type: give --type 1 (2 bytes per word) or --type 2 (4 bytes per word)";
const char* const kUndecided =
    "lines of two or three numbers without a steadily growing X: give --type 3 (counts) or "
    "--type 4 (X, Y)";

}  // namespace

SpectrumTypeGuess GuessSpectrumType(std::istream& in) {
  SpectrumDataLines lines(in);
  const std::string refusal = lines.CheckText();
  if (refusal == reader_messages::kNotText) return {0, kBinary};
  if (!refusal.empty()) return {0, refusal};

  std::vector<double> numbers;
  if (!lines.Next(numbers)) {
    if (!lines.refusal().empty()) return {0, lines.refusal()};
    return {3, kTypeThree};  // no number at all: either text reader refuses it alike
  }
  if (numbers.size() < 2 || numbers.size() > 3) return {3, kTypeThree};
  int judged = 0;
  XStepCheck steps;
  do {
    const bool pair = numbers.size() == 2 || numbers.size() == 3;
    if (!pair || !steps.Check(numbers[0], lines.tokens()[0], judged, lines.line_number()).empty()) {
      return {0, kUndecided};
    }
    ++judged;
  } while (judged < kLinesJudged && lines.Next(numbers));
  if (!lines.refusal().empty()) return {0, lines.refusal()};
  if (judged == 1) return {0, kUndecided};
  return {4, kTypeFour};
}

SpectrumTypeGuess GuessSpectrumFileType(const std::string& file_name) {
  InputFile file(file_name);
  if (file.status() == InputFile::Status::kNotRegular) {
    return {0, file_name + reader_messages::kNotRegularFile};
  }
  if (file.status() == InputFile::Status::kFailed) {
    return {0, file_name + reader_messages::kOpeningFailure + "\n\r" + file.reason()};
  }
  return GuessSpectrumType(file.stream());
}

}  // namespace pektra
