// Feeds arbitrary counts, errors and bounds to the blunder correction and to the compression:
// neither may crash, touch a channel outside 1..16384 or outside its range, or leave bounds
// outside the channels. Bytes 0-5: first, last and the compression factor (signed 16-bit, so also
// beyond the channels and negative); 6-7: the channel where the data start; then pairs of doubles
// (count, error) from there on, the rest of the channels as a flat spectrum of 100.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "spectrum/blunders.h"
#include "spectrum/compression.h"
#include "spectrum/spectrum.h"

namespace {

int Int16(const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }

bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// True when channels from..to (cut to 1..16384) are bit for bit as before.
bool Untouched(const pektra::TSpectrum& now, const pektra::TSpectrum& before, int from, int to) {
  for (int i = from < 1 ? 1 : from; i <= to && i <= pektra::kMaxChannels; ++i) {
    if (!Same(now.counts[i], before.counts[i]) || !Same(now.errors[i], before.errors[i]) ||
        !Same(now.abscissa[i], before.abscissa[i])) {
      return false;
    }
  }
  return true;
}

pektra::TSpectrum Flat() {
  pektra::TSpectrum sp;
  for (int i = 1; i <= pektra::kMaxChannels; ++i) {
    sp.counts[i] = 100.0;
    sp.errors[i] = 10.0;
  }
  return sp;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const pektra::TSpectrum flat = Flat();
  if (size < 8) return 0;
  const int first = Int16(data), last = Int16(data + 2), factor = Int16(data + 4);
  const int start = (data[6] | (data[7] << 8)) % pektra::kMaxChannels + 1;
  pektra::TSpectrum before = flat;
  int channel = start;
  for (std::size_t k = 8; k + 16 <= size && channel <= pektra::kMaxChannels; k += 16, ++channel) {
    std::memcpy(&before.counts[channel], data + k, sizeof(double));
    std::memcpy(&before.errors[channel], data + k + 8, sizeof(double));
  }

  pektra::TSpectrum sp = before;
  const int corrected = pektra::CorrectBlunders(sp, first, last, pektra::ProcessingSettings{});
  const int lo = first < 1 ? 1 : first,
            hi = last > pektra::kMaxChannels ? pektra::kMaxChannels : last;
  if (corrected < 0 || (corrected > 0 && corrected > hi - lo - 1)) __builtin_trap();
  if (!Untouched(sp, before, 1, lo) || !Untouched(sp, before, hi, pektra::kMaxChannels)) {
    __builtin_trap();
  }
  if (!Untouched(sp, before, 1, pektra::kMaxChannels) && corrected == 0) __builtin_trap();

  pektra::TSpectrum compressed = before;
  compressed.a1 = first;
  compressed.a2 = last;
  const bool done = pektra::CompressSpectrum(compressed, factor);
  if (done != (factor >= 1)) __builtin_trap();
  if (!done) {
    if (!(compressed.a1 == first && compressed.a2 == last) ||
        !Untouched(compressed, before, 1, pektra::kMaxChannels)) {
      __builtin_trap();
    }
    return 0;
  }
  const pektra::TSpectrum& c = compressed;
  if (c.a1 < 1 || c.a2 < c.a1 || c.a2 > pektra::kMaxChannels || c.b1 != c.a1 || c.b2 != c.a2) {
    __builtin_trap();
  }
  const int old_a1 = lo > pektra::kMaxChannels ? pektra::kMaxChannels : lo;
  const int old_a2 = hi < old_a1 ? old_a1 : hi;
  if (!Untouched(c, before, old_a2 + 1, pektra::kMaxChannels)) __builtin_trap();
  return 0;
}
