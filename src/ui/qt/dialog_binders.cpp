#include "ui/qt/dialog_binders.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "core/display_settings.h"
#include "ui/qt/picture_painter.h"
#include "ui/qt/qt_conversions.h"
#include "ui/qt/table_cells.h"

namespace pektra {

namespace {

QString Rgb(Color c) { return ToQColor(c).name(); }

// The design width of a value column of the grid: its entry in column_widths, 80 without one.
int ValueColumnWidth(const DialogParameterGrid& grid, int column) {
  const auto index = static_cast<std::size_t>(column + 1);
  return index < grid.column_widths.size() ? grid.column_widths[index] : 80;
}

// The text a cell starts with: its preset, "" where the cells leave it out.
std::string PresetCell(const DialogParameterGrid& grid, int row, int column) {
  const auto r = static_cast<std::size_t>(row), c = static_cast<std::size_t>(column);
  return r < grid.cells.size() && c < grid.cells[r].size() ? grid.cells[r][c] : "";
}

// Every cell of the grid as typed, `rows` rows of `value_columns` cells.
void ReadGridCells(const QTableWidget& table, DialogParameterGrid& grid) {
  grid.cells.resize(static_cast<std::size_t>(grid.rows));
  for (int r = 0; r < grid.rows; ++r) {
    auto& row_cells = grid.cells[static_cast<std::size_t>(r)];
    row_cells.resize(static_cast<std::size_t>(grid.value_columns));
    for (int c = 0; c < grid.value_columns; ++c) {
      row_cells[static_cast<std::size_t>(c)] = ToStd(table.item(r, c)->text());
    }
  }
}

}  // namespace

int DialogForm::Scaled(double design_units) const {
  return ScaleToScreen(design_units, screen_scale);
}

void DialogForm::Place(QWidget* child, int left, int top, int width, int height) const {
  child->setGeometry(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
}

QFont DialogForm::FixedPitchFont() const {
  return QFont(QStringLiteral("Monospace"), font_size, QFont::Bold);
}

void DressForm(const DialogForm& form, const DialogContent& dialog) {
  form.widget.setWindowTitle(ToQString("   " + dialog.title));
  form.widget.move(form.Scaled(dialog.left), form.Scaled(20));
  form.widget.setFixedSize(form.Scaled(dialog.width), form.Scaled(dialog.height));
  form.widget.setStyleSheet(QStringLiteral("QDialog { background-color: green; }"));
  QFont font = form.widget.font();
  font.setBold(true);
  font.setPointSize(form.font_size);
  form.widget.setFont(font);
}

void BindLabel(const DialogForm& form, const DialogLabel& label) {
  if (!label.visible) return;
  auto* widget = new QLabel(ToQString(label.text), &form.widget);
  widget->setStyleSheet(QStringLiteral("color: %1; background-color: %2;")
                            .arg(Rgb(label.text_color), Rgb(label.background)));
  if (label.column_heading) widget->setFont(form.FixedPitchFont());
  widget->move(form.Scaled(label.left), form.Scaled(label.top));
  widget->adjustSize();
}

ReadBack BindMemo(const DialogForm& form, const DialogMemo& memo) {
  if (!memo.visible) return {};
  auto* edit = new QPlainTextEdit(ToQString(memo.text), &form.widget);
  edit->setStyleSheet(QStringLiteral("color: aqua; background-color: black;"));
  edit->setFont(form.FixedPitchFont());
  form.Place(edit, memo.left, 2, memo.width, 360);
  return [edit](DialogContent& dialog) { dialog.memo.text = ToStd(edit->toPlainText()); };
}

ReadBack BindChoiceList(const DialogForm& form, const DialogChoiceList& list, std::size_t which) {
  if (!list.visible) return {};
  auto* box = new QGroupBox(&form.widget);
  // The colour is the box's only: the radio circles keep the style's own light face, so that
  // they stay visible on red.
  const int circle = form.Scaled(12);
  box->setStyleSheet(
      QStringLiteral(
          "QGroupBox { background-color: %1; border: none; margin: 0px; } "
          "QRadioButton { background: transparent; } "
          "QRadioButton::indicator { width: %2px; height: %2px; border: 1px solid black; "
          "border-radius: %3px; background-color: white; } "
          "QRadioButton::indicator:checked { background-color: qradialgradient(cx: 0.5, "
          "cy: 0.5, radius: 0.5, fx: 0.5, fy: 0.5, stop: 0 black, stop: 0.5 black, "
          "stop: 0.6 white, stop: 1 white); }")
          .arg(which == 0 ? QStringLiteral("red") : QStringLiteral("teal"))
          .arg(circle)
          .arg(circle / 2 + 1));
  form.Place(box, list.left, list.top, list.width, list.height);
  auto* layout = new QGridLayout(box);
  // Small margins and no spacing: two rows in a low box keep their descenders ("Old algorithm").
  layout->setContentsMargins(form.Scaled(4), form.Scaled(1), form.Scaled(4), form.Scaled(1));
  layout->setVerticalSpacing(0);
  auto* group = new QButtonGroup(box);
  const int columns = std::max(1, list.columns);
  const int rows = (static_cast<int>(list.items.size()) + columns - 1) / columns;
  for (int i = 0; i < static_cast<int>(list.items.size()); ++i) {
    auto* radio = new QRadioButton(ToQString(list.items[static_cast<std::size_t>(i)]), box);
    radio->setChecked(i == list.selected);
    group->addButton(radio, i);
    layout->addWidget(radio, i % std::max(1, rows), i / std::max(1, rows));
  }
  return [group, which](DialogContent& dialog) {
    if (group->checkedId() >= 0) dialog.choice_lists[which].selected = group->checkedId();
  };
}

// Also a hidden check list answers: with no boxes, so its `checked` comes back empty.
ReadBack BindCheckList(const DialogForm& form, const DialogCheckList& list) {
  std::vector<QCheckBox*> checks;
  if (list.visible) {
    auto* box = new QWidget(&form.widget);
    const int square = form.Scaled(12);
    // The boxes keep a white face with a black edge (filled black when ticked) on the yellow.
    box->setStyleSheet(
        QStringLiteral("* { background-color: yellow; color: black; } "
                       "QCheckBox::indicator { width: %1px; height: %1px; border: 1px solid "
                       "black; background-color: white; } "
                       "QCheckBox::indicator:checked { background-color: qradialgradient(cx: "
                       "0.5, cy: 0.5, radius: 0.7, fx: 0.5, fy: 0.5, stop: 0 black, stop: 0.55 "
                       "black, stop: 0.6 white, stop: 1 white); }")
            .arg(square));
    form.Place(box, list.left, list.top, list.width, list.height);
    auto* layout = new QVBoxLayout(box);
    // Small margins: a list of one box in a low strip would otherwise show only its top pixels.
    layout->setContentsMargins(form.Scaled(4), form.Scaled(1), form.Scaled(4), form.Scaled(1));
    layout->setSpacing(0);
    for (std::size_t i = 0; i < list.items.size(); ++i) {
      auto* check = new QCheckBox(ToQString(list.items[i]), box);
      check->setChecked(i < list.checked.size() && list.checked[i]);
      layout->addWidget(check);
      checks.push_back(check);
    }
  }
  return [checks](DialogContent& dialog) {
    dialog.check_list.checked.resize(checks.size());
    for (std::size_t i = 0; i < checks.size(); ++i) {
      dialog.check_list.checked[i] = checks[i]->isChecked();
    }
  };
}

ReadBack BindComboBox(const DialogForm& form, const DialogComboBox& combo_box) {
  if (!combo_box.visible) return {};
  auto* combo = new QComboBox(&form.widget);
  combo->setStyleSheet(QStringLiteral("color: aqua; background-color: black;"));
  for (const std::string& item : combo_box.items) combo->addItem(ToQString(item));
  combo->setMaxVisibleItems(8);
  combo->setCurrentIndex(combo_box.selected);
  form.Place(combo, combo_box.left, combo_box.top, combo_box.width, 21);
  return [combo](DialogContent& dialog) { dialog.combo_box.selected = combo->currentIndex(); };
}

namespace {

// A cell that sorts by its number when both cells hold one, else by its text.
class SortCell : public QTableWidgetItem {
 public:
  using QTableWidgetItem::QTableWidgetItem;
  bool operator<(const QTableWidgetItem& other) const override {
    bool mine = false, theirs = false;
    const double a = text().toDouble(&mine), b = other.text().toDouble(&theirs);
    return mine && theirs ? a < b : text() < other.text();
  }
};

// The list as a table: monospace like the lists, columns sortable by a click on their title,
// whole rows selected, Ctrl+C copies them with the header.
ReadBack BindListTable(const DialogForm& form, const DialogListBox& list_box) {
  const int columns = static_cast<int>(list_box.columns.size());
  auto* table = new QTableWidget(static_cast<int>(list_box.rows.size()), columns, &form.widget);
  // The titles' font goes into the style sheet too: a section drawn by a style sheet does not
  // take the header's own font.
  const QFont fixed = form.FixedPitchFont();
  table->setStyleSheet(
      QStringLiteral("QTableWidget { color: aqua; background-color: black; gridline-color: gray; } "
                     "QHeaderView::section { color: white; background-color: maroon; "
                     "font-family: \"%1\"; font-size: %2pt; font-weight: bold; }")
          .arg(fixed.family())
          .arg(fixed.pointSize()));
  table->setFont(form.FixedPitchFont());
  table->horizontalHeader()->setFont(form.FixedPitchFont());
  table->verticalHeader()->hide();
  QStringList titles;
  for (const std::string& title : list_box.columns) titles << ToQString(title);
  table->setHorizontalHeaderLabels(titles);
  for (int r = 0; r < table->rowCount(); ++r) {
    const std::vector<std::string>& cells = list_box.rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < columns && c < static_cast<int>(cells.size()); ++c) {
      auto* item = new SortCell(ToQString(cells[static_cast<std::size_t>(c)]));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table->setItem(r, c, item);
    }
  }
  MakeRowsCopyable(table);
  table->setSortingEnabled(true);
  table->sortByColumn(0, Qt::AscendingOrder);  // as listed until the user sorts otherwise
  table->resizeColumnsToContents();
  table->resizeRowsToContents();
  form.Place(table, list_box.left, list_box.top, list_box.width, list_box.height);
  return [table](DialogContent& dialog) { dialog.list_box.selected = table->currentRow(); };
}

}  // namespace

ReadBack BindListBox(const DialogForm& form, const DialogListBox& list_box) {
  if (!list_box.visible) return {};
  if (!list_box.columns.empty()) return BindListTable(form, list_box);
  auto* list = new QListWidget(&form.widget);
  list->setStyleSheet(QStringLiteral("color: aqua; background-color: black;"));
  list->setFont(form.FixedPitchFont());
  for (const std::string& line : list_box.lines) list->addItem(ToQString(line));
  form.Place(list, list_box.left, list_box.top, list_box.width, list_box.height);
  return [list](DialogContent& dialog) { dialog.list_box.selected = list->currentRow(); };
}

ReadBack BindGrid(const DialogForm& form, const DialogParameterGrid& grid) {
  if (!grid.visible) return {};
  auto* table = new QTableWidget(grid.rows, grid.value_columns, &form.widget);
  // The label column white on maroon, the value cells black on the button colour.
  table->setStyleSheet(QStringLiteral(
      "QTableWidget { color: black; } "
      "QHeaderView::section { color: white; background-color: maroon; border: none; }"));
  QStringList labels;
  for (const std::string& label : grid.labels) labels << ToQString(label);
  table->setVerticalHeaderLabels(labels);
  table->horizontalHeader()->hide();
  int width = grid.column_widths.empty() ? 80 : grid.column_widths[0];
  for (int c = 0; c < grid.value_columns; ++c) {
    table->setColumnWidth(c, form.Scaled(ValueColumnWidth(grid, c)));
    width += ValueColumnWidth(grid, c) + 2;
  }
  for (int r = 0; r < grid.rows; ++r) {
    table->setRowHeight(r, form.Scaled(21));
    for (int c = 0; c < grid.value_columns; ++c) {
      auto* item = new QTableWidgetItem(ToQString(PresetCell(grid, r, c)));
      item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      table->setItem(r, c, item);
    }
  }
  const int shown = std::min(grid.rows, grid.visible_rows > 0 ? grid.visible_rows : grid.rows);
  form.Place(table, grid.left, grid.top, width + (shown < grid.rows ? 23 : 0),
             (shown + 1) * 21 + 1);
  return [table](DialogContent& dialog) { ReadGridCells(*table, dialog.grid); };
}

void BindParameterTable(const DialogForm& form, const DialogParameterTable& table) {
  if (!table.visible) return;
  static constexpr std::array<int, 7> kWidths{120, 50, 95, 100, 95, 55, 55};
  static const std::array<QString, 7> kHeader{QString(),
                                              QStringLiteral(" N"),
                                              QStringLiteral("Lower limit"),
                                              QStringLiteral("Parameter"),
                                              QStringLiteral("Upper limit"),
                                              QStringLiteral(" a"),
                                              QStringLiteral(" b")};
  const int rows = std::max(0, table.rows);
  auto* grid = new QTableWidget(rows, 7, &form.widget);
  grid->setStyleSheet(QStringLiteral("QTableWidget { color: lime; background-color: black; }"));
  grid->verticalHeader()->hide();
  for (int c = 0; c < 7; ++c) {
    const auto column = static_cast<std::size_t>(c);
    grid->setHorizontalHeaderItem(c, new QTableWidgetItem(kHeader[column]));
    grid->setColumnWidth(c, form.Scaled(kWidths[column]));
  }
  // Rows beyond the cells given stay blank.
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < 7; ++c) {
      const auto row = static_cast<std::size_t>(r);
      const std::string text =
          row < table.cells.size() ? table.cells[row][static_cast<std::size_t>(c)] : "";
      grid->setItem(r, c, new QTableWidgetItem(ToQString(text)));
    }
  }
  MakeReadOnlyCopyable(grid);
  form.Place(grid, 5, 0, rows > 16 ? 596 : 577, 360);
}

ReadBack BindEditLine(const DialogForm& form, const DialogEditLine& edit_line) {
  if (!edit_line.visible) return {};
  auto* edit = new QLineEdit(ToQString(edit_line.text), &form.widget);
  form.Place(edit, edit_line.left, edit_line.top, edit_line.width, 20);
  return [edit](DialogContent& dialog) { dialog.edit_line.text = ToStd(edit->text()); };
}

void BindPicture(const DialogForm& form, const DialogPicture& picture) {
  if (!picture.visible) return;
  auto* area = new QLabel(&form.widget);
  area->setPixmap(QPixmap::fromImage(PaintPicture(picture.picture, form.screen_scale)));
  area->move(form.Scaled(picture.left), form.Scaled(picture.top));
  area->adjustSize();
}

void BindButtons(const DialogForm& form, DialogContent& dialog, std::function<void()> show_help) {
  const DialogButtonRow row = ButtonRowFor(dialog.width, dialog.with_save);
  auto button = [&form](const QString& caption, int left) {
    auto* widget = new QPushButton(caption, &form.widget);
    form.Place(widget, left, DialogButtonRow::kTop, DialogButtonRow::kWidth,
               DialogButtonRow::kHeight);
    return widget;
  };
  QPushButton* ok = button(QStringLiteral("OK"), row.ok_x);
  QPushButton* cancel = button(QStringLiteral("Cancel"), row.cancel_x);
  QPushButton* help = button(QStringLiteral("Help"), row.help_x);
  ok->setDefault(true);
  help->setEnabled(!dialog.help_lines.empty());  // never an empty text window
  QObject::connect(ok, &QPushButton::clicked, &form.widget, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &form.widget, &QDialog::reject);
  QObject::connect(help, &QPushButton::clicked, &form.widget,
                   [ok, cancel, help, show_help = std::move(show_help)] {
                     for (QPushButton* held : {ok, cancel, help}) held->setEnabled(false);
                     show_help();
                     for (QPushButton* held : {ok, cancel}) held->setEnabled(true);
                     help->setEnabled(true);
                   });
  if (dialog.with_save) {
    QPushButton* save = button(QStringLiteral("Save"), row.save_x);
    QObject::connect(save, &QPushButton::clicked, &form.widget, [&dialog] { PressSave(dialog); });
  }
}

}  // namespace pektra
