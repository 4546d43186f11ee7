// The two text spectrum types: free-field counts (type 3) and lines of X, Y and an optional error
// (type 4). Both read line by line and stop at the last channel, so no file, however long, is
// held in memory.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "spectrum/spectrum_readers.h"
#include "spectrum/text_spectrum_lines.h"

namespace pektra {

namespace {

// One line of a type 4 file as it will be stored.
struct XYPoint {
  bool stored = false;  // false for a line with a single number, which only takes a channel
  double x = 0.0, y = 0.0, error = 0.0;
};

// The outcome of a reading that stopped: the refusal, or a failure without words when the stream
// failed or held no number.
Outcome Stopped(const SpectrumDataLines& lines, std::string no_data) {
  if (lines.bad()) return Outcome::Failure({});
  if (!lines.refusal().empty()) return Outcome::Failure(lines.refusal());
  return Outcome::Failure(std::move(no_data));
}

Outcome Done(const SpectrumDataLines& lines, bool cut) {
  const std::string note =
      JoinNotes(lines.SkippedNote(), cut ? reader_messages::kCutAtLastChannel : "");
  return note.empty() ? Outcome::Success() : Outcome::Warning(note);
}

// The first channel of a type 4 file: the given start, or the first X as a channel.
Outcome FirstChannel(double first_x, int start, const ReadOptions& options, int& channel) {
  channel = start;
  if (!options.start_at_a1) {
    channel = RoundToInt(first_x);
    if (!InRange(channel, 1, kMaxChannels)) {
      return Outcome::Failure(reader_messages::kFirstXOutside);
    }
  }
  if (!InRange(channel, 1, kMaxChannels)) return Outcome::Failure({});
  return Outcome::Success();
}

void StoreXY(TSpectrum& spectrum, const std::vector<XYPoint>& points, int first_channel) {
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
}

}  // namespace

Outcome ReadFreeField(TSpectrum& spectrum, std::istream& in, int start) {
  if (!in || !InRange(start, 1, kMaxChannels)) return Outcome::Failure({});
  SpectrumDataLines lines(in);
  if (const std::string refusal = lines.CheckText(); !refusal.empty()) {
    return Outcome::Failure(refusal);
  }
  const std::size_t room = static_cast<std::size_t>(kMaxChannels - start + 1);
  std::vector<double> values;
  bool cut = false;
  std::vector<double> numbers;
  while (!cut && lines.Next(numbers)) {
    const std::size_t take = std::min(numbers.size(), room - values.size());
    values.insert(values.end(), numbers.begin(),
                  numbers.begin() + static_cast<std::ptrdiff_t>(take));
    cut = take < numbers.size();
  }
  if (!cut && (lines.bad() || !lines.refusal().empty())) return Stopped(lines, {});
  if (values.empty()) return Outcome::Failure({});

  int channel = start;
  for (const double value : values) {
    spectrum.counts[channel] = value;
    spectrum.errors[channel] = std::sqrt(MaxD(0.0, value));
    ++channel;
  }
  spectrum.a1 = start;
  spectrum.a2 = channel - 1;
  return Done(lines, cut);
}

Outcome ReadXY(TSpectrum& spectrum, std::istream& in, int start, const ReadOptions& options) {
  if (!in) return Outcome::Failure({});
  SpectrumDataLines lines(in);
  if (const std::string refusal = lines.CheckText(); !refusal.empty()) {
    return Outcome::Failure(refusal);
  }
  std::vector<double> numbers;
  if (!lines.Next(numbers)) return Stopped(lines, reader_messages::kNoChannelCounts);
  if (numbers.size() != 2 && numbers.size() != 3) {
    return Outcome::Failure(reader_messages::kNoChannelCounts);
  }
  int first_channel = 0;
  if (Outcome first = FirstChannel(numbers[0], start, options, first_channel); !first.ok) {
    return first;
  }

  // Point i goes to channel first_channel + i.
  std::vector<XYPoint> points;
  const std::size_t room = static_cast<std::size_t>(kMaxChannels - first_channel + 1);
  XStepCheck steps;
  bool cut = false;
  do {
    if (points.size() == room) {
      cut = true;
      break;
    }
    XYPoint point;
    if (numbers.size() >= 2) {
      const std::string step_problem = steps.Check(
          numbers[0], lines.tokens()[0], static_cast<int>(points.size()), lines.line_number());
      if (!step_problem.empty()) return Outcome::Failure(step_problem);
      point.stored = true;
      point.x = numbers[0];
      point.y = numbers[1];
      point.error = numbers.size() >= 3 ? std::fabs(numbers[2]) : std::sqrt(std::fabs(point.y) + 1);
    }
    points.push_back(point);
  } while (lines.Next(numbers));
  if (!cut && (lines.bad() || !lines.refusal().empty())) return Stopped(lines, {});

  StoreXY(spectrum, points, first_channel);
  return Done(lines, cut);
}

}  // namespace pektra
