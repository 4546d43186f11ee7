// Feeds text to the type 3 reader, and to the judging of a file's type that the batch tool does
// without one. The first byte chooses the start channel (also outside the channels, and near the
// end so that long files are cut).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

#include "spectrum/spectrum_readers.h"
#include "spectrum/spectrum_type_guess.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pektra::TSpectrum spectrum;
  static unsigned calls = 0;
  if (size == 0) return 0;
  const int start = data[0] * 65;  // 0 .. 16575
  std::istringstream in(std::string(reinterpret_cast<const char*>(data + 1), size - 1));

  // Copying the spectrum costs more than most reads: check the unchanged state now and then.
  const bool check_unchanged = ++calls % 16 == 0;
  std::optional<pektra::TSpectrum> before;
  if (check_unchanged) before = spectrum;
  const pektra::Outcome outcome = pektra::ReadFreeField(spectrum, in, start);
  std::istringstream again(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
  const int type = pektra::GuessSpectrumType(again).type;
  if (type != 0 && type != 3 && type != 4) __builtin_trap();
  if (outcome.ok) {
    if (spectrum.a1 != start || spectrum.a2 < spectrum.a1 || spectrum.a2 > 16384) __builtin_trap();
    const bool cut =
        outcome.message.find(pektra::reader_messages::kCutAtLastChannel) != std::string::npos;
    if (cut && spectrum.a2 != 16384) __builtin_trap();
    for (int i = spectrum.a1; i <= spectrum.a2; ++i) {
      if (!(spectrum.errors[i] >= 0.0) || !(std::fabs(spectrum.counts[i]) <= 1e15)) {
        __builtin_trap();
      }
    }
  } else if (before && !(spectrum == *before)) {
    __builtin_trap();
  }
  return 0;
}
