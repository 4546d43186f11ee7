#include "core/result_rows.h"

#include <algorithm>
#include <iterator>

#include "core/user_interface.h"

namespace pektra {

namespace {

struct FlagWords {
  RowFlag flag;
  char letter;
  const char* words;  // what a report says of the rows with this flag
};

// In the order of the letters.
constexpr FlagWords kFlagWords[] = {
    {RowFlag::kNoErrors, 'E', "without errors"},
    {RowFlag::kWidthAtLimit, 'W', "at a width limit"},
    {RowFlag::kPositionAtLimit, 'P', "at a position limit"},
    {RowFlag::kBelowDecision, 'L', "below the decision threshold"},
    {RowFlag::kAddedByFit, 'R', "added by the refinement"},
    {RowFlag::kNeighbourMerged, 'M', "with a neighbour merged in"},
};

// Marks rows first..last empty, within the table.
void MarkEmpty(ResultTable& results, int first, int last) {
  for (int i = std::max(first, 1); i <= std::min(last, kResultCapacity); ++i) {
    results.row_status[i] = RowStatus{true, {}};
  }
}

}  // namespace

std::string RowFlags::Letters() const {
  std::string letters;
  for (const FlagWords& f : kFlagWords) {
    if (Has(f.flag)) letters += f.letter;
  }
  return letters;
}

bool StoreResultRow(ResultTable& results, UserInterface& ui, int index, const ResultRow& row,
                    RowFlags flags) {
  if (index > kResultCapacity) {
    ui.ShowNote("Error, too many peaks in the table");
    return false;
  }
  if (index < 1) return false;
  MarkEmpty(results, results.result_count + 1, index - 1);
  results.result_rows[index] = row;
  results.row_status[index] = RowStatus{false, flags};
  results.result_count = std::max(results.result_count, index);
  results.results_unsaved = true;
  return true;
}

void ReserveResultRows(ResultTable& results, int last) {
  last = std::min(last, kResultCapacity);
  if (last <= results.result_count) return;
  MarkEmpty(results, results.result_count + 1, last);
  results.result_count = last;
}

bool RowInUse(const ResultTable& results, int i) {
  return i >= 1 && i <= std::min(results.result_count, kResultCapacity) &&
         !results.row_status[i].empty;
}

int RowsInUse(const ResultTable& results) {
  int rows = 0;
  for (int i = 1; i <= std::min(results.result_count, kResultCapacity); ++i) {
    if (RowInUse(results, i)) ++rows;
  }
  return rows;
}

std::string FlaggedRowsNote(const ResultTable& results) {
  int flagged = 0;
  int per_kind[std::size(kFlagWords)] = {};
  for (int i = 1; i <= std::min(results.result_count, kResultCapacity); ++i) {
    if (!RowInUse(results, i) || !results.row_status[i].flags.Any()) continue;
    ++flagged;
    for (std::size_t k = 0; k < std::size(kFlagWords); ++k) {
      if (results.row_status[i].flags.Has(kFlagWords[k].flag)) ++per_kind[k];
    }
  }
  if (flagged == 0) return {};
  std::string note = std::to_string(flagged) + " flagged:";
  const char* separator = " ";
  for (std::size_t k = 0; k < std::size(kFlagWords); ++k) {
    if (per_kind[k] == 0) continue;
    note += separator + std::to_string(per_kind[k]) + " " + kFlagWords[k].words;
    separator = ", ";
  }
  return note;
}

}  // namespace pektra
