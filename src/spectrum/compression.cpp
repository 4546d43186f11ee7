#include "spectrum/compression.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/text_input.h"
#include "core/user_interface.h"

namespace pektra {

namespace {
constexpr const char* kCommand = "Compress the Spectrum";
}  // namespace

int CompressionFactor(double typed) {
  const int f = RoundToInt(typed);
  // RoundToInt clamps to the int range, so only its lowest value has no positive counterpart.
  return f < 0 ? (f == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : -f) : f;
}

bool CompressSpectrum(TSpectrum& sp, int f) {
  if (f < 1) return false;
  const int last_channel = sp.counts.capacity();
  const int a1 = std::clamp(sp.a1, 1, last_channel);
  const int a2 = std::clamp(sp.a2, a1, last_channel);
  const int na1 = (a1 - 1) / f + 1;
  const int na2 = (a2 - 1) / f + 1;
  // Group k starts at (k − 1)·f + 1 >= k, so it is read before channel k is written.
  for (int k = na1; k <= na2; ++k) {
    const long long start = static_cast<long long>(k - 1) * f + 1;
    const int first = static_cast<int>(start);
    const int last = static_cast<int>(std::min<long long>(start + f - 1, last_channel));
    double sum = 0.0, squares = 0.0;
    for (int i = first; i <= last; ++i) {
      sum += sp.counts[i];
      squares += sp.errors[i] * sp.errors[i];
    }
    sp.counts[k] = sum;
    sp.errors[k] = std::sqrt(squares);
    sp.abscissa[k] = sp.abscissa[first];
  }
  auto clear = [&sp](int from, int to) {
    for (int i = from; i <= to; ++i) {
      sp.counts[i] = 0.0;
      sp.errors[i] = 1.0;
    }
  };
  clear(1, na1 - 1);
  clear(na2 + 1, a2);
  sp.a1 = sp.b1 = na1;
  sp.a2 = sp.b2 = na2;
  sp.UpdateRange();
  return true;
}

void CompressTheSpectrum(const SpectrumProcessingContext& ctx, UserInterface& ui) {
  DialogContent dialog = OpenDialogForm("Spectrum compression");
  ShowLabel(dialog, 0, 5, 30, "Compression factor");
  dialog.edit_line = {true, 30, 55, 100, std::to_string(ctx.processing.compression_factor)};
  ui.ShowDialog(dialog);
  if (!dialog.ok) return;
  int readable = 1;
  const double typed = EntryToReal(dialog.edit_line.text, readable);
  if (readable == 0) {
    ui.ShowNote("Error, wrong numbers");
    return;
  }
  const int f = CompressionFactor(typed);
  TSpectrum compressed = ctx.spectrum;
  if (!CompressSpectrum(compressed, f)) {
    ui.ShowNote("Wrong compression factor");
    return;
  }
  if (!(compressed == ctx.spectrum)) {
    ctx.undo.Push(kCommand, ctx.spectrum);
    ctx.spectrum = std::move(compressed);
  }
  ctx.view.status_text = {" Compression by factor " + std::to_string(f), ""};
}

}  // namespace pektra
