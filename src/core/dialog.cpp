#include "core/dialog.h"

#include <cmath>
#include <utility>

#include "core/number_format.h"

namespace pektra {

DialogContent OpenDialogForm(std::string title, int left, int width, int height, bool with_save) {
  DialogContent dialog;
  dialog.title = std::move(title);
  dialog.left = left;
  dialog.width = width;
  dialog.height = height;
  dialog.with_save = with_save;
  dialog.ok = true;  // set while a dialog is being prepared, as the commands expect
  return dialog;
}

std::string FormatGridCell(int field_width, double x) {
  std::string text = (std::isfinite(x) && x == std::trunc(x)) ? FormatFixed(field_width, 0, x)
                                                              : FormatGeneral(field_width, x);
  if (text.find('*') != std::string::npos) text = FormatExp(12, 7, x);
  return text;
}

DialogButtonRow ButtonRowFor(int width, bool with_save) {
  DialogButtonRow row{};
  row.ok_x = width / 2 - 90 - (with_save ? 30 : 0);
  row.cancel_x = row.ok_x + 62;
  row.help_x = row.ok_x + 124;
  row.save_x = row.ok_x + 185;
  return row;
}

}  // namespace pektra

namespace pektra {

void PressSave(DialogContent& dialog) {
  if (!dialog.with_save || dialog.saved) return;
  if (dialog.on_save) dialog.on_save(dialog);
  dialog.saved = true;
}

}  // namespace pektra

namespace pektra {

DialogLabel& ShowLabel(DialogContent& dialog, std::size_t which, int left, int top,
                       std::string text, Color text_color, Color background) {
  DialogLabel& label = dialog.labels.at(which);
  label = {true, left, top, std::move(text), text_color, background, false};
  return label;
}

DialogMemo& ShowMemo(DialogContent& dialog, int left, int width, std::string text) {
  dialog.memo = {true, left, width, std::move(text)};
  return dialog.memo;
}

DialogChoiceList& ShowChoiceList(DialogContent& dialog, std::size_t which, int left, int top,
                                 int width, int height, std::vector<std::string> items,
                                 int selected) {
  DialogChoiceList& choice = dialog.choice_lists.at(which);
  choice = {true, 1, left, height, width, top, std::move(items), selected};
  return choice;
}

DialogCheckList& ShowCheckList(DialogContent& dialog, int left, int top, int width, int height,
                               std::vector<std::string> items, std::vector<bool> checked) {
  checked.resize(items.size(), false);
  dialog.check_list = {true, left, top, width, height, std::move(items), std::move(checked)};
  return dialog.check_list;
}

DialogListBox& ShowListBox(DialogContent& dialog, int left, int top, int width, int height,
                           std::vector<std::string> lines) {
  dialog.list_box = {true, left, top, width, height, std::move(lines), -1, {}, {}};
  return dialog.list_box;
}

}  // namespace pektra
