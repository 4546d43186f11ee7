// The result table's rows and counters: filled by the fits, shown and saved by the reports,
// emptied by a new spectrum.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/analysis_records.h"
#include "core/one_based.h"

namespace pektra {

class UserInterface;

// What a row's values alone do not say and a reader must know before trusting them. Each kind
// has a letter; the summary table writes the letters of a row in this order after its first
// line. New kinds go at the end, so that the letters of the older ones keep their place.
enum class RowFlag : std::uint8_t {
  kNoErrors,         // E: the fit gave no errors (its matrix could not be inverted)
  kWidthAtLimit,     // W: the fitted width ended on one of its limits
  kPositionAtLimit,  // P: the fitted position ended on one of its limits
  kBelowDecision,    // L: area below the decision threshold (kept: no refinement by the fit)
  kAddedByFit,       // R: found by the refinement (residuals, between intervals, a split peak)
  kNeighbourMerged,  // M: a neighbour that converged onto it was removed by the refinement
};

class RowFlags {
 public:
  RowFlags() = default;
  RowFlags& Set(RowFlag flag) {
    bits_ |= Bit(flag);
    return *this;
  }
  RowFlags& Add(const RowFlags& other) {
    bits_ |= other.bits_;
    return *this;
  }
  bool Has(RowFlag flag) const { return (bits_ & Bit(flag)) != 0; }
  bool Any() const { return bits_ != 0; }
  // The letters of the flags set, in the fixed order ("EW"); empty without flags.
  std::string Letters() const;

  bool operator==(const RowFlags&) const = default;

 private:
  static std::uint32_t Bit(RowFlag flag) { return 1u << static_cast<unsigned>(flag); }
  std::uint32_t bits_ = 0;
};

// A row's standing besides its values.
struct RowStatus {
  // Counted by result_count but holding no result of the present table: its peak was not fitted
  // (an interval skipped as too long, a peak beyond the 50 of an interval), so the row still
  // holds zeros or the values of earlier results.
  bool empty = false;
  RowFlags flags;

  bool operator==(const RowStatus&) const = default;
};

// The fitted curve of one interval of the last spectrum fit, for drawing over the spectrum: the
// sum of the fitted peaks and the background at channels first, first + 1/3, first + 2/3, ...
// last + 2/3, and the counts first..last it was fitted to (a changed spectrum no longer matches).
struct FittedCurve {
  int first = 0, last = 0;
  std::vector<double> values;  // 3 (last - first + 1) values
  std::vector<double> counts;  // last - first + 1 counts

  bool operator==(const FittedCurve&) const = default;
};

struct ResultTable {
  OneBasedArray<ResultRow> result_rows{kResultCapacity, ResultRow{}};
  OneBasedArray<RowStatus> row_status{kResultCapacity, RowStatus{}};
  int result_count = 0;
  int result_offset = 0;  // first row of the present marking
  bool results_unsaved = false;
  double norm_coefficient = 1.0;
  bool norm_by_coefficient =
      true;                 // false: normalised to the peak nearest channel norm_coefficient
  bool lim_format = false;  // the " LIM format for res-file" option of the last save
  // The curves of the last spectrum fit; emptied when another spectrum is read. Only a window
  // draws them: a run without one leaves them out (keep_fitted_curves false).
  std::vector<FittedCurve> fitted_curves;
  bool keep_fitted_curves = true;

  bool operator==(const ResultTable&) const = default;
};

// Stores `row` with its `flags` at `index` (1..1000): result_count = max(result_count, index),
// results_unsaved is set; rows that this passes over (between the old result_count and index)
// become empty. A higher index shows "Error, too many peaks in the table" and stores nothing; an
// index below 1 stores nothing. Returns whether the row was stored.
bool StoreResultRow(ResultTable& results, UserInterface& ui, int index, const ResultRow& row,
                    RowFlags flags = {});

// Counts rows up to `last` (at most 1000) without storing anything there: the rows newly counted
// are empty.
void ReserveResultRows(ResultTable& results, int last);

// Row i holds a result of the present table: 1 <= i <= result_count and not empty.
bool RowInUse(const ResultTable& results, int i);
// How many rows of 1..result_count hold a result.
int RowsInUse(const ResultTable& results);

// A few words on the flagged rows in use, for a line of a report: "2 flagged: 1 without errors,
// 1 at a width limit" (a row with two flags counts once in the total and once per kind). Empty
// when no row is flagged.
std::string FlaggedRowsNote(const ResultTable& results);

}  // namespace pektra
