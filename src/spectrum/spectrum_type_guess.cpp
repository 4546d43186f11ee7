#include "spectrum/spectrum_type_guess.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <vector>

#include "core/input_file.h"
#include "spectrum/spectrum_readers.h"
#include "spectrum/standard_formats.h"
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

SpectrumTypeGuess GuessStandardFileType(const std::string& file_name) {
  InputFile file(file_name);
  if (file.status() != InputFile::Status::kOpen) return {};
  std::string bytes;
  char piece[65536];
  std::istream& in = file.stream();
  while (in && bytes.size() <= kMaxStandardFileBytes) {
    in.read(piece, sizeof piece);
    bytes.append(piece, static_cast<std::size_t>(in.gcount()));
  }
  // The content alone decides: an extension of a standard format on other content is no reason
  // to leave the types the user knows.
  const StandardFormat format = DetectStandardFormat(bytes, "");
  // Comma-separated columns are also what types 3 and 4 read: only a .csv name makes them CSV.
  const bool csv_named = DetectStandardFormat("", file_name) == StandardFormat::kCsv;
  if (format == StandardFormat::kNone || (format == StandardFormat::kCsv && !csv_named)) return {};
  return {kStandard,
          std::string("type 5 (") + StandardFormatName(format) + ") taken from the content"};
}

bool HasStandardExtension(const std::string& file_name) {
  const std::size_t dot = file_name.rfind('.');
  const std::size_t slash = file_name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string extension = file_name.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const char* const kKnown[] = {"spe", "chn", "cnf", "cam", "n42", "xml", "csv", "mca"};
  return std::find(std::begin(kKnown), std::end(kKnown), extension) != std::end(kKnown);
}

}  // namespace pektra
