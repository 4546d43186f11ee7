// The Canberra CAM / CNF file: a table of blocks from byte 112 on, 48 bytes an entry; the
// acquisition block holds the times, the start date and the energy calibration, the data block
// the counts (32-bit, 512 bytes after the block's start).
#include <cmath>
#include <string>

#include "spectrum/format_bytes.h"
#include "spectrum/standard_formats.h"

namespace pektra {
namespace {

using format_bytes::Holds;
using format_bytes::U16;
using format_bytes::U32;
using format_bytes::U64;

constexpr std::uint64_t kTableStart = 0x70, kEntryBytes = 0x30;
constexpr int kMaxEntries = 64;
constexpr std::uint32_t kAcquisitionBlock = 0x00012000u, kDataBlock = 0x00012005u;
constexpr std::uint64_t kBlockHeader = 0x30;  // a block's own header before its sections
constexpr std::uint64_t kCountsStart = 0x200;

struct Block {
  std::uint64_t offset = 0;
  bool found = false;
};

// A time of the acquisition block: a negative count of 100 ns; nullopt for anything else.
std::optional<double> CamTime(std::string_view bytes, std::uint64_t offset) {
  const auto raw = U64(bytes, offset);
  if (!raw) return std::nullopt;
  const auto ticks = static_cast<std::int64_t>(*raw);
  if (ticks > 0 || ticks == INT64_MIN) return std::nullopt;
  return static_cast<double>(-ticks) * 1e-7;
}

// A date of the acquisition block: 100 ns since 1858-11-17 00:00.
std::string CamDate(std::string_view bytes, std::uint64_t offset) {
  const auto raw = U64(bytes, offset);
  if (!raw || *raw == 0 || *raw > (1ull << 62)) return {};
  const std::uint64_t seconds = *raw / 10000000ull;
  const long long days = static_cast<long long>(seconds / 86400) - 40587;  // to 1970-01-01
  const auto in_day = static_cast<int>(seconds % 86400);
  int year = 0, month = 0, day = 0;
  format_bytes::CivilFromDays(days, year, month, day);
  return format_bytes::DateTimeText(year, month, day, in_day / 3600, in_day / 60 % 60, in_day % 60);
}

double CamFloat(std::string_view bytes, std::uint64_t offset) {
  return format_bytes::Pdp11Float(*U16(bytes, offset), *U16(bytes, offset + 2));
}

}  // namespace

Outcome ParseCnf(std::string_view bytes, StandardSpectrum& out) {
  Block acquisition, data;
  for (int k = 0; k < kMaxEntries; ++k) {
    const std::uint64_t entry = kTableStart + kEntryBytes * static_cast<std::uint64_t>(k);
    if (!Holds(bytes, entry, kEntryBytes)) break;
    const std::uint32_t id = *U32(bytes, entry);
    if (id == 0) break;
    Block* block = id == kAcquisitionBlock ? &acquisition : id == kDataBlock ? &data : nullptr;
    if (block && !block->found) *block = {*U32(bytes, entry + 10), true};
  }
  if (!acquisition.found) return Outcome::Failure("no acquisition block in the block table");
  if (!data.found) return Outcome::Failure("no data block in the block table");
  if (!Holds(bytes, acquisition.offset, 0x200)) {
    return Outcome::Failure("the acquisition block lies beyond the end of the file");
  }
  if (!Holds(bytes, data.offset, kCountsStart)) {
    return Outcome::Failure("the data block lies beyond the end of the file");
  }

  // The channel count is a 32-bit field of the data block's header; the counts must all be there
  // before anything is allocated.
  const std::uint32_t channels = *U32(bytes, data.offset + 0x2A);
  if (channels == 0) return Outcome::Failure("the data block announces no channels");
  const std::uint64_t counts_at = data.offset + kCountsStart;
  if (!Holds(bytes, counts_at, 4ull * channels)) {
    return Outcome::Failure("the data block announces " + std::to_string(channels) +
                            " channels, more than the file holds");
  }
  out.counts.resize(channels);
  for (std::uint32_t k = 0; k < channels; ++k) {
    out.counts[k] = static_cast<double>(*U32(bytes, counts_at + 4ull * k));
  }

  // The times and the start date: a section whose place the block's header gives.
  const std::uint64_t times =
      acquisition.offset + kBlockHeader + *U16(bytes, acquisition.offset + 0x24);
  if (!Holds(bytes, times, 0x19)) {
    return Outcome::Failure("the acquisition block's times lie beyond the end of the file");
  }
  const auto real = CamTime(bytes, times + 9), live = CamTime(bytes, times + 17);
  if (real && live && *live <= *real) {
    out.facts.real_time = *real;
    out.facts.live_time = *live;
  }
  out.facts.start_date = CamDate(bytes, times + 1);

  // The energy calibration: three PDP-11 floats in the calibration section.
  const std::uint64_t calibration =
      acquisition.offset + kBlockHeader + 0x44 + *U16(bytes, acquisition.offset + 0x22);
  if (!Holds(bytes, calibration, 12)) {
    return Outcome::Failure("the acquisition block's calibration lies beyond the end of the file");
  }
  StoredEnergyCalibration& cal = out.facts.calibration;
  cal = {3, CamFloat(bytes, calibration), CamFloat(bytes, calibration + 4),
         CamFloat(bytes, calibration + 8)};
  if (cal.c2 == 0.0) cal.terms = 2;
  return Outcome::Success();
}

}  // namespace pektra
