#include "ui/qt/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFont>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QPixmap>
#include <QSettings>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "core/display_settings.h"
#include "ui/commands.h"
#include "ui/graphs.h"
#include "ui/qt/qt_conversions.h"

namespace pektra {

namespace {
QString StatusStyle() { return QStringLiteral("color: yellow; background-color: blue;"); }

// The pixel of a mouse event on a picture.
GraphEvent ClickAt(const QEvent* event) {
  const auto* mouse = static_cast<const QMouseEvent*>(event);
  return {GraphEvent::Kind::kClick, static_cast<int>(mouse->position().x()),
          static_cast<int>(mouse->position().y())};
}

// Shortcuts of the daily commands, by the item's name; shown in the menus. The captions stay as
// the command table has them.
QString ShortcutOf(const std::string& name) {
  static const std::pair<const char*, const char*> kShortcuts[] = {
      {"InputtheSpectrum1", "Ctrl+O"},
      {"SavetheFitResults1", "Ctrl+S"},
      {"AutomaticSpectrumMarking1", "Ctrl+M"},
      {"SpectrumFit1", "Ctrl+F"},
      {"CommonHelp1", "F1"},
      {"Exit1", "Ctrl+Q"},
  };
  for (const auto& [item, keys] : kShortcuts) {
    if (name == item) return QString::fromLatin1(keys);
  }
  return {};
}

// A menu title with its mnemonic (Alt + the first letter) unless it has one.
QString WithMnemonic(const std::string& caption) {
  const QString title = QString::fromStdString(caption);
  return title.contains(QLatin1Char('&')) ? title : QLatin1Char('&') + title;
}

constexpr int kDragThreshold = 4;   // pixels the pointer moves before a press becomes a drag
constexpr int kResizePauseMs = 60;  // the graph is drawn again this long after the last resize
constexpr const char* kInputItem = "InputtheSpectrum1";
constexpr int kRecentCount = 8;
QSettings Settings() { return QSettings(QStringLiteral("PEKTRA"), QStringLiteral("pektra")); }
const QString kRecentKey = QStringLiteral("recentSpectra");
// Beside the names (older entries have none): name -> "type,skip,reverse,restore,start".
const QString kRecentAnswersKey = QStringLiteral("recentSpectraAnswers");

QString AnswersText(const InputAnswers& a) {
  return QStringLiteral("%1,%2,%3,%4,%5")
      .arg(a.file_type)
      .arg(int{a.skip_header})
      .arg(int{a.reverse_bytes})
      .arg(int{a.restore_bounds})
      .arg(int{a.start_at_a1});
}

// The answers of a settings text; none for a text that is not one (an older or damaged entry).
std::optional<InputAnswers> AnswersOf(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 5) return std::nullopt;
  int values[5];
  for (int k = 0; k < 5; ++k) {
    bool ok = false;
    values[k] = parts[k].toInt(&ok);
    const bool in_range =
        k == 0 ? values[k] >= 1 && values[k] <= 5 : values[k] == 0 || values[k] == 1;
    if (!ok || !in_range) return std::nullopt;
  }
  return InputAnswers{values[0], values[1] == 1, values[2] == 1, values[3] == 1, values[4] == 1};
}
const QString kHistogramKey = QStringLiteral("graph/histogram");
const QString kFittedCurvesKey = QStringLiteral("graph/fittedCurves");
}  // namespace

TForm1::TForm1(AnalysisState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
  setWindowTitle(QString::fromUtf8(kMainCaption));
  setAcceptDrops(true);  // a spectrum file dropped on the window is read
  auto* central = new QWidget(this);
  central->setAutoFillBackground(true);
  setCentralWidget(central);
  Image3 = new QLabel(central);
  Image3->hide();
  Image3->installEventFilter(this);
  CreateFitDisplayWidgets(central);
  Label1 = new QLabel(central);
  Label2 = new QLabel(central);
  Label3 = new QLabel(central);
  Label1->setStyleSheet(StatusStyle());
  Label2->setStyleSheet(StatusStyle());
  Label1->hide();
  Label2->hide();
  Label3->hide();
  Button10 = new QPushButton(QStringLiteral("OK"), central);
  Button11 = new QPushButton(QStringLiteral("Cancel"), central);
  Button12 = new QPushButton(QStringLiteral("Next cadre"), central);
  Button13 = new QPushButton(QStringLiteral("Previous cadre"), central);
  for (QPushButton* button : {Button10, Button11, Button12, Button13}) button->hide();
  ConnectGraphEvent(Button10, GraphEvent::Kind::kOk);
  ConnectGraphEvent(Button11, GraphEvent::Kind::kCancel);
  ConnectCommand(Button12, &CommandTable::NextCadre);
  ConnectCommand(Button13, &CommandTable::PreviousCadre);
  // The quick scale lives on the graph, so it shows and hides with it.
  quick_scale = new QToolButton(Image3);
  quick_scale->setText(QStringLiteral("LN"));
  quick_scale->setToolTip(QStringLiteral("Normal / LN scale (L)"));
  quick_scale->setCheckable(true);
  quick_scale->setFocusPolicy(Qt::NoFocus);  // the keys stay with the window
  connect(quick_scale, &QToolButton::clicked, this, [this] {
    if (view_ui) ToggleQuickScale(state_, *view_ui);
    quick_scale->setChecked(state_.view.scale_mode == ScaleMode::kLn);
  });
  resize_pause_ = new QTimer(this);
  resize_pause_->setSingleShot(true);
  resize_pause_->setInterval(kResizePauseMs);
  connect(resize_pause_, &QTimer::timeout, this, &TForm1::FollowWindowSize);
  SetWindowColor(ToQColor(colors::kButtonFace));
  ApplyLayout();
}

void TForm1::ConnectCommand(QPushButton* button, void (CommandTable::*entry)()) {
  connect(button, &QPushButton::clicked, this, [this, entry] {
    // The table itself starts nothing while another command runs.
    if (table_) (table_->*entry)();
    AfterCommand();
  });
}

void TForm1::ConnectGraphEvent(QPushButton* button, GraphEvent::Kind kind) {
  connect(button, &QPushButton::clicked, this, [this, kind] {
    if (graph_event_hook) graph_event_hook({kind, 0, 0});
  });
}

void TForm1::SetCommandTable(CommandTable* table) {
  table_ = table;
  LoadGraphDrawing();
  menuBar()->clear();
  menu_titles.clear();
  menu_actions.clear();
  for (std::size_t m = 0; m < table->menus().size(); ++m) {
    const MenuDefinition& definition = table->menus()[m];
    std::vector<QAction*> actions;
    if (definition.items.empty()) {  // "Test": the title itself is the command
      QAction* action = menuBar()->addAction(WithMnemonic(definition.caption));
      connect(action, &QAction::triggered, this, [this, m] {
        table_->Run(m, 0);
        AfterCommand();
      });
      menu_titles.push_back(action);
    } else {
      QMenu* menu = menuBar()->addMenu(WithMnemonic(definition.caption));
      menu_titles.push_back(menu->menuAction());
      for (std::size_t i = 0; i < definition.items.size(); ++i) {
        const MenuItem& item = definition.items[i];
        QAction* action = item.separator ? menu->addSeparator()
                                         : menu->addAction(QString::fromStdString(item.caption));
        action->setObjectName(QString::fromStdString(item.name));
        action->setCheckable(item.checkable);
        if (!item.shortcut.empty()) {
          action->setShortcut(QKeySequence(QString::fromStdString(item.shortcut)));
        } else if (!item.separator && !ShortcutOf(item.name).isEmpty()) {
          action->setShortcut(QKeySequence(ShortcutOf(item.name)));
        }
        const bool input = item.name == kInputItem;
        connect(action, &QAction::triggered, this, [this, m, i, input] {
          table_->Run(m, i);
          if (input) RememberSpectrumRead();
          AfterCommand();
        });
        actions.push_back(action);
      }
      if (m == 0) {  // File: the recent spectra below its items, not one of the table's items
        recent_menu_ = menu->addMenu(QStringLiteral("Recent Spectra"));
        recent_menu_->menuAction()->setObjectName(QStringLiteral("RecentSpectra"));
        FillRecentMenu();
      }
    }
    menu_actions.push_back(actions);
  }
  RefreshMenus();
}

void TForm1::RefreshMenus() {
  if (!table_) return;
  table_->RefreshEnabling();
  const std::vector<MenuDefinition>& menus = table_->menus();
  for (std::size_t m = 0; m < menus.size() && m < menu_titles.size(); ++m) {
    const MenuDefinition& definition = menus[m];
    menu_titles[m]->setEnabled(definition.enabled);
    for (std::size_t i = 0; i < menu_actions[m].size() && i < definition.items.size(); ++i) {
      const MenuItem& item = definition.items[i];
      QAction* action = menu_actions[m][i];
      action->setEnabled(definition.enabled && item.enabled && !item.separator);
      // Some captions say what the command will do now ("Undo Compress the Spectrum").
      const QString caption = QString::fromStdString(item.caption);
      if (!item.separator && action->text() != caption) action->setText(caption);
      if (item.checkable) action->setChecked(item.checked);
    }
  }
}

void TForm1::AfterCommand() {
  SaveGraphDrawing();
  RefreshMenus();
  if (table_ && table_->quit_confirmed()) close();
}

int TForm1::Scaled(double design_units) const {
  return ScaleToScreen(design_units, state_.display.screen_scale);
}

void TForm1::ApplyLayout() {
  QFont font = this->font();
  font.setBold(true);
  font.setPointSize(state_.display.font_size);
  setFont(font);
  move(0, 0);
  setMinimumSize(Scaled(630), Scaled(470));
  resize(Scaled(630), Scaled(470));
  Image3->move(0, 0);
  Label1->move(Scaled(121), Scaled(59));
  Label2->move(Scaled(121), Scaled(74));
  Button10->setGeometry(Scaled(5), Scaled(5), Scaled(110), Scaled(20));
  Button11->setGeometry(Scaled(5), Scaled(26), Scaled(110), Scaled(20));
  Button12->setGeometry(Scaled(5), Scaled(47), Scaled(110), Scaled(20));
  Button13->setGeometry(Scaled(5), Scaled(68), Scaled(110), Scaled(20));
  LayoutFitDisplay();
}

void TForm1::closeEvent(QCloseEvent* event) {
  const bool confirmed = table_ && table_->quit_confirmed();
  if (!confirmed && close_guard && !close_guard()) {
    event->ignore();
    return;
  }
  event->accept();
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Image3) return LargeGraphMouse(event) || QMainWindow::eventFilter(watched, event);
  if (event->type() != QEvent::MouseButtonPress || watched != Image1) {
    return QMainWindow::eventFilter(watched, event);
  }
  const GraphEvent click = ClickAt(event);
  if (table_) {
    table_->FitPictureClick(click.x, click.y);
    AfterCommand();
  }
  return true;
}

void TForm1::LoadGraphDrawing() {
  QSettings settings = Settings();
  ViewState& view = state_.view;
  view.histogram_drawing = settings.value(kHistogramKey, view.histogram_drawing).toBool();
  view.fitted_curves_shown = settings.value(kFittedCurvesKey, view.fitted_curves_shown).toBool();
  drawing_saved_ = {view.histogram_drawing, view.fitted_curves_shown};
}

void TForm1::SaveGraphDrawing() {
  const std::pair<bool, bool> now{state_.view.histogram_drawing, state_.view.fitted_curves_shown};
  if (now == drawing_saved_) return;
  QSettings settings = Settings();
  settings.setValue(kHistogramKey, now.first);
  settings.setValue(kFittedCurvesKey, now.second);
  drawing_saved_ = now;
}

QStringList TForm1::RecentSpectra() {
  QStringList names = Settings().value(kRecentKey).toStringList();
  while (names.size() > kRecentCount) names.removeLast();
  return names;
}

void TForm1::RememberSpectrumRead() {
  if (state_.view.dialog_ok != 1 || !state_.view.spectrum_read) return;
  const QString name = ToQString(state_.spectrum.file_name);
  QStringList names = RecentSpectra();
  names.removeAll(name);
  names.prepend(name);
  while (names.size() > kRecentCount) names.removeLast();
  QSettings settings = Settings();
  settings.setValue(kRecentKey, names);
  // The answers of the names still listed, this one's as it was read now.
  const QVariantMap old_answers = settings.value(kRecentAnswersKey).toMap();
  QVariantMap answers;
  for (const QString& kept : names) {
    if (old_answers.contains(kept)) answers.insert(kept, old_answers.value(kept));
  }
  if (state_.input.last_answers) answers.insert(name, AnswersText(*state_.input.last_answers));
  settings.setValue(kRecentAnswersKey, answers);
  FillRecentMenu();
}

std::optional<InputAnswers> TForm1::RecentAnswers(const QString& file_name) {
  return AnswersOf(Settings().value(kRecentAnswersKey).toMap().value(file_name).toString());
}

bool TForm1::ReadRecentSpectrum(const QString& file_name) {
  // Without remembered answers (an entry of an older version) the type is asked as usual.
  state_.input.preset_answers = RecentAnswers(file_name);
  const bool read = ReadSpectrumFile(file_name);
  state_.input.preset_answers.reset();  // not taken when the command did not start
  return read;
}

void TForm1::FillRecentMenu() {
  if (!recent_menu_) return;
  recent_menu_->clear();
  const QStringList names = RecentSpectra();
  for (const QString& name : names) {
    QAction* action = recent_menu_->addAction(name);
    connect(action, &QAction::triggered, this, [this, name] { ReadRecentSpectrum(name); });
  }
  recent_menu_->setEnabled(!names.isEmpty());
}

bool TForm1::ReadSpectrumFile(const QString& file_name) {
  if (!table_ || !answer_open_file) return false;
  for (std::size_t m = 0; m < table_->menus().size(); ++m) {
    const std::vector<MenuItem>& items = table_->menus()[m].items;
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (items[i].name != kInputItem) continue;
      answer_open_file(ToStd(file_name));
      state_.view.dialog_ok = 0;
      table_->Run(m, i);     // the same questions as from the menu
      answer_open_file({});  // not taken when the command did not start
      const bool read = state_.view.dialog_ok == 1;
      RememberSpectrumRead();
      AfterCommand();
      return read;
    }
  }
  return false;
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return;
  event->acceptProposedAction();
  const QString name = urls.front().toLocalFile();
  // Read after the drop has finished: the input asks its questions in modal windows.
  QTimer::singleShot(0, this, [this, name] { ReadSpectrumFile(name); });
}

void TForm1::LargeGraphClick(const GraphEvent& click) {
  if (!(graph_event_hook && graph_event_hook(click)) && table_) {
    table_->GraphClick(click.x, click.y);
    AfterCommand();
  }
}

bool TForm1::LargeGraphMouse(QEvent* event) {
  switch (event->type()) {
    case QEvent::Wheel: {
      const auto* wheel = static_cast<QWheelEvent*>(event);
      const int steps = wheel->angleDelta().y();
      if (steps == 0 || !view_ui) return true;
      // One notch (120) narrows the window to 4/5 around the pointer; back widens it.
      const double factor = std::pow(0.8, steps / 120.0);
      ZoomLargeGraph(state_, *view_ui, wheel->position().x(), factor);
      return true;
    }
    case QEvent::MouseButtonPress: {
      const GraphEvent click = ClickAt(event);
      // While a pick waits, a click is a pick at once.
      if (graph_event_hook && graph_event_hook(click)) return true;
      drag_from_ = QPoint(click.x, click.y);
      dragged_ = false;
      return true;
    }
    case QEvent::MouseMove: {
      if (!drag_from_ || !view_ui) return false;
      const GraphEvent at = ClickAt(event);
      const int dx = at.x - drag_from_->x();
      if (!dragged_ && std::abs(dx) < kDragThreshold) return true;
      dragged_ = true;
      // The window moves by whole channels; the part of the drag not used yet stays pending.
      const int begin = state_.view.interval_begin;
      PanLargeGraph(state_, *view_ui, dx);
      if (state_.view.interval_begin != begin) drag_from_ = QPoint(at.x, at.y);
      return true;
    }
    case QEvent::MouseButtonRelease: {
      if (!drag_from_) return false;
      const QPoint from = *drag_from_;
      drag_from_.reset();
      if (!dragged_) LargeGraphClick({GraphEvent::Kind::kClick, from.x(), from.y()});
      dragged_ = false;
      return true;
    }
    case QEvent::MouseButtonDblClick:
      if (view_ui && !(graph_event_hook && graph_event_hook(ClickAt(event)))) {
        ShowWholeSpectrum(state_, *view_ui);
      }
      return true;
    default:
      return false;
  }
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  bool taken = false;
  if (view_ui && event->modifiers() == Qt::NoModifier) {
    switch (event->key()) {
      case Qt::Key_L:
        ToggleQuickScale(state_, *view_ui);
        taken = true;
        break;
      case Qt::Key_Home:
        taken = ShowWholeSpectrum(state_, *view_ui);
        break;
      case Qt::Key_Left:
        taken = StepLargeGraph(state_, *view_ui, -1);
        break;
      case Qt::Key_Right:
        taken = StepLargeGraph(state_, *view_ui, 1);
        break;
      default:
        break;
    }
  }
  if (!taken) QMainWindow::keyPressEvent(event);
}

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FitStatusLines();
  resize_pause_->start();
}

void TForm1::FollowWindowSize() {
  // The graph grows by what the window has grown beyond its stated size.
  const double scale = state_.display.screen_scale;
  const int width = kLargeGraphWidth + static_cast<int>((this->width() - Scaled(630)) / scale);
  const int height = kLargeGraphHeight + static_cast<int>((this->height() - Scaled(470)) / scale);
  if (view_ui) {
    ResizeLargeGraph(state_, *view_ui, width, height);
  } else {
    state_.view.graph_width = std::max(kLargeGraphWidth, width);
    state_.view.graph_height = std::max(kLargeGraphHeight, height);
  }
}

void TForm1::ShowStatus(const QString& line1, const QString& line2) {
  status_lines_[0] = line1;
  status_lines_[1] = line2;
  FitStatusLines();
  Label1->setVisible(!line1.isEmpty());
  Label1->raise();
  Label2->setVisible(!line2.isEmpty());
  Label2->raise();
}

void TForm1::FitStatusLines() {
  // A line longer than the window ends in "…" instead of running off it; the whole line is the
  // label's tooltip then.
  QLabel* labels[] = {Label1, Label2};
  for (int i = 0; i < 2; ++i) {
    QLabel* label = labels[i];
    const int room = std::max(Scaled(40), width() - label->x() - Scaled(6));
    const QString shown =
        label->fontMetrics().elidedText(status_lines_[i], Qt::ElideRight, room - Scaled(4));
    label->setText(shown);
    label->setToolTip(shown == status_lines_[i] ? QString() : status_lines_[i]);
    label->adjustSize();
  }
}

void TForm1::ShowHint(const QString& text, int left, int top, const QColor& color) {
  Label3->setText(text);
  Label3->setStyleSheet(QStringLiteral("color: %1; background: transparent;").arg(color.name()));
  Label3->move(Scaled(left), Scaled(top));
  Label3->adjustSize();
  Label3->setVisible(!text.isEmpty());
  Label3->raise();
}

void TForm1::SetWindowColor(const QColor& color) {
  QWidget* central = centralWidget();
  QPalette palette = central->palette();
  palette.setColor(QPalette::Window, color);
  central->setPalette(palette);
}

void TForm1::ClearForm() {
  Image3->hide();
  HideFitDisplay();
  for (QPushButton* button : {Button10, Button11, Button12, Button13}) button->hide();
  Label1->hide();
  Label2->hide();
  Label3->hide();
  SetWindowColor(ToQColor(colors::kButtonFace));
  state_.view.graph_mode = GraphMode::kNothing;
}

void TForm1::ShowLargeGraph(const QImage& image) {
  // The large graph covers the fit display; leave none of it half visible around the graph.
  if (Image1->isVisible()) {
    HideFitDisplay();
    Label3->hide();
    SetWindowColor(ToQColor(colors::kButtonFace));
  }
  large_graph_ = image;
  // The header shows the file name shortened; the whole path is the tooltip.
  Image3->setToolTip(state_.view.spectrum_read ? ToQString(state_.spectrum.file_name) : QString());
  Image3->setPixmap(QPixmap::fromImage(image));
  Image3->adjustSize();
  quick_scale->setGeometry(Image3->width() - Scaled(27), Scaled(5), Scaled(24), Scaled(20));
  quick_scale->setChecked(state_.view.scale_mode == ScaleMode::kLn);
  Image3->show();
  for (QPushButton* button : {Button10, Button11, Button12, Button13}) button->raise();
  Label1->raise();
  Label2->raise();
  Label3->raise();
}

void TForm1::ShowGraphButtons(const GraphButtons& buttons) {
  Button10->setVisible(buttons.ok_cancel);
  Button11->setVisible(buttons.ok_cancel);
  Button12->setVisible(buttons.cadres);
  Button13->setVisible(buttons.cadres);
  for (QPushButton* button : {Button10, Button11, Button12, Button13}) button->raise();
}

}  // namespace pektra
