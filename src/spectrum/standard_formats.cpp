#include "spectrum/standard_formats.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "spectrum/format_bytes.h"
#include "spectrum/spectrum_readers.h"

namespace pektra {

namespace format_bytes {

double FloatFromBits(std::uint32_t bits) {
  float value = 0.0f;
  static_assert(sizeof value == sizeof bits);
  std::memcpy(&value, &bits, sizeof value);
  return static_cast<double>(value);
}

double Pdp11Float(std::uint32_t first_word, std::uint32_t second_word) {
  const std::uint32_t bits = (first_word << 16) | (second_word & 0xFFFFu);
  const int exponent = static_cast<int>((bits >> 23) & 0xFFu);
  if (exponent == 0) return 0.0;  // no denormals, no infinities: exponent 0 is zero
  const double mantissa = static_cast<double>((bits & 0x7FFFFFu) | 0x800000u);
  const double value = std::ldexp(mantissa, exponent - 128 - 24);
  return (bits & 0x80000000u) ? -value : value;
}

std::string DateTimeText(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60) {
    return {};
  }
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                second);
  return text;
}

void CivilFromDays(long long days, int& year, int& month, int& day) {
  // The proleptic Gregorian calendar from a day count, era by era of 400 years.
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

bool LooksLikeText(std::string_view bytes) {
  return bytes.substr(0, 4096).find('\0') == std::string_view::npos;
}

std::string_view WithoutBom(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  return bytes;
}

}  // namespace format_bytes

namespace {

constexpr std::size_t kMcaBytes = 128 + 8192 * 4;

std::string LowerExtension(std::string_view file_name) {
  const std::size_t slash = file_name.find_last_of("/\\");
  if (slash != std::string_view::npos) file_name.remove_prefix(slash + 1);
  const std::size_t dot = file_name.rfind('.');
  if (dot == std::string_view::npos) return {};
  std::string extension(file_name.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

// The first line that is not blank, without its line end.
std::string_view FirstTextLine(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view line = text.substr(0, end);
    if (line.find_first_not_of(" \t") != std::string_view::npos) return line;
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return {};
}

bool IsCnfTable(std::string_view bytes) {
  // The first entry of the block table: an identifier 0x000120nn at byte 112.
  const auto id = format_bytes::U32(bytes, 0x70);
  return bytes.size() >= 0x200 && id && (*id & 0xFFFFFF00u) == 0x00012000u;
}

StandardFormat FromContent(std::string_view bytes) {
  if (bytes.size() >= 32 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFF && bytes[2] != '\xFF') {
    return StandardFormat::kChn;
  }
  if (IsCnfTable(bytes)) return StandardFormat::kCnf;
  if (!format_bytes::LooksLikeText(bytes)) {
    return bytes.size() == kMcaBytes ? StandardFormat::kMca : StandardFormat::kNone;
  }
  const std::string_view text = format_bytes::WithoutBom(bytes);
  const std::string_view first = FirstTextLine(text);
  const std::size_t start = first.find_first_not_of(" \t");
  const std::string_view line = start == std::string_view::npos ? first : first.substr(start);
  if (line.substr(0, 9) == "$SPEC_ID:" || line.substr(0, 5) == "$SPEC" ||
      (line.size() > 2 && line[0] == '$' && line.find(':') != std::string_view::npos &&
       std::isupper(static_cast<unsigned char>(line[1])))) {
    return StandardFormat::kSpe;
  }
  if (line.substr(0, 5) == "<?xml" || line.substr(0, 1) == "<") return StandardFormat::kN42;
  if (line.find(',') != std::string_view::npos) return StandardFormat::kCsv;
  return StandardFormat::kNone;
}

StandardFormat FromExtension(std::string_view bytes, std::string_view file_name) {
  const std::string extension = LowerExtension(file_name);
  if (extension == "spe") return StandardFormat::kSpe;
  if (extension == "chn") return StandardFormat::kChn;
  if (extension == "cnf" || extension == "cam") return StandardFormat::kCnf;
  if (extension == "n42" || extension == "xml") return StandardFormat::kN42;
  if (extension == "csv") return StandardFormat::kCsv;
  if (extension == "mca" && !format_bytes::LooksLikeText(bytes)) return StandardFormat::kMca;
  return StandardFormat::kNone;
}

}  // namespace

const char* StandardFormatName(StandardFormat format) {
  switch (format) {
    case StandardFormat::kSpe:
      return "IAEA / ORTEC ASCII SPE";
    case StandardFormat::kChn:
      return "ORTEC CHN";
    case StandardFormat::kCnf:
      return "Canberra CAM / CNF";
    case StandardFormat::kN42:
      return "N42.42 XML";
    case StandardFormat::kCsv:
      return "CSV";
    case StandardFormat::kMca:
      return "MCA binary";
    case StandardFormat::kNone:
      break;
  }
  return "unknown";
}

StandardFormat DetectStandardFormat(std::string_view bytes, std::string_view file_name) {
  const StandardFormat by_content = FromContent(bytes);
  return by_content != StandardFormat::kNone ? by_content : FromExtension(bytes, file_name);
}

Outcome ParseStandardSpectrum(std::string_view bytes, const std::string& file_name,
                              StandardSpectrum& out) {
  out = StandardSpectrum{};
  const StandardFormat format = DetectStandardFormat(bytes, file_name);
  Outcome outcome;
  switch (format) {
    case StandardFormat::kSpe:
      outcome = ParseSpe(bytes, out);
      break;
    case StandardFormat::kChn:
      outcome = ParseChn(bytes, out);
      break;
    case StandardFormat::kCnf:
      outcome = ParseCnf(bytes, out);
      break;
    case StandardFormat::kN42:
      outcome = ParseN42(bytes, out);
      break;
    case StandardFormat::kCsv:
      outcome = ParseCsv(bytes, out);
      break;
    case StandardFormat::kMca:
      outcome = ParseMca(bytes, out);
      break;
    case StandardFormat::kNone:
      return Outcome::Failure(file_name + reader_messages::kNotStandard);
  }
  if (outcome.ok && out.counts.empty()) outcome = Outcome::Failure("the file holds no counts");
  if (outcome.ok && !out.errors.empty() && out.errors.size() != out.counts.size()) {
    outcome = Outcome::Failure("the errors do not match the counts");
  }
  if (!outcome.ok) {
    out = StandardSpectrum{};
    return Outcome::Failure(file_name + ": " + StandardFormatName(format) + " file, " +
                            outcome.message);
  }
  return outcome;
}

Outcome ReadStandardSpectrum(TSpectrum& spectrum, std::istream& in, const std::string& file_name) {
  if (!in) return Outcome::Failure({});
  // Read in pieces: the string grows with the bytes that are there, never with a claimed size.
  std::string bytes;
  char piece[65536];
  while (in) {
    in.read(piece, sizeof piece);
    const auto got = static_cast<std::size_t>(in.gcount());
    if (bytes.size() + got > kMaxStandardFileBytes) {
      return Outcome::Failure(file_name + ": " + reader_messages::kTooLarge);
    }
    bytes.append(piece, got);
  }
  if (in.bad()) return Outcome::Failure({});

  StandardSpectrum read;
  const Outcome parsed = ParseStandardSpectrum(bytes, file_name, read);
  if (!parsed.ok) return parsed;
  if (read.first_channel < 0 || read.first_channel >= kMaxChannels) {
    return Outcome::Failure(file_name + ": the first channel " +
                            std::to_string(read.first_channel) + " is not one of 0..16383");
  }

  const int first = static_cast<int>(read.first_channel) + 1;  // this program's channel
  const long available = static_cast<long>(kMaxChannels) - read.first_channel;
  const int stored =
      static_cast<int>(std::min<long>(available, static_cast<long>(read.counts.size())));
  for (int i = 1; i < first; ++i) {
    spectrum.counts[i] = 0.0;
    spectrum.errors[i] = 1.0;
  }
  const bool with_errors = !read.errors.empty();
  for (int k = 0; k < stored; ++k) {
    const double value = read.counts[static_cast<std::size_t>(k)];
    spectrum.counts[first + k] = value;
    spectrum.errors[first + k] =
        with_errors ? read.errors[static_cast<std::size_t>(k)] : std::sqrt(std::max(1.0, value));
  }
  spectrum.a1 = first;
  spectrum.a2 = first + stored - 1;
  spectrum.facts = read.facts;
  // The date goes into result files: no control characters, and not too long.
  std::string& date = spectrum.facts.start_date;
  if (date.size() > 40) date.resize(40);
  for (char& c : date) {
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
  }
  spectrum.facts.errors_from_file = with_errors;

  std::string message = read.note;
  if (static_cast<long>(read.counts.size()) > available) {
    if (!message.empty()) message += "\n\r";
    message += reader_messages::kCutAtLastChannel;
  }
  return Outcome::Warning(message);
}

}  // namespace pektra
