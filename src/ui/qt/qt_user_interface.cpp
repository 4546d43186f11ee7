#include "ui/qt/qt_user_interface.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/display_settings.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_conversions.h"

namespace pektra {

namespace {

QString Rgb(Color c) { return ToQColor(c).name(); }

// The file-dialog folder: "" and unknown folders start in the user's home folder.
QString StartFolder(const std::string& directory) {
  const QString folder = ToQString(directory);
  return !folder.isEmpty() && QDir(folder).exists() ? folder : QDir::homePath();
}

}  // namespace

QtUserInterface::QtUserInterface(TForm1& window, double screen_scale, int font_size)
    : window_(window), screen_scale_(screen_scale), font_size_(font_size) {}

int QtUserInterface::Scaled(double design_units) const {
  return ScaleToScreen(design_units, screen_scale_);
}

void QtUserInterface::ShowNote(const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, QString(), ToQString(text), QMessageBox::Ok, &window_);
  box.move(320, 320);
  box.exec();
}

bool QtUserInterface::AskYesNo(const std::string& text, bool warning) {
  QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Question, QString(),
                  ToQString(text), QMessageBox::Yes | QMessageBox::No, &window_);
  return box.exec() == QMessageBox::Yes;
}

bool QtUserInterface::AskOkCancel(const std::string& text) {
  QMessageBox box(QMessageBox::Question, QString(), ToQString(text),
                  QMessageBox::Ok | QMessageBox::Cancel, &window_);
  return box.exec() == QMessageBox::Ok;
}

void QtUserInterface::ShowDialog(DialogContent& dialog) {
  QDialog form(&window_);
  form.setWindowTitle(ToQString("   " + dialog.title));
  form.move(Scaled(dialog.left), Scaled(20));
  form.setFixedSize(Scaled(dialog.width), Scaled(dialog.height));
  form.setStyleSheet(QStringLiteral("QDialog { background-color: green; }"));
  QFont font = form.font();
  font.setBold(true);
  font.setPointSize(font_size_);
  form.setFont(font);
  auto place = [&](QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(Scaled(left), Scaled(top), Scaled(width), Scaled(height));
  };

  for (const DialogLabel& label : dialog.labels) {
    if (!label.visible) continue;
    auto* widget = new QLabel(ToQString(label.text), &form);
    widget->setStyleSheet(QStringLiteral("color: %1; background-color: %2;")
                              .arg(Rgb(label.text_color), Rgb(label.background)));
    widget->move(Scaled(label.left), Scaled(label.top));
    widget->adjustSize();
  }
  QPlainTextEdit* memo = nullptr;
  if (dialog.memo.visible) {
    memo = new QPlainTextEdit(ToQString(dialog.memo.text), &form);
    memo->setStyleSheet(QStringLiteral("color: aqua; background-color: black;"));
    memo->setFont(QFont(QStringLiteral("Monospace"), font_size_, QFont::Bold));
    place(memo, dialog.memo.left, 2, dialog.memo.width, 360);
  }
  std::array<QButtonGroup*, 2> groups{};
  for (std::size_t g = 0; g < dialog.choice_lists.size(); ++g) {
    const DialogChoiceList& list = dialog.choice_lists[g];
    if (!list.visible) continue;
    auto* box = new QGroupBox(&form);
    box->setStyleSheet(g == 0 ? QStringLiteral("background-color: red;")
                              : QStringLiteral("background-color: teal;"));
    place(box, list.left, list.top, list.width, list.height);
    auto* layout = new QGridLayout(box);
    groups[g] = new QButtonGroup(box);
    const int columns = std::max(1, list.columns);
    const int rows = (static_cast<int>(list.items.size()) + columns - 1) / columns;
    for (int i = 0; i < static_cast<int>(list.items.size()); ++i) {
      auto* radio = new QRadioButton(ToQString(list.items[static_cast<std::size_t>(i)]), box);
      radio->setChecked(i == list.selected);
      groups[g]->addButton(radio, i);
      layout->addWidget(radio, i % std::max(1, rows), i / std::max(1, rows));
    }
  }
  std::vector<QCheckBox*> checks;
  if (dialog.check_list.visible) {
    auto* box = new QWidget(&form);
    box->setStyleSheet(QStringLiteral("background-color: yellow; color: black;"));
    place(box, dialog.check_list.left, dialog.check_list.top, dialog.check_list.width,
          dialog.check_list.height);
    auto* layout = new QVBoxLayout(box);
    for (std::size_t i = 0; i < dialog.check_list.items.size(); ++i) {
      auto* check = new QCheckBox(ToQString(dialog.check_list.items[i]), box);
      check->setChecked(i < dialog.check_list.checked.size() && dialog.check_list.checked[i]);
      layout->addWidget(check);
      checks.push_back(check);
    }
  }
  QComboBox* combo = nullptr;
  if (dialog.combo_box.visible) {
    combo = new QComboBox(&form);
    combo->setStyleSheet(QStringLiteral("color: aqua; background-color: black;"));
    for (const std::string& item : dialog.combo_box.items) combo->addItem(ToQString(item));
    combo->setMaxVisibleItems(8);
    combo->setCurrentIndex(dialog.combo_box.selected);
    place(combo, dialog.combo_box.left, dialog.combo_box.top, dialog.combo_box.width, 21);
  }
  QListWidget* list_box = nullptr;
  if (dialog.list_box.visible) {
    list_box = new QListWidget(&form);
    list_box->setStyleSheet(QStringLiteral("color: aqua; background-color: black;"));
    list_box->setFont(QFont(QStringLiteral("Monospace"), font_size_, QFont::Bold));
    for (const std::string& line : dialog.list_box.lines) list_box->addItem(ToQString(line));
    place(list_box, dialog.list_box.left, dialog.list_box.top, dialog.list_box.width,
          dialog.list_box.height);
  }
  QTableWidget* grid = nullptr;
  if (dialog.grid.visible) {
    const DialogParameterGrid& g = dialog.grid;
    grid = new QTableWidget(g.rows, g.value_columns, &form);
    // The label column white on maroon, the value cells black on the button colour.
    grid->setStyleSheet(QStringLiteral(
        "QTableWidget { color: black; } "
        "QHeaderView::section { color: white; background-color: maroon; border: none; }"));
    QStringList labels;
    for (const std::string& label : g.labels) labels << ToQString(label);
    grid->setVerticalHeaderLabels(labels);
    grid->horizontalHeader()->hide();
    int width = g.column_widths.empty() ? 80 : g.column_widths[0];
    for (int c = 0; c < g.value_columns; ++c) {
      const int w = static_cast<std::size_t>(c + 1) < g.column_widths.size()
                        ? g.column_widths[static_cast<std::size_t>(c + 1)]
                        : 80;
      grid->setColumnWidth(c, Scaled(w));
      width += w + 2;
    }
    for (int r = 0; r < g.rows; ++r) {
      grid->setRowHeight(r, Scaled(21));
      for (int c = 0; c < g.value_columns; ++c) {
        const auto& row = static_cast<std::size_t>(r) < g.cells.size()
                              ? g.cells[static_cast<std::size_t>(r)]
                              : std::vector<std::string>{};
        const std::string text =
            static_cast<std::size_t>(c) < row.size() ? row[static_cast<std::size_t>(c)] : "";
        auto* item = new QTableWidgetItem(ToQString(text));
        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        grid->setItem(r, c, item);
      }
    }
    const int shown = std::min(g.rows, g.visible_rows > 0 ? g.visible_rows : g.rows);
    place(grid, g.left, g.top, width + (shown < g.rows ? 23 : 0), (shown + 1) * 21 + 1);
  }
  QLineEdit* edit = nullptr;
  if (dialog.edit_line.visible) {
    edit = new QLineEdit(ToQString(dialog.edit_line.text), &form);
    place(edit, dialog.edit_line.left, dialog.edit_line.top, dialog.edit_line.width, 20);
  }
  for (const DialogPicture& picture : dialog.pictures) {
    if (!picture.visible) continue;
    auto* area = new QLabel(&form);
    area->setPixmap(QPixmap::fromImage(PaintPicture(picture.picture, screen_scale_)));
    area->move(Scaled(picture.left), Scaled(picture.top));
    area->adjustSize();
  }

  const DialogButtonRow row = ButtonRowFor(dialog.width, dialog.with_save);
  auto* ok = new QPushButton(QStringLiteral("OK"), &form);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), &form);
  auto* help = new QPushButton(QStringLiteral("Help"), &form);
  place(ok, row.ok_x, DialogButtonRow::kTop, DialogButtonRow::kWidth, DialogButtonRow::kHeight);
  place(cancel, row.cancel_x, DialogButtonRow::kTop, DialogButtonRow::kWidth,
        DialogButtonRow::kHeight);
  place(help, row.help_x, DialogButtonRow::kTop, DialogButtonRow::kWidth, DialogButtonRow::kHeight);
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &form, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &form, &QDialog::reject);
  QObject::connect(help, &QPushButton::clicked, &form, [&] {
    ok->setEnabled(false);
    cancel->setEnabled(false);
    help->setEnabled(false);
    ShowHelp(dialog.help_lines);
    ok->setEnabled(true);
    cancel->setEnabled(true);
    help->setEnabled(true);
  });
  dialog.saved = false;
  if (dialog.with_save) {
    auto* save = new QPushButton(QStringLiteral("Save"), &form);
    place(save, row.save_x, DialogButtonRow::kTop, DialogButtonRow::kWidth,
          DialogButtonRow::kHeight);
    QObject::connect(save, &QPushButton::clicked, &form, [&] { PressSave(dialog); });
  }

  // Esc anywhere cancels: QDialog already rejects on Esc, also when the memo has the focus.
  dialog.ok = form.exec() == QDialog::Accepted;
  if (!dialog.ok) return;
  if (memo) dialog.memo.text = ToStd(memo->toPlainText());
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (groups[g] && groups[g]->checkedId() >= 0) {
      dialog.choice_lists[g].selected = groups[g]->checkedId();
    }
  }
  dialog.check_list.checked.resize(checks.size());
  for (std::size_t i = 0; i < checks.size(); ++i) {
    dialog.check_list.checked[i] = checks[i]->isChecked();
  }
  if (combo) dialog.combo_box.selected = combo->currentIndex();
  if (list_box) dialog.list_box.selected = list_box->currentRow();
  if (grid) {
    auto& cells = dialog.grid.cells;
    cells.resize(static_cast<std::size_t>(dialog.grid.rows));
    for (int r = 0; r < dialog.grid.rows; ++r) {
      auto& row_cells = cells[static_cast<std::size_t>(r)];
      row_cells.resize(static_cast<std::size_t>(dialog.grid.value_columns));
      for (int c = 0; c < dialog.grid.value_columns; ++c) {
        row_cells[static_cast<std::size_t>(c)] = ToStd(grid->item(r, c)->text());
      }
    }
  }
  if (edit) dialog.edit_line.text = ToStd(edit->text());
}

std::optional<std::string> QtUserInterface::AskOpenFile(const FileQuestion& question) {
  const QString name = QFileDialog::getOpenFileName(
      &window_, ToQString(question.title),
      QDir(StartFolder(question.directory)).filePath(ToQString(question.proposed_name)), QString(),
      nullptr, QFileDialog::DontUseNativeDialog);
  if (name.isEmpty()) return std::nullopt;
  return ToStd(name);
}

std::vector<std::string> QtUserInterface::AskOpenFiles(const FileQuestion& question) {
  const QStringList names = QFileDialog::getOpenFileNames(
      &window_, ToQString(question.title), StartFolder(question.directory), QString(), nullptr,
      QFileDialog::DontUseNativeDialog);
  std::vector<std::string> result;
  for (const QString& name : names) result.push_back(ToStd(name));
  return result;
}

std::optional<std::string> QtUserInterface::AskSaveFile(const FileQuestion& question) {
  // Overwriting is asked by the command itself (ConfirmOverwrite), in its own words.
  const QString name = QFileDialog::getSaveFileName(
      &window_, ToQString(question.title),
      QDir(StartFolder(question.directory)).filePath(ToQString(question.proposed_name)), QString(),
      nullptr, QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  if (name.isEmpty()) return std::nullopt;
  return ToStd(name);
}

void QtUserInterface::PostGraphEvent(const GraphEvent& event) {
  if (waiting_) pending_event_ = event;
}

GraphEvent QtUserInterface::WaitForGraphEvent() {
  pending_event_.reset();
  waiting_ = true;
  while (!pending_event_ && window_.isVisible()) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  waiting_ = false;
  return pending_event_.value_or(GraphEvent{});
}

void QtUserInterface::ShowStatus(const std::string& line1, const std::string& line2) {
  window_.ShowStatus(ToQString(line1), ToQString(line2));
}

void QtUserInterface::ShowPicture(PictureArea area, const Picture& picture) {
  if (area == PictureArea::kLargeGraph)
    window_.ShowLargeGraph(PaintPicture(picture, screen_scale_));
}

void QtUserInterface::ClearForm() { window_.ClearForm(); }

bool QtUserInterface::SavePicture(PictureArea area, const std::string& file_name) {
  if (area != PictureArea::kLargeGraph || window_.large_graph().isNull()) return false;
  return window_.large_graph().save(ToQString(file_name), "BMP");
}

void QtUserInterface::ShowHelp(const std::vector<std::string>& lines) {
  QDialog text_window(&window_);
  text_window.move(0, 0);
  text_window.setFixedSize(Scaled(590), Scaled(450));
  text_window.setStyleSheet(QStringLiteral("QDialog { background-color: green; }"));
  auto* memo = new QPlainTextEdit(&text_window);
  memo->setReadOnly(true);
  memo->setStyleSheet(QStringLiteral("color: aqua; background-color: black;"));
  memo->setFont(QFont(QStringLiteral("Monospace"), font_size_, QFont::Bold));
  memo->setGeometry(0, Scaled(2), Scaled(580), Scaled(360));
  QStringList text;
  for (std::size_t i = 0; i < lines.size() && i < 100; ++i) text << ToQString(lines[i]);
  memo->setPlainText(text.join(QLatin1Char('\n')));
  auto* ok = new QPushButton(QStringLiteral("OK"), &text_window);
  ok->setGeometry(Scaled(200), Scaled(390), Scaled(80), Scaled(20));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &text_window, &QDialog::accept);
  text_window.exec();
}

}  // namespace pektra
