// Feeds raw bytes to the type 2 reader. The first byte chooses the header and half-swap options.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "spectrum/spectrum_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pektra::TSpectrum spectrum;
  if (size == 0) return 0;
  const pektra::ReadOptions options{.skip_header = (data[0] & 1) != 0,
                                    .reverse_bytes = (data[0] & 2) != 0};
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::istringstream in(bytes);
  const pektra::Outcome outcome = pektra::ReadBinary32(spectrum, in, options);

  const long values = static_cast<long>(bytes.size() / 4 < 16384 ? bytes.size() / 4 : 16384);
  const long expected_a2 = values - (options.skip_header ? 256 : 0);
  if (!outcome.ok || spectrum.a1 != 1 || spectrum.a2 != (expected_a2 > 1 ? expected_a2 : 1)) {
    __builtin_trap();
  }
  if (spectrum.counts[1] != 0.0 || spectrum.errors[1] != 1.0) __builtin_trap();
  for (int i = 2; i <= spectrum.a2; ++i) {
    const double count = spectrum.counts[i];
    if (count != std::trunc(count) || count < -2147483648.0 || count > 2147483647.0 ||
        spectrum.errors[i] < 1.0) {
      __builtin_trap();
    }
  }
  return 0;
}
