// The marking command: the "Find the Peaks" dialog, the peak search or the picked points, the
// division into fit intervals and the report.
#pragma once

namespace pektra {

struct MarkingContext;
class UserInterface;

// Marks the interval b1..b2 in the mode mark_mode (0 automatic, 1 marking data, 2 energies,
// 3 lines, 4 manual) and leaves the report in status_text.
void MarkSpectrum(const MarkingContext& ctx, UserInterface& ui);

// The "Find the Peaks" dialog. Returns false when cancelled; otherwise stores the accepted values
// (w1, w2, delta_w, sens, resol, max_interval and, with the algorithm choice, ndf).
bool SetSearchControls(const MarkingContext& ctx, UserInterface& ui, bool with_algorithm);

}  // namespace pektra
