// The result table: the rows left by the fits, their display ("Show Result Table") and the summary
// table file ("Save the Fit Results"), the main written result of an analysis.
#pragma once

#include <ostream>
#include <string>

#include "report/report_context.h"

namespace pektra {

class UserInterface;

inline constexpr int kShownResultRows = 650;  // the display lists at most this many rows

// "Show Result Table": rows 1..min(result_count, 650) with energies and intensities; the dialog's
// Save button appends the table to the debug log, which leaves the results unsaved.
void ShowResultTable(const ReportContext& ctx, UserInterface& ui);

// The proposed summary file name: the spectrum's full name with the first "." of the file's own
// name (not of its folders) removed, followed by ".res". "/data/s1.spe" gives "/data/s1spe.res".
std::string ProposedSummaryName(const std::string& spectrum_file);

// Writes the summary table of the rows of 1..result_count that hold results (empty rows, of
// peaks that were not fitted, are left out, and "Number of peaks" counts the rows written); ncoef
// is the normalisation value (a divisor, or the channel near which the normalisation peak is
// sought). `date_time` is the text after "SUMMARY TABLE.  ". A flagged row's first line ends in
// two blanks and its flag letters. Writes nothing when no row holds a result.
void WriteSummaryTable(std::ostream& out, const ReportContext& ctx, double ncoef,
                       const std::string& date_time);

// The summary table file, written whole or not at all, stamped with the local date and time
// ("2026-12-06 08:15:30"). On success results_unsaved becomes false. With no row holding a result
// no file is written and the result is true. False when the file could not be written; an existing
// file is then left as it was, and `why` (when given) receives the reason ("disk full").
bool WriteSummaryTableFile(const std::string& file_name, const ReportContext& ctx, double ncoef,
                           std::string* why = nullptr);

// "Save the Fit Results": asks for the LIM option and the file name, writes the summary file and
// then empties the table's counters and removes the spectrum from the name list. A cancelled
// question or a failed write changes nothing (a failed write is reported).
void SaveSummaryTable(const ReportContext& ctx, UserInterface& ui);

}  // namespace pektra
