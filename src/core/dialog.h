// The content of the data-entry dialog as plain data. A command fills in the elements it needs
// (everything starts hidden), the user-interface port shows the dialog modally and writes the
// user's answers back into the same struct: `ok`, the selected items, the ticked boxes, the memo
// text, the grid cells and the text field.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/picture.h"

namespace pektra {

inline constexpr int kMaxOptionItems = 13;
inline constexpr int kMaxListLines = 2005;
inline constexpr int kGridValueColumns = 10;

struct DialogLabel {
  bool visible = false;
  int left = 0, top = 0;
  std::string text;
  Color text_color = colors::kWhite;
  Color background = colors::kMaroon;
  // A column heading over a list or memo: drawn in the list's fixed-pitch font so that its
  // words stand over their columns.
  bool column_heading = false;
};

struct DialogMemo {
  bool visible = false;
  int left = 0, width = 0;  // top 2, height 360
  std::string text;         // answer: the edited text
};

// Radio buttons. The first choice list has a red background, the second a teal one.
struct DialogChoiceList {
  bool visible = false;
  int columns = 1, left = 0, height = 0, width = 0, top = 0;
  std::vector<std::string> items;
  int selected = 0;  // 0-based; preset before showing, the answer after
};

struct DialogCheckList {
  bool visible = false;
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::string> items;
  std::vector<bool> checked;  // one per item; preset before showing, the answer after
};

struct DialogComboBox {
  bool visible = false;
  int left = 0, top = 0, width = 0;
  std::vector<std::string> items;
  int selected = 0;  // 0-based
};

// Read-only list of lines, aqua fixed-pitch text on black.
struct DialogListBox {
  bool visible = false;
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::string> lines;
  int selected = -1;  // answer: the selected line, -1 for none
  // Not empty: the window shows the list as a table of `rows` under these column titles, which
  // the user can sort, select rows of and copy (the lines stay what Save writes).
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};

// Labelled grid of numbers: a label column and editable value columns. The cells hold text so
// that the caller reads what the user typed with EntryToReal.
struct DialogParameterGrid {
  bool visible = false;
  int left = 0, top = 0;
  int rows = 0;
  int field_width = 8;
  int value_columns = 1;
  int visible_rows = 0;
  std::vector<std::string> labels;  // one per row
  std::vector<int> column_widths;   // label column, then each value column (design pixels)
  std::vector<std::vector<std::string>> cells;  // [row][column]; preset text, then the answer
};

// The seven-column table of fit parameters (a fixed header row and `rows` rows below it).
struct DialogParameterTable {
  bool visible = false;
  int rows = 0;
  std::vector<std::array<std::string, 7>> cells;  // rows below the header
};

struct DialogEditLine {
  bool visible = false;
  int left = 0, top = 0, width = 0;  // height 20
  std::string text;                  // answer: the typed text
};

struct DialogPicture {
  bool visible = false;
  int left = 0, top = 0;
  Picture picture;
};

struct DialogContent {
  std::string title;  // the caption shown is three blanks followed by it
  int left = 250, width = 330, height = 430;
  bool with_save = false;

  std::array<DialogLabel, 4> labels;
  DialogMemo memo;
  std::array<DialogChoiceList, 2> choice_lists;
  DialogCheckList check_list;
  DialogComboBox combo_box;
  DialogListBox list_box;
  DialogParameterGrid grid;
  DialogParameterTable table;
  DialogEditLine edit_line;
  std::array<DialogPicture, 2> pictures;

  std::vector<std::string> help_lines;  // shown by the Help button

  // Called when the user presses Save (dialogs opened with Save only); the first press in a
  // showing writes, later ones do nothing (the port keeps `saved`).
  std::function<void(const DialogContent&)> on_save;

  // Answers.
  bool ok = false;     // OK pressed (Cancel, Esc or closing the window give false)
  bool saved = false;  // Save wrote the list in this showing
};

// A dialog titled `title` at (left, 20) of the given size, everything hidden: what
// OpenDialogForm prepares.
DialogContent OpenDialogForm(std::string title, int left = 250, int width = 330, int height = 430,
                             bool with_save = false);

// The text a grid cell shows for a value: a whole number as FormatFixed(field_width, 0, x), any
// other as FormatGeneral(field_width, x), and the exponent form FormatExp(12, 7, x) when that text
// holds "*".
std::string FormatGridCell(int field_width, double x);

// Geometry of the button row of a dialog of the given width (design units): OK, Cancel, Help and
// (with Save) Save, each 60 x 20 at y = 375.
struct DialogButtonRow {
  int ok_x, cancel_x, help_x, save_x;
  static constexpr int kTop = 375, kWidth = 60, kHeight = 20;
};
DialogButtonRow ButtonRowFor(int width, bool with_save);

}  // namespace pektra

namespace pektra {
// What the Save button does: the first press in a showing calls on_save and marks the dialog
// saved; later presses do nothing.
void PressSave(DialogContent& dialog);
}  // namespace pektra

namespace pektra {
// Switching on one element of a prepared dialog, in the dialog's own vocabulary. Each returns
// the element for further settings.
DialogLabel& ShowLabel(DialogContent& dialog, std::size_t which, int left, int top,
                       std::string text, Color text_color = colors::kWhite,
                       Color background = colors::kMaroon);
DialogMemo& ShowMemo(DialogContent& dialog, int left, int width, std::string text = {});
DialogChoiceList& ShowChoiceList(DialogContent& dialog, std::size_t which, int left, int top,
                                 int width, int height, std::vector<std::string> items,
                                 int selected);
DialogCheckList& ShowCheckList(DialogContent& dialog, int left, int top, int width, int height,
                               std::vector<std::string> items, std::vector<bool> checked);
DialogListBox& ShowListBox(DialogContent& dialog, int left, int top, int width, int height,
                           std::vector<std::string> lines);
}  // namespace pektra
