// Blunder correction: isolated wrong channels (a spike or a drop in one channel of a smooth
// neighbourhood) are replaced by an estimate from their neighbours.
#pragma once

#include <string>
#include <vector>

#include "spectrum/processing_context.h"
#include "spectrum/spectrum.h"
#include "spectrum/spectrum_settings.h"

namespace pektra {

class UserInterface;

// One corrected channel: its count before and after.
struct BlunderCorrection {
  int channel = 0;
  double old_count = 0.0;
  double new_count = 0.0;
  bool operator==(const BlunderCorrection&) const = default;
};

// Walks once through the channels first + 1 .. last − 1 in increasing order, each judged on the
// counts as they stand (a channel corrected before serves as the next one's neighbour). With
// L, R the neighbours' counts, y the channel's and W(i) = 1/error(i)² (0 for error 0):
//   S = L + R (2·|L − R| when L·R = 0); y ≠ 0 with S < small_stat: too few counts, kept.
//   r = |L − R|/(|S| + 1) (0 when L·R = 0). The short path (j = first + 1, j = last − 1, y = 0,
//   or r < 0.25 with y > S or y < S/4) estimates e = S/2, except next to the range's ends when
//   r >= 0.25 and y ≠ 0: neighbours that disagree there (an overflow count in channel `last`)
//   give no estimate, and the channel is kept. Otherwise the local test: the channel
//   is kept as the top of a narrow peak when its counts rise and fall by more than 2·√|S| over
//   two channels on both sides; else with A = sp(j−2) + L + R, B = L − R − 2·sp(j−2) the line
//   c0 = (3A + B)/7, c1 = (3·c0 − A)/2 is laid over the channels j − 2, j − 1, j + 1 (at −2, −1,
//   +1), and when its weighted χ² exceeds chibc the neighbourhood is not flat and the channel is
//   kept; else e = c0.
//   q = W(j)·(e − y)² > order: the count becomes max(0, e) and the channel is counted.
// Every comparison is strict. Channels first and last, and channels outside 1..16384, are never
// changed; errors, max_counts and min_counts stay as they are. Fewer than three channels correct
// nothing. Returns the number corrected; each correction is appended to `corrections` when given.
int CorrectBlunders(TSpectrum& spectrum, int first, int last, const ProcessingSettings& settings,
                    std::vector<BlunderCorrection>* corrections = nullptr);

// The corrections as the second status line: the first four as "channel (old -> new)", counts to
// a tenth, then how many more there are.
std::string CorrectionsLine(const std::vector<BlunderCorrection>& corrections);

// The command "Correct for Blunders": the dialog "Correcting for blunders" with the entries
// " Chibc= " and " Order= "; OK stores them and corrects [a1, a2], leaving the count followed by
// " blunders corrected" in status_text (the corrected channels on its second line) and listing
// every corrected channel in the debug log. The spectrum before is kept for Undo when a channel
// changed. Cancel, or an entry that cannot be read or is negative ("Error, wrong numbers"),
// changes nothing.
void CorrectForBlunders(const SpectrumProcessingContext& ctx, UserInterface& ui);

}  // namespace pektra
