// The marking data array: per interval its negative left bound, its peak channels and its
// negative right bound, one sequence of numbers.
#pragma once

namespace pektra {

struct MarkingContext;
class UserInterface;

// Checks marking_data (first and last entry negative, at least one peak, a right bound followed by
// a left bound) and turns it into peak_list, peak_count, interval_table and interval_count. A
// broken array shows "Error, the marking data is not correct", sets dialog_ok to 0 and leaves the
// marking as it was. Returns whether it converted.
bool ConvertMarkingData(const MarkingContext& ctx, UserInterface& ui);

}  // namespace pektra
