// The data-entry dialog on Qt Widgets, one element at a time. Each binder puts one element of a
// DialogContent on the dialog's form (geometry in design units times the screen scale) and
// returns how to read the user's answer back into the DialogContent once OK is pressed.
#pragma once

#include <cstddef>
#include <functional>

#include "core/dialog.h"

class QDialog;
class QFont;
class QWidget;

namespace pektra {

// Writes one element's answer from its widgets into the dialog. Empty for an element that has
// nothing to answer (one not shown).
using ReadBack = std::function<void(DialogContent&)>;

// The form the elements go on, with the screen scale and the font size of the dialog.
struct DialogForm {
  QDialog& widget;
  double screen_scale;
  int font_size;

  int Scaled(double design_units) const;
  // Sets a widget's geometry given in design units.
  void Place(QWidget* widget, int left, int top, int width, int height) const;
  // Bold fixed-pitch text of the dialog's font size, for the memo and the read-only list.
  QFont FixedPitchFont() const;
};

// The form itself: caption, position, size, green background and bold font.
void DressForm(const DialogForm& form, const DialogContent& dialog);

void BindLabel(const DialogForm& form, const DialogLabel& label);
ReadBack BindMemo(const DialogForm& form, const DialogMemo& memo);
// `which` is the list's place in DialogContent::choice_lists: the first is red, the second teal.
ReadBack BindChoiceList(const DialogForm& form, const DialogChoiceList& list, std::size_t which);
ReadBack BindCheckList(const DialogForm& form, const DialogCheckList& list);
ReadBack BindComboBox(const DialogForm& form, const DialogComboBox& combo_box);
ReadBack BindListBox(const DialogForm& form, const DialogListBox& list_box);
ReadBack BindGrid(const DialogForm& form, const DialogParameterGrid& grid);
// The read-only seven-column table of fit parameters below its fixed header row.
void BindParameterTable(const DialogForm& form, const DialogParameterTable& table);
ReadBack BindEditLine(const DialogForm& form, const DialogEditLine& edit_line);
void BindPicture(const DialogForm& form, const DialogPicture& picture);

// OK (the default) accepts, Cancel rejects, Help runs `show_help` with the buttons held, and the
// Save button of a dialog with Save calls PressSave.
void BindButtons(const DialogForm& form, DialogContent& dialog, std::function<void()> show_help);

}  // namespace pektra
