// Read-only tables whose values the user can copy: the result grid of the fit display and the
// parameter table of the data-entry dialog.
#pragma once

#include <QString>

class QTableWidget;

namespace pektra {

// No editing; cells can be selected (also several, with Shift or Ctrl) and Ctrl+C copies them.
void MakeReadOnlyCopyable(QTableWidget* table);

// The selected cells as text: the rectangle from the first to the last selected row and column,
// cells separated by tabs, rows by line ends; cells not selected inside it stay empty. Header
// texts are not part of it. Empty without a selection.
QString SelectedCellsText(const QTableWidget& table);

// Whole rows are selected (also several); Ctrl+C copies them with the header, as
// SelectedRowsText gives them.
void MakeRowsCopyable(QTableWidget* table);

// The header's titles, then each selected row from top to bottom as shown, cells separated by
// tabs, lines by line ends (pastes into a spreadsheet). Empty without a selection.
QString SelectedRowsText(const QTableWidget& table);

}  // namespace pektra
