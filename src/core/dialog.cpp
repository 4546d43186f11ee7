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
