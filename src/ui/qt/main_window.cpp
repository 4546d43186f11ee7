#include "ui/qt/main_window.h"

#include <QCloseEvent>
#include <QFont>

#include "core/display_settings.h"

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
  Label1 = new QLabel(central);
  Label2 = new QLabel(central);
  Label1->setStyleSheet(StatusStyle());
  Label2->setStyleSheet(StatusStyle());
  Label1->hide();
  Label2->hide();
  ApplyLayout();
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
  Image3->setGeometry(0, 0, Scaled(600), Scaled(424));
  Label1->move(Scaled(121), Scaled(59));
  Label2->move(Scaled(121), Scaled(74));
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (close_guard && !close_guard()) {
    event->ignore();
    return;
  }
  event->accept();
}

void TForm1::ShowStatus(const QString& line1, const QString& line2) {
  Label1->setText(line1);
  Label1->adjustSize();
  Label1->setVisible(!line1.isEmpty());
  Label2->setText(line2);
  Label2->adjustSize();
  Label2->setVisible(!line2.isEmpty());
}

}  // namespace pektra
