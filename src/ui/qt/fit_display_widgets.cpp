// The interactive fit display's part of the main window: the fit picture (Image1), the
// information panel (Image2), the result grid (StringGrid6) and the five buttons.
#include <QFont>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QTableWidget>
#include <algorithm>
#include <array>

#include "core/display_settings.h"
#include "ui/commands.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_conversions.h"
#include "ui/qt/table_cells.h"

namespace pektra {

namespace {

// Geometry of the fit display in design units.
constexpr int kInfoLeft = 321;
constexpr int kGridLeft = 155, kGridTop = 267;
constexpr std::array<int, 7> kGridColumnWidths{54, 62, 62, 72, 72, 60, 66};
constexpr int kGridRowHeight = 18;
constexpr int kGridVisibleRows = 8;  // below the header; more rows scroll

struct ButtonPlace {
  int left, top, width;
};
constexpr int kFitButtonHeight = 25;
constexpr ButtonPlace kPreviousPlace{335, 211, 75}, kNextPlace{415, 211, 83},
    kBmpPlace{502, 211, 105}, kSinglePeaksPlace{355, 236, 150}, kChangePlace{510, 236, 75};

}  // namespace

void TForm1::CreateFitDisplayWidgets(QWidget* central) {
  Image1 = new QLabel(central);
  Image2 = new QLabel(central);
  Image1->installEventFilter(this);
  StringGrid6 = new QTableWidget(0, 7, central);
  StringGrid6->setStyleSheet(QStringLiteral(
      "QTableWidget { color: white; background-color: blue; gridline-color: silver; } "
      "QHeaderView::section { color: white; background-color: maroon; border: 1px solid "
      "silver; }"));
  StringGrid6->verticalHeader()->hide();
  StringGrid6->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  StringGrid6->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  MakeReadOnlyCopyable(StringGrid6);
  Button4 = new QPushButton(QStringLiteral("Previous"), central);
  Button2 = new QPushButton(QStringLiteral("Next"), central);
  Button9 = new QPushButton(QStringLiteral("Fit -> BMP+File"), central);
  Button14 = new QPushButton(QStringLiteral("Graph Single Peaks"), central);
  Button1 = new QPushButton(QStringLiteral("Change"), central);
  ConnectCommand(Button4, &CommandTable::PreviousInterval);
  ConnectCommand(Button2, &CommandTable::NextInterval);
  ConnectCommand(Button9, &CommandTable::FitToBmp);
  ConnectCommand(Button14, &CommandTable::GraphSinglePeaks);
  ConnectCommand(Button1, &CommandTable::ChangeFit);
  HideFitDisplay();
}

void TForm1::LayoutFitDisplay() {
  Image1->move(0, 0);
  Image2->move(Scaled(kInfoLeft), 0);
  // A caption wider than its design place (a bold or large font) widens the button, which then
  // moves left as far as it must to stay inside the window.
  auto place = [this](QPushButton* button, ButtonPlace p) {
    const int w = std::max(Scaled(p.width), button->sizeHint().width());
    const int left = std::max(0, std::min(Scaled(p.left), width() - w - 2));
    button->setGeometry(left, Scaled(p.top), w, Scaled(kFitButtonHeight));
  };
  place(Button4, kPreviousPlace);
  place(Button2, kNextPlace);
  place(Button9, kBmpPlace);
  place(Button14, kSinglePeaksPlace);
  place(Button1, kChangePlace);

  QFont font = this->font();
  font.setBold(true);
  StringGrid6->setFont(font);
  StringGrid6->horizontalHeader()->setFont(font);
  const int row_height = std::max(Scaled(kGridRowHeight), QFontMetrics(font).height() + 2);
  StringGrid6->verticalHeader()->setMinimumSectionSize(1);
  StringGrid6->verticalHeader()->setDefaultSectionSize(row_height);
  StringGrid6->horizontalHeader()->setFixedHeight(row_height);
  // Each column is as wide as its design width or its widest text, so no number is cut.
  const QFontMetrics metrics(font);
  const int rows = StringGrid6->rowCount();
  int columns_width = 0;
  for (int c = 0; c < 7; ++c) {
    int w = Scaled(kGridColumnWidths[static_cast<std::size_t>(c)]);
    if (const QTableWidgetItem* head = StringGrid6->horizontalHeaderItem(c)) {
      w = std::max(w, metrics.horizontalAdvance(head->text()) + 12);
    }
    for (int r = 0; r < rows; ++r) {
      if (const QTableWidgetItem* item = StringGrid6->item(r, c)) {
        w = std::max(w, metrics.horizontalAdvance(item->text()) + 12);
      }
    }
    StringGrid6->setColumnWidth(c, w);
    columns_width += w;
  }
  const int frame = 2 * StringGrid6->frameWidth();
  const int scroll_bar =
      rows > kGridVisibleRows ? StringGrid6->verticalScrollBar()->sizeHint().width() : 0;
  const int grid_width = columns_width + frame + scroll_bar;
  const int left = std::max(0, std::min(Scaled(kGridLeft), width() - grid_width));
  StringGrid6->setGeometry(left, Scaled(kGridTop), grid_width,
                           (std::min(rows, kGridVisibleRows) + 1) * row_height + frame);
}

void TForm1::HideFitDisplay() {
  for (QWidget* part : std::initializer_list<QWidget*>{Image1, Image2, StringGrid6, Button1,
                                                       Button2, Button4, Button9, Button14}) {
    part->hide();
  }
}

void TForm1::FillResultGrid(const std::vector<std::array<std::string, 7>>& grid) {
  StringGrid6->clearContents();
  const int rows = grid.empty() ? 0 : static_cast<int>(grid.size()) - 1;
  StringGrid6->setRowCount(rows);
  QStringList header;
  for (int c = 0; c < 7; ++c) {
    header << (grid.empty() ? QString() : ToQString(grid.front()[static_cast<std::size_t>(c)]));
  }
  StringGrid6->setHorizontalHeaderLabels(header);
  for (int r = 0; r < rows; ++r) {
    const std::array<std::string, 7>& cells = grid[static_cast<std::size_t>(r) + 1];
    for (int c = 0; c < 7; ++c) {
      // The numbers are shown (and copied) without their padding, right-aligned.
      auto* item = new QTableWidgetItem(ToQString(cells[static_cast<std::size_t>(c)]).trimmed());
      item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
      if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
      if (c == 0) item->setBackground(ToQColor(colors::kMaroon));  // the fixed column
      StringGrid6->setItem(r, c, item);
    }
  }
  LayoutFitDisplay();
}

void TForm1::ShowFitDisplay(const FitDisplayView& view, const QImage& fit_picture,
                            const QImage& info_panel) {
  Image3->hide();
  for (QPushButton* button : {Button10, Button11, Button12, Button13}) button->hide();
  SetWindowColor(ToQColor(colors::kGreen));
  ShowFitPicture(fit_picture);
  ShowFitInfo(info_panel);
  FillResultGrid(view.grid);
  StringGrid6->show();
  Button4->setVisible(view.previous);
  Button2->setVisible(view.next);
  for (QPushButton* button : {Button9, Button14, Button1}) button->show();
  // The buttons stand on the lower part of the information panel.
  for (QPushButton* button : {Button4, Button2, Button9, Button14, Button1}) button->raise();
  if (view.finished.empty()) {
    Label3->hide();
  } else {
    ShowHint(ToQString(view.finished), 345, 190, ToQColor(colors::kRed));
  }
  Label1->raise();
  Label2->raise();
}

void TForm1::ShowFitPicture(const QImage& image) {
  fit_picture_ = image;
  Image1->setPixmap(QPixmap::fromImage(image));
  Image1->adjustSize();
  Image1->show();
}

void TForm1::ShowFitInfo(const QImage& image) {
  fit_info_ = image;
  Image2->setPixmap(QPixmap::fromImage(image));
  Image2->adjustSize();
  Image2->show();
  Image2->lower();  // under the buttons and the hint standing on it
}

}  // namespace pektra
