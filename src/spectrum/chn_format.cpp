// The binary spectra with a fixed header: ORTEC CHN and the MCA layout of 8192 counts.
#include <cctype>
#include <cmath>
#include <string>

#include "spectrum/format_bytes.h"
#include "spectrum/standard_formats.h"

namespace pektra {
namespace {

using format_bytes::U16;
using format_bytes::U32;

constexpr std::size_t kChnHeader = 32;
constexpr double kChnTicksPerSecond = 50.0;  // CHN times count 20 ms ticks

int Digits(std::string_view bytes, std::size_t offset, int count) {
  int value = 0;
  for (int k = 0; k < count; ++k) {
    const char c = bytes[offset + static_cast<std::size_t>(k)];
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

// "07Nov021" (day, month, year in the century, 1 for the 2000s), "1830" and the seconds "00".
std::string ChnDate(std::string_view header) {
  static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                        "jul", "aug", "sep", "oct", "nov", "dec"};
  std::string month_name(header.substr(18, 3));
  for (char& c : month_name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  int month = 0;
  for (int m = 0; m < 12; ++m) {
    if (month_name == kMonths[m]) month = m + 1;
  }
  const int day = Digits(header, 16, 2), year = Digits(header, 21, 2);
  const int hour = Digits(header, 24, 2), minute = Digits(header, 26, 2);
  const int second = Digits(header, 6, 2);
  if (month == 0 || day < 0 || year < 0 || hour < 0 || minute < 0 || second < 0) return {};
  const int century = header[23] == '1' ? 2000 : 1900;
  return format_bytes::DateTimeText(century + year, month, day, hour, minute, second);
}

}  // namespace

Outcome ParseChn(std::string_view bytes, StandardSpectrum& out) {
  if (bytes.size() < kChnHeader) {
    return Outcome::Failure("the file ends inside the 32-byte header");
  }
  if (*U16(bytes, 0) != 0xFFFFu) return Outcome::Failure("the header does not begin with -1");
  const std::uint32_t channels = *U16(bytes, 30);
  const std::uint32_t offset = *U16(bytes, 28);
  if (channels == 0) return Outcome::Failure("the header announces no channels");
  const std::uint64_t data_end = kChnHeader + 4ull * channels;
  if (data_end > bytes.size()) {
    return Outcome::Failure("the file ends inside the counts: " + std::to_string(channels) +
                            " channels announced, " +
                            std::to_string((bytes.size() - kChnHeader) / 4) + " present");
  }
  out.first_channel = offset;
  out.counts.resize(channels);
  for (std::uint32_t k = 0; k < channels; ++k) {
    out.counts[k] = static_cast<double>(*U32(bytes, kChnHeader + 4ull * k));
  }
  out.facts.real_time = *U32(bytes, 8) / kChnTicksPerSecond;
  out.facts.live_time = *U32(bytes, 12) / kChnTicksPerSecond;
  out.facts.start_date = ChnDate(bytes.substr(0, kChnHeader));

  // The trailer: -101 (linear) or -102 (quadratic), a reserved word, then the coefficients.
  const auto tag = U16(bytes, data_end);
  if (tag && (*tag == 0xFF9Bu || *tag == 0xFF9Au)) {
    const int terms = *tag == 0xFF9Au ? 3 : 2;
    const auto c0 = U32(bytes, data_end + 4), c1 = U32(bytes, data_end + 8),
               c2 = U32(bytes, data_end + 12);
    if (!c0 || !c1 || (terms == 3 && !c2)) {
      return Outcome::Failure("the file ends inside the calibration of the trailer");
    }
    StoredEnergyCalibration& cal = out.facts.calibration;
    cal = {terms, format_bytes::FloatFromBits(*c0), format_bytes::FloatFromBits(*c1),
           terms == 3 ? format_bytes::FloatFromBits(*c2) : 0.0};
    if (!std::isfinite(cal.c0) || !std::isfinite(cal.c1) || !std::isfinite(cal.c2)) {
      cal = {};
    } else if (cal.terms == 3 && cal.c2 == 0.0) {
      cal.terms = 2;
    }
  }
  return Outcome::Success();
}

Outcome ParseMca(std::string_view bytes, StandardSpectrum& out) {
  constexpr std::size_t kHeader = 128, kChannels = 8192;
  if (bytes.size() != kHeader + 4 * kChannels) {
    return Outcome::Failure("the file holds " + std::to_string(bytes.size()) +
                            " bytes, not the 128-byte header and 8192 counts (32896 bytes)");
  }
  out.counts.resize(kChannels);
  for (std::size_t k = 0; k < kChannels; ++k) {
    out.counts[k] = static_cast<double>(static_cast<std::int32_t>(*U32(bytes, kHeader + 4 * k)));
  }
  // Live and real time in hundredths of a second; kept only when they make sense together.
  const double live = *U32(bytes, 48) / 100.0, real = *U32(bytes, 52) / 100.0;
  if (live > 0 && real >= live) {
    out.facts.live_time = live;
    out.facts.real_time = real;
  }
  return Outcome::Success();
}

}  // namespace pektra
