#include "spectrum/spectrum_readers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <vector>

#include "core/arithmetic.h"
#include "core/input_file.h"
#include "core/text_input.h"

namespace pektra {

namespace {

constexpr int kHeaderBytes = 1024;

std::uint32_t ByteAt(const std::vector<char>& bytes, std::size_t i) {
  return static_cast<unsigned char>(bytes[i]);
}

// Word k (0-based) of a little-endian file, decoded from the bytes so that the host's own byte
// order does not matter.
double Unsigned16At(const std::vector<char>& bytes, std::size_t k, bool /*reverse*/) {
  const std::size_t i = 2 * k;
  return static_cast<double>(ByteAt(bytes, i) | (ByteAt(bytes, i + 1) << 8));
}

double Signed32At(const std::vector<char>& bytes, std::size_t k, bool reverse) {
  const std::size_t i = 4 * k;
  std::uint32_t word = ByteAt(bytes, i) | (ByteAt(bytes, i + 1) << 8) |
                       (ByteAt(bytes, i + 2) << 16) | (ByteAt(bytes, i + 3) << 24);
  if (reverse) word = SwapHalves(word);
  return static_cast<double>(static_cast<std::int32_t>(word));
}

using WordDecoder = double (*)(const std::vector<char>&, std::size_t, bool);

// The common part of the two binary types: at most 16384 records, header records included, are
// taken in one read; a trailing partial record is ignored.
Outcome ReadBinary(TSpectrum& spectrum, std::istream& in, const ReadOptions& options,
                   int record_bytes, WordDecoder decode) {
  if (!in) return Outcome::Failure({});
  std::vector<char> bytes(static_cast<std::size_t>(kMaxChannels) * record_bytes);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (in.bad()) return Outcome::Failure({});
  const int records = static_cast<int>(in.gcount()) / record_bytes;
  const int header_records = options.skip_header ? kHeaderBytes / record_bytes : 0;
  const int words = MaxI(0, records - header_records);

  for (int k = 1; k <= words; ++k) {
    const double value =
        decode(bytes, static_cast<std::size_t>(header_records + k - 1), options.reverse_bytes);
    spectrum.counts[k] = value;
    spectrum.errors[k] = std::sqrt(MaxD(1.0, value));
  }
  spectrum.a1 = 1;
  spectrum.a2 = MaxI(1, words);
  // Channel 1 of a binary spectrum is always zero: many analysers keep live time or other
  // bookkeeping there.
  spectrum.counts[1] = 0.0;
  spectrum.errors[1] = 1.0;
  return Outcome::Success();
}

// The whole stream as text, so that the type 4 reader can go through it twice even when the
// stream cannot seek.
bool ReadAll(std::istream& in, std::string& text) {
  char buffer[65536];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
  }
  return !in.bad();
}

// The numbers of one line of a text spectrum. A "*" starts a trailing comment, as in every other
// text file: read as numbers, its words would become counts of 0 (type 3) or an error of 0 that
// takes the channel's weight away (type 4).
void DataNumbers(std::string_view line, std::vector<double>& numbers) {
  ParseNumbers(line.substr(0, line.find('*')), numbers);
}

// One line of a type 4 file as it will be stored.
struct XYPoint {
  bool stored = false;  // false for a line with a single number, which only takes a channel
  double x = 0.0, y = 0.0, error = 0.0;
};

}  // namespace

Outcome ReadBinary16(TSpectrum& spectrum, std::istream& in, const ReadOptions& options) {
  return ReadBinary(spectrum, in, options, 2, Unsigned16At);
}

Outcome ReadBinary32(TSpectrum& spectrum, std::istream& in, const ReadOptions& options) {
  return ReadBinary(spectrum, in, options, 4, Signed32At);
}

Outcome ReadFreeField(TSpectrum& spectrum, std::istream& in, int start) {
  if (!in || !InRange(start, 1, kMaxChannels)) return Outcome::Failure({});
  const std::size_t room = static_cast<std::size_t>(kMaxChannels - start + 1);
  std::vector<double> values;
  bool cut = false;
  std::string line;
  std::vector<double> numbers;
  while (!cut && ReadWholeLine(in, line)) {
    if (line.empty() || line[0] == '*') continue;
    DataNumbers(line, numbers);
    if (numbers.empty()) continue;
    const std::size_t take = std::min(numbers.size(), room - values.size());
    values.insert(values.end(), numbers.begin(),
                  numbers.begin() + static_cast<std::ptrdiff_t>(take));
    cut = take < numbers.size();
  }
  if (in.bad() || values.empty()) return Outcome::Failure({});

  int channel = start;
  for (const double value : values) {
    spectrum.counts[channel] = value;
    spectrum.errors[channel] = std::sqrt(MaxD(0.0, value));
    ++channel;
  }
  spectrum.a1 = start;
  spectrum.a2 = channel - 1;
  return cut ? Outcome::Warning(reader_messages::kCutAtLastChannel) : Outcome::Success();
}

Outcome ReadXY(TSpectrum& spectrum, std::istream& in, int start, const ReadOptions& options) {
  std::string text;
  if (!in || !ReadAll(in, text)) return Outcome::Failure({});
  TextLines lines(text);

  // The first line that holds anything: blank lines before the data are not the data.
  std::vector<double> first_line;
  while (!lines.AtEnd() && first_line.empty()) DataNumbers(lines.NextDataLine(), first_line);
  if (first_line.size() != 2 && first_line.size() != 3) {
    return Outcome::Failure(reader_messages::kNoChannelCounts);
  }
  int first_channel = start;
  if (!options.start_at_a1) {
    first_channel = RoundToInt(first_line[0]);
    if (!InRange(first_channel, 1, kMaxChannels)) {
      return Outcome::Failure(reader_messages::kFirstXOutside);
    }
  }
  if (!InRange(first_channel, 1, kMaxChannels)) return Outcome::Failure({});

  // Second pass from the beginning; point i goes to channel first_channel + i.
  lines.Rewind();
  std::vector<XYPoint> points;
  const std::size_t room = static_cast<std::size_t>(kMaxChannels - first_channel + 1);
  bool cut = false;
  points.reserve(std::min<std::size_t>(room, text.size() / 4 + 1));
  std::vector<double> numbers;
  while (!lines.AtEnd()) {
    DataNumbers(lines.NextDataLine(), numbers);
    if (numbers.empty()) continue;
    if (points.size() == room) {
      cut = true;
      break;
    }
    XYPoint point;
    if (numbers.size() >= 2) {
      point.stored = true;
      point.x = numbers[0];
      point.y = numbers[1];
      point.error = numbers.size() >= 3 ? std::fabs(numbers[2]) : std::sqrt(std::fabs(point.y) + 1);
    }
    points.push_back(point);
  }
  // The first data line holds two or three numbers, so at least one channel is always filled.
  if (points.empty()) return Outcome::Failure({});

  int channel = first_channel;
  for (const XYPoint& point : points) {
    if (point.stored) {
      spectrum.abscissa[channel] = point.x;
      spectrum.counts[channel] = point.y;
      spectrum.errors[channel] = point.error;
    }
    ++channel;
  }
  spectrum.a1 = first_channel;
  spectrum.a2 = channel - 1;
  const double width = spectrum.a2 - spectrum.a1;
  spectrum.x_first = spectrum.abscissa[spectrum.a1];
  spectrum.x_last = spectrum.abscissa[spectrum.a2];
  spectrum.x_step = (spectrum.x_last - spectrum.x_first) / MaxD(1.0, width);
  spectrum.x_scale = width / MaxD(1.0, spectrum.x_last - spectrum.x_first);
  spectrum.x_offset = spectrum.a2 - spectrum.x_scale * spectrum.x_last;
  return cut ? Outcome::Warning(reader_messages::kCutAtLastChannel) : Outcome::Success();
}

namespace {

Outcome ReadFrom(TSpectrum& spectrum, std::istream& in, int type, int start,
                 const ReadOptions& options) {
  switch (type) {
    case kBinary16:
      return ReadBinary16(spectrum, in, options);
    case kBinary32:
      return ReadBinary32(spectrum, in, options);
    case kFreeField:
      return ReadFreeField(spectrum, in, start);
    default:
      return ReadXY(spectrum, in, start, options);
  }
}

}  // namespace

Outcome ReadSpectrumFile(TSpectrum& spectrum, int type, int start, const ReadOptions& options) {
  if (!InRange(type, kBinary16, kXY)) return Outcome::Failure({});
  const std::string& name = spectrum.file_name;
  InputFile file(name);
  if (file.status() == InputFile::Status::kNotRegular) {
    return Outcome::Failure(name + reader_messages::kNotRegularFile);
  }
  if (file.status() == InputFile::Status::kFailed) {
    return Outcome::Failure(name + reader_messages::kOpeningFailure + "\n\r" + file.reason());
  }
  Outcome outcome = ReadFrom(spectrum, file.stream(), type, start, options);
  if (!outcome.ok && outcome.message.empty() && !file.reason().empty()) {
    outcome.message = name + reader_messages::kReadingFailure + "\n\r" + file.reason();
  }
  return outcome;
}

}  // namespace pektra
