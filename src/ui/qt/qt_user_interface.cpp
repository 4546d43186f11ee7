#include "ui/qt/qt_user_interface.h"

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <ostream>
#include <utility>
#include <vector>

#include "core/display_settings.h"
#include "core/safe_file.h"
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
    : window_(window), screen_scale_(screen_scale), font_size_(font_size) {
  window_.graph_event_hook = [this](const GraphEvent& event) { return PostGraphEvent(event); };
  window_.view_ui = this;
  window_.answer_open_file = [this](const std::string& name) { pending_open_file_ = name; };
}

QtUserInterface::~QtUserInterface() {
  window_.graph_event_hook = nullptr;
  window_.view_ui = nullptr;
  window_.answer_open_file = nullptr;
  delete wait_window_.data();
}

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
  BindParameterTable(form, dialog.table);
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
  if (!pending_open_file_.empty()) {  // a dropped or recent file: already chosen
    return std::exchange(pending_open_file_, std::string());
  }
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

bool QtUserInterface::PostGraphEvent(const GraphEvent& event) {
  if (!waiting_) return false;
  // Two clicks handled in one pass of the event loop: the first one ends the wait, the second
  // is swallowed rather than taking the first one's place.
  if (!pending_event_) pending_event_ = event;
  return true;
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
  Remember(area, picture);
  const QImage image = PaintPicture(picture, screen_scale_);
  switch (area) {
    case PictureArea::kLargeGraph:
      window_.ShowLargeGraph(image);
      break;
    case PictureArea::kFitGraph:
      window_.ShowFitPicture(image);
      break;
    case PictureArea::kFitInfo:
      window_.ShowFitInfo(image);
      break;
  }
}

void QtUserInterface::ClearForm() { window_.ClearForm(); }

namespace {

bool WriteBytes(const QByteArray& bytes, const std::string& file_name) {
  return WriteFileAtomically(file_name, [&bytes](std::ostream& out) {
    out.write(bytes.constData(), static_cast<std::streamsize>(bytes.size()));
  });
}

}  // namespace

bool IsSvgName(const std::string& file_name) {
  return ToQString(file_name).endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
}

bool SaveBmp(const QImage& image, const std::string& file_name) {
  if (image.isNull()) return false;
  // The format by the name's extension: PNG for ".png" (any case), BMP otherwise.
  const bool png = ToQString(file_name).endsWith(QStringLiteral(".png"), Qt::CaseInsensitive);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, png ? "PNG" : "BMP")) return false;
  return WriteBytes(bytes, file_name);
}

bool SavePictureAs(const Picture& picture, double screen_scale, const std::string& file_name) {
  if (!IsSvgName(file_name)) return SaveBmp(PaintPicture(picture, screen_scale), file_name);
  const QByteArray svg = PictureSvg(picture, screen_scale);
  return !svg.isEmpty() && WriteBytes(svg, file_name);
}

bool QtUserInterface::SavePicture(PictureArea area, const std::string& file_name) {
  const std::size_t index = static_cast<std::size_t>(area);
  // An SVG file is drawn again from the picture shown; the other formats save its image.
  if (IsSvgName(file_name)) {
    return index < shown_.size() && shown_[index] &&
           SavePictureAs(*shown_[index], screen_scale_, file_name);
  }
  switch (area) {
    case PictureArea::kLargeGraph:
      return SaveBmp(window_.large_graph(), file_name);
    case PictureArea::kFitGraph:
      return SaveBmp(window_.fit_picture(), file_name);
    case PictureArea::kFitInfo:
      return SaveBmp(window_.fit_info(), file_name);
  }
  return false;
}

// The file holds the picture as the user sees it: painted at the window's screen scale, as
// "Spectrum -> BMP" saves the large graph.
bool QtUserInterface::SavePictureFile(const Picture& picture, const std::string& file_name) {
  return SavePictureAs(picture, screen_scale_, file_name);
}

void QtUserInterface::Remember(PictureArea area, const Picture& picture) {
  const std::size_t index = static_cast<std::size_t>(area);
  if (index < shown_.size()) shown_[index] = picture;
}

void QtUserInterface::ShowGraphButtons(const GraphButtons& buttons) {
  window_.ShowGraphButtons(buttons);
}

void QtUserInterface::ShowHint(const std::string& text, int left, int top, Color color) {
  window_.ShowHint(ToQString(text), left, top, ToQColor(color));
}

void QtUserInterface::MenusChanged() { window_.RefreshMenus(); }

void QtUserInterface::ShowFitDisplay(const FitDisplayView& view) {
  Remember(PictureArea::kFitGraph, view.fit_picture);
  Remember(PictureArea::kFitInfo, view.info_panel);
  window_.ShowFitDisplay(view, PaintPicture(view.fit_picture, screen_scale_),
                         PaintPicture(view.info_panel, screen_scale_));
}

void QtUserInterface::ShowWaitWindow(const std::string& caption) {
  if (caption.empty()) {
    delete wait_window_.data();
    return;
  }
  if (!wait_window_) {
    wait_window_ = new QWidget(&window_, Qt::Window);
    auto* text = new QLabel(wait_window_.data());
    text->setObjectName(QStringLiteral("caption"));
    text->setAlignment(Qt::AlignCenter);
  }
  wait_window_->setWindowTitle(ToQString(caption));
  auto* text = wait_window_->findChild<QLabel*>(QStringLiteral("caption"));
  text->setText(ToQString(caption));
  text->setGeometry(0, 0, Scaled(330), Scaled(50));
  wait_window_->setFixedSize(Scaled(330), Scaled(50));
  wait_window_->move(Scaled(150), Scaled(200));
  wait_window_->show();
  wait_window_->raise();
  // Painted now: the step that follows keeps the event loop busy. The user's input waits.
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtUserInterface::DisplaySettingsChanged(const DisplaySettings& settings) {
  screen_scale_ = settings.screen_scale;
  font_size_ = settings.font_size;
  window_.ApplyLayout();
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
