// The result table's rows and counters: filled by the fits, shown and saved by the reports,
// emptied by a new spectrum.
#pragma once

#include "core/analysis_records.h"
#include "core/one_based.h"

namespace pektra {

class UserInterface;

struct ResultTable {
  OneBasedArray<ResultRow> result_rows{kResultCapacity, ResultRow{}};
  int result_count = 0;
  int result_offset = 0;  // first row of the present marking
  bool results_unsaved = false;
  double norm_coefficient = 1.0;
  bool norm_by_coefficient =
      true;                 // false: normalised to the peak nearest channel norm_coefficient
  bool lim_format = false;  // the " LIM format for res-file" option of the last save

  bool operator==(const ResultTable&) const = default;
};

// Stores `row` at `index` (1..1000): result_count = max(result_count, index), results_unsaved is
// set. A higher index shows "Error, too many peaks in the table" and stores nothing; an index
// below 1 stores nothing. Returns whether the row was stored.
bool StoreResultRow(ResultTable& results, UserInterface& ui, int index, const ResultRow& row);

}  // namespace pektra
