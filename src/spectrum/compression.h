// Compression of the spectrum: groups of f adjacent channels are summed into one.
#pragma once

#include "spectrum/processing_context.h"
#include "spectrum/spectrum.h"

namespace pektra {

class UserInterface;

// The compression factor typed in the dialog: the number rounded to the nearest whole number
// (halves to even), sign dropped. Below 1 the compression is refused.
int CompressionFactor(double typed);

// Sums groups of f >= 1 channels: new channel k = (a1 − 1) div f + 1 .. (a2 − 1) div f + 1 holds
// the old channels (k − 1)·f + 1 .. k·f (the last group ends at channel 16384): the sum of their
// counts, the root of the sum of their squared errors, the abscissa of the group's first channel.
// Channels below the new a1 and from the new a2 + 1 to the old a2 become 0 with error 1. a1, b1
// and a2, b2 become the new bounds; the range is updated. Bounds outside 1..16384 are taken as
// cut to it. Returns false, changing nothing, for f < 1.
bool CompressSpectrum(TSpectrum& spectrum, int f);

// The command "Compress the Spectrum": the dialog "Spectrum compression" proposes
// compression_factor (which stays as it is); "Wrong compression factor" for a factor below 1.
// Success leaves " Compression by factor " and f in status_text, and the spectrum before on the
// undo stack. Cancel, a refused factor or an unreadable entry change nothing.
void CompressTheSpectrum(const SpectrumProcessingContext& ctx, UserInterface& ui);

}  // namespace pektra
