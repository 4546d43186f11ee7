#include "ui/qt/qt_user_interface.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <utility>
#include <vector>

#include "core/display_settings.h"
#include "ui/qt/dialog_binders.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_conversions.h"

namespace pektra {

namespace {

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
  QDialog widget(&window_);
  const DialogForm form{widget, screen_scale_, font_size_};
  DressForm(form, dialog);
  std::vector<ReadBack> read_backs;
  auto bind = [&read_backs](ReadBack read_back) {
    if (read_back) read_backs.push_back(std::move(read_back));
  };
  for (const DialogLabel& label : dialog.labels) BindLabel(form, label);
  bind(BindMemo(form, dialog.memo));
  for (std::size_t which = 0; which < dialog.choice_lists.size(); ++which) {
    bind(BindChoiceList(form, dialog.choice_lists[which], which));
  }
  bind(BindCheckList(form, dialog.check_list));
  bind(BindComboBox(form, dialog.combo_box));
  bind(BindListBox(form, dialog.list_box));
  bind(BindGrid(form, dialog.grid));
  bind(BindEditLine(form, dialog.edit_line));
  for (const DialogPicture& picture : dialog.pictures) BindPicture(form, picture);
  BindButtons(form, dialog, [this, &dialog] { ShowHelp(dialog.help_lines); });
  dialog.saved = false;

  // Esc anywhere cancels: QDialog already rejects on Esc, also when the memo has the focus.
  dialog.ok = widget.exec() == QDialog::Accepted;
  if (!dialog.ok) return;
  for (const ReadBack& read_back : read_backs) read_back(dialog);
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
