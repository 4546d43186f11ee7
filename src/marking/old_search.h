// The old peak search: windows, the lower envelope as background, groups of candidates closed at
// insignificant curvature maxima, each group written as one interval of a marking data array;
// then the old division reworks the array. The marking command converts the array into peak_list
// and interval_table (ConvertMarkingData).
#pragma once

namespace pektra {

struct MarkingContext;
class UserInterface;

inline constexpr int kMaxOldSearchPeaks = 300;

// Searches [interval_begin, interval_end] and leaves marking_data / marking_length. Returns the
// number of peaks written.
int FindPeaksOld(const MarkingContext& ctx, UserInterface& ui);

// The old division on marking_data: bounds between neighbouring groups, outer bounds from the
// width line, long intervals narrowed, touching short neighbours joined.
void OldDivision(const MarkingContext& ctx);

}  // namespace pektra
