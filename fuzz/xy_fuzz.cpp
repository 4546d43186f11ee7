// Feeds text to the type 4 reader. The first byte chooses the start channel and whether storing
// starts there or at the first X.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

#include "spectrum/spectrum_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pektra::TSpectrum spectrum;
  static unsigned calls = 0;
  if (size == 0) return 0;
  const pektra::ReadOptions options{.start_at_a1 = (data[0] & 1) != 0};
  const int start = (data[0] >> 1) * 130;  // 0 .. 16510
  std::istringstream in(std::string(reinterpret_cast<const char*>(data + 1), size - 1));

  const bool check_unchanged = ++calls % 16 == 0;
  std::optional<pektra::TSpectrum> before;
  if (check_unchanged) before = spectrum;
  const pektra::Outcome outcome = pektra::ReadXY(spectrum, in, start, options);
  if (outcome.ok) {
    if (spectrum.a1 < 1 || spectrum.a2 < spectrum.a1 || spectrum.a2 > 16384) __builtin_trap();
    if (options.start_at_a1 && spectrum.a1 != start) __builtin_trap();
    const bool cut =
        outcome.message.find(pektra::reader_messages::kCutAtLastChannel) != std::string::npos;
    if (cut && spectrum.a2 != 16384) __builtin_trap();
    for (int i = spectrum.a1; i <= spectrum.a2; ++i) {
      if (!(std::fabs(spectrum.counts[i]) <= 1e15) || !(spectrum.errors[i] <= 1e15)) {
        __builtin_trap();
      }
    }
    if (spectrum.x_first != spectrum.abscissa[spectrum.a1] ||
        spectrum.x_last != spectrum.abscissa[spectrum.a2]) {
      __builtin_trap();
    }
  } else if (before && !(spectrum == *before)) {
    __builtin_trap();
  }
  return 0;
}
