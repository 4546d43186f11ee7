// The checks every standard-format fuzz target makes: the reader takes any bytes, allocates no
// more channels than the bytes could hold (N42 runs of zeros at most 65536), gives finite counts,
// and through the whole read leaves the spectrum as it was when it refuses the file.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "spectrum/standard_formats.h"

namespace pektra::fuzz {

inline void CheckStandardReader(Outcome (*parse)(std::string_view, StandardSpectrum&),
                                const std::uint8_t* data, std::size_t size, const char* name,
                                std::size_t bytes_per_count) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  StandardSpectrum read;
  const Outcome outcome = parse(bytes, read);
  if (outcome.ok) {
    const std::size_t bound = bytes_per_count == 0 ? 65536 + size : size / bytes_per_count + 1;
    if (read.counts.size() > bound) __builtin_trap();
    for (double c : read.counts) {
      if (!std::isfinite(c)) __builtin_trap();
    }
    if (!std::isfinite(read.facts.live_time) || read.facts.live_time < 0) __builtin_trap();
  } else if (outcome.message.empty()) {
    __builtin_trap();  // a refusal always says why
  }

  // The whole read under the format's name.
  static TSpectrum spectrum;
  const TSpectrum before = spectrum;
  std::istringstream in(bytes);
  const Outcome whole = ReadStandardSpectrum(spectrum, in, name);
  if (!whole.ok && !(spectrum == before)) __builtin_trap();
  if (whole.ok && (spectrum.a1 < 1 || spectrum.a2 > kMaxChannels || spectrum.a1 > spectrum.a2)) {
    __builtin_trap();
  }
}

}  // namespace pektra::fuzz
