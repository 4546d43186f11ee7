#include "core/result_rows.h"

#include <algorithm>

#include "core/user_interface.h"

namespace pektra {

bool StoreResultRow(ResultTable& results, UserInterface& ui, int index, const ResultRow& row) {
  if (index > kResultCapacity) {
    ui.ShowNote("Error, too many peaks in the table");
    return false;
  }
  if (index < 1) return false;
  results.result_rows[index] = row;
  results.result_count = std::max(results.result_count, index);
  results.results_unsaved = true;
  return true;
}

}  // namespace pektra
