#include "ui/qt/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFont>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPixmap>

#include "core/display_settings.h"
#include "ui/commands.h"

namespace pektra {

namespace {
QString StatusStyle() { return QStringLiteral("color: yellow; background-color: blue;"); }
}  // namespace

TForm1::TForm1(AnalysisState& state, QWidget* parent) : QMainWindow(parent), state_(state) {
  setWindowTitle(QString::fromUtf8(kMainCaption));
  auto* central = new QWidget(this);
  setCentralWidget(central);
  Image3 = new QLabel(central);
  Image3->hide();
  Image3->installEventFilter(this);
  Label1 = new QLabel(central);
  Label2 = new QLabel(central);
  Label1->setStyleSheet(StatusStyle());
  Label2->setStyleSheet(StatusStyle());
  Label1->hide();
  Label2->hide();
  Button12 = new QPushButton(QStringLiteral("Next cadre"), central);
  Button13 = new QPushButton(QStringLiteral("Previous cadre"), central);
  Button12->hide();
  Button13->hide();
  connect(Button12, &QPushButton::clicked, this, [this] {
    if (table_) table_->NextCadre();
    AfterCommand();
  });
  connect(Button13, &QPushButton::clicked, this, [this] {
    if (table_) table_->PreviousCadre();
    AfterCommand();
  });
  ApplyLayout();
}

void TForm1::SetCommandTable(CommandTable* table) {
  table_ = table;
  menuBar()->clear();
  menu_actions.clear();
  for (std::size_t m = 0; m < table->menus().size(); ++m) {
    const MenuDefinition& definition = table->menus()[m];
    std::vector<QAction*> actions;
    if (definition.items.empty()) {  // "Test": the title itself is the command
      QAction* action = menuBar()->addAction(QString::fromStdString(definition.caption));
      connect(action, &QAction::triggered, this, [this, m] {
        table_->Run(m, 0);
        AfterCommand();
      });
      actions.push_back(action);
    } else {
      QMenu* menu = menuBar()->addMenu(QString::fromStdString(definition.caption));
      for (std::size_t i = 0; i < definition.items.size(); ++i) {
        const MenuItem& item = definition.items[i];
        QAction* action = item.separator ? menu->addSeparator()
                                         : menu->addAction(QString::fromStdString(item.caption));
        action->setObjectName(QString::fromStdString(item.name));
        connect(action, &QAction::triggered, this, [this, m, i] {
          table_->Run(m, i);
          AfterCommand();
        });
        actions.push_back(action);
      }
    }
    menu_actions.push_back(actions);
  }
  RefreshMenus();
}

void TForm1::RefreshMenus() {
  if (!table_) return;
  for (std::size_t m = 0; m < menu_actions.size(); ++m) {
    const MenuDefinition& definition = table_->menus()[m];
    for (std::size_t i = 0; i < menu_actions[m].size() && i < definition.items.size(); ++i) {
      menu_actions[m][i]->setEnabled(definition.enabled && definition.items[i].enabled &&
                                     !definition.items[i].separator);
    }
  }
}

void TForm1::AfterCommand() {
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
  resize(Scaled(630), Scaled(470));
  Image3->move(0, 0);
  Label1->move(Scaled(121), Scaled(59));
  Label2->move(Scaled(121), Scaled(74));
  Button12->setGeometry(Scaled(5), Scaled(47), Scaled(110), Scaled(20));
  Button13->setGeometry(Scaled(5), Scaled(68), Scaled(110), Scaled(20));
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
  if (watched == Image3 && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const int x = static_cast<int>(mouse->position().x());
    const int y = static_cast<int>(mouse->position().y());
    if (!(graph_click_hook && graph_click_hook(x, y)) && table_) {
      table_->GraphClick(x, y);
      AfterCommand();
    }
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::ShowStatus(const QString& line1, const QString& line2) {
  Label1->setText(line1);
  Label1->adjustSize();
  Label1->setVisible(!line1.isEmpty());
  Label1->raise();
  Label2->setText(line2);
  Label2->adjustSize();
  Label2->setVisible(!line2.isEmpty());
  Label2->raise();
}

void TForm1::ClearForm() {
  Image3->hide();
  Button12->hide();
  Button13->hide();
  Label1->hide();
  Label2->hide();
  state_.view.graph_mode = GraphMode::kNothing;
}

void TForm1::ShowLargeGraph(const QImage& image) {
  large_graph_ = image;
  Image3->setPixmap(QPixmap::fromImage(image));
  Image3->adjustSize();
  Image3->show();
  const bool cadres = state_.view.cadre_mode;
  Button12->setVisible(cadres);
  Button13->setVisible(cadres);
  Button12->raise();
  Button13->raise();
  Label1->raise();
  Label2->raise();
}

}  // namespace pektra
