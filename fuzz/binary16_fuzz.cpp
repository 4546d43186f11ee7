// Feeds raw bytes to the type 1 reader. The first byte chooses the header option.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "spectrum/spectrum_readers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pektra::TSpectrum spectrum;
  if (size == 0) return 0;
  const pektra::ReadOptions options{.skip_header = (data[0] & 1) != 0};
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  std::istringstream in(bytes);
  const pektra::Outcome outcome = pektra::ReadBinary16(spectrum, in, options);

  // Every byte string is a spectrum: 2-byte words, at most 16384 of them with the header.
  const long words = static_cast<long>(bytes.size() / 2 < 16384 ? bytes.size() / 2 : 16384);
  const long expected_a2 = words - (options.skip_header ? 512 : 0);
  if (!outcome.ok || spectrum.a1 != 1 || spectrum.a2 != (expected_a2 > 1 ? expected_a2 : 1)) {
    __builtin_trap();
  }
  if (spectrum.counts[1] != 0.0 || spectrum.errors[1] != 1.0) __builtin_trap();
  for (int i = 2; i <= spectrum.a2; ++i) {
    if (spectrum.counts[i] < 0.0 || spectrum.counts[i] > 65535.0 || spectrum.errors[i] < 1.0) {
      __builtin_trap();
    }
  }
  return 0;
}
