// Offscreen tests of the interactive fit display in the main window, the pictures saved as BMP
// files, the wait window and the parameter table of the data-entry dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <string>
#include <vector>

#include "fit/interval_fit.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "support/scripted_ui.h"
#include "ui/qt/main_window.h"
#include "ui/qt/modal_dialogs.h"
#include "ui/qt/qt_user_interface.h"
#include "ui/qt/table_cells.h"

namespace pektra {
namespace {

using testing::OnNextDialog;

QColor At(QWidget& widget, int x, int y) { return QColor(widget.grab().toImage().pixel(x, y)); }

Picture Plain(int width, int height, Color background) {
  Picture picture;
  picture.width = width;
  picture.height = height;
  picture.background = background;
  return picture;
}

FitDisplayView TwoPeakView() {
  FitDisplayView view;
  view.fit_picture = Plain(320, 265, colors::kBlack);
  view.fit_picture.Add(FillRect{100, 100, 110, 110, colors::kAqua});
  view.info_panel = Plain(300, 265, colors::kSilver);
  view.grid = {
      {" ", " Channel ", " Energy  ", " Area    ", "Intensity", " Width   ", "Crit/Bckg"},
      {" Peak 1", "  300.12", "  150.06", "     51234", "     51234", "    4.01", "  123.45"},
      {" Errors", "    0.02", "    0.01", "       300", "       300", "    0.03", "     812"},
      {" Peak 2", "  312.40", "  156.20", "     38000", "     38000", "    4.01", "   98.70"},
      {" Errors", "    0.03", "    0.02", "       260", "       260", "    0.03", "     790"}};
  view.previous = false;
  view.next = true;
  view.finished = "  Fitting finished. Save the results. ";
  return view;
}

TEST(FitDisplayWindow, ShowsItsPartsAtScaledPlacesOnGreenAndClearFormHidesThemAll) {
  AnalysisState state;
  state.display.screen_scale = 1.25;
  TForm1 window(state);
  window.show();
  QtUserInterface ui(window, 1.25, 10);
  ui.ShowGraphButtons({true, true});
  ui.ShowFitDisplay(TwoPeakView());

  EXPECT_EQ(window.Image1->geometry(), QRect(0, 0, 400, 331));
  EXPECT_EQ(window.Image2->geometry(), QRect(401, 0, 375, 331));
  EXPECT_EQ(window.StringGrid6->pos(), QPoint(194, 334));
  EXPECT_FALSE(window.Button4->isVisible());  // "Previous" on the first interval
  ASSERT_TRUE(window.Button2->isVisible());
  EXPECT_EQ(window.Button2->geometry(), QRect(519, 264, 104, 31));
  EXPECT_EQ(window.Button2->text(), "Next");
  EXPECT_EQ(window.Button9->geometry(), QRect(628, 264, 131, 31));
  EXPECT_EQ(window.Button9->text(), "Fit -> BMP+File");
  EXPECT_EQ(window.Button14->geometry(), QRect(444, 295, 188, 31));
  EXPECT_EQ(window.Button14->text(), "Graph Single Peaks");
  EXPECT_EQ(window.Button1->geometry(), QRect(638, 295, 94, 31));
  EXPECT_EQ(window.Button1->text(), "Change");
  for (QPushButton* button : {window.Button9, window.Button14, window.Button1}) {
    EXPECT_TRUE(button->isVisible());
  }
  // The large graph's buttons and picture make way.
  for (QPushButton* part : {window.Button10, window.Button11, window.Button12, window.Button13}) {
    EXPECT_FALSE(part->isVisible());
  }
  EXPECT_FALSE(window.Image3->isVisible());
  ASSERT_TRUE(window.Label3->isVisible());
  EXPECT_EQ(window.Label3->text().toStdString(), "  Fitting finished. Save the results. ");
  EXPECT_EQ(window.Label3->pos(), QPoint(431, 238));
  EXPECT_EQ(window.Label3->palette().color(QPalette::WindowText), QColor(255, 0, 0));

  // The pictures as painted at the screen scale; the window green where nothing stands.
  EXPECT_EQ(QColor(window.fit_picture().pixel(130, 130)), QColor(0, 255, 255));
  EXPECT_EQ(QColor(window.fit_picture().pixel(140, 140)), QColor(0, 0, 0));
  EXPECT_EQ(At(*window.Image1, 130, 130), QColor(0, 255, 255));
  EXPECT_EQ(At(*window.centralWidget(), 100, 400), QColor(0, 128, 0));

  // The grid: the header row fixed, then two rows per peak, read-only.
  const QTableWidget& grid = *window.StringGrid6;
  ASSERT_EQ(grid.columnCount(), 7);
  ASSERT_EQ(grid.rowCount(), 4);
  EXPECT_EQ(grid.horizontalHeaderItem(6)->text(), "Crit/Bckg");
  EXPECT_EQ(grid.horizontalHeaderItem(1)->text(), " Channel ");
  // Cells without their padding, numbers right-aligned, no text cut.
  EXPECT_EQ(grid.item(0, 0)->text(), "Peak 1");
  EXPECT_EQ(grid.item(3, 6)->text(), "790");
  EXPECT_TRUE(grid.item(3, 6)->textAlignment() & Qt::AlignRight);
  for (int c = 0; c < 7; ++c) {
    EXPECT_GE(grid.columnWidth(c), grid.fontMetrics().horizontalAdvance(grid.item(0, c)->text()))
        << c;
  }
  EXPECT_EQ(grid.item(0, 0)->background().color(), QColor(128, 0, 0));
  EXPECT_FALSE(grid.item(1, 1)->flags() & Qt::ItemIsEditable);
  EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_TRUE(grid.font().bold());

  // A renewed display with fewer rows and "Previous" keeps no row of the one before.
  FitDisplayView last = TwoPeakView();
  last.grid.resize(3);
  last.previous = true;
  last.next = false;
  last.finished.clear();
  ui.ShowFitDisplay(last);
  EXPECT_EQ(grid.rowCount(), 2);
  EXPECT_TRUE(window.Button4->isVisible());
  EXPECT_EQ(window.Button4->geometry(), QRect(419, 264, 94, 31));
  EXPECT_FALSE(window.Button2->isVisible());
  EXPECT_FALSE(window.Label3->isVisible());

  ui.ClearForm();
  for (QWidget* part :
       {static_cast<QWidget*>(window.Image1), static_cast<QWidget*>(window.Image2),
        static_cast<QWidget*>(window.Image3), static_cast<QWidget*>(window.StringGrid6),
        static_cast<QWidget*>(window.Label1), static_cast<QWidget*>(window.Label2),
        static_cast<QWidget*>(window.Label3)}) {
    EXPECT_FALSE(part->isVisible());
  }
  for (QPushButton* button :
       {window.Button1, window.Button2, window.Button4, window.Button9, window.Button10,
        window.Button11, window.Button12, window.Button13, window.Button14}) {
    EXPECT_FALSE(button->isVisible()) << button->text().toStdString();
  }
  EXPECT_EQ(At(*window.centralWidget(), 100, 400), QColor(240, 240, 240));
  EXPECT_EQ(state.view.graph_mode, GraphMode::kNothing);
}

TEST(FitDisplayWindow, SelectedGridCellsAreCopiedAsTabSeparatedLines) {
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  ui.ShowFitDisplay(TwoPeakView());
  QTableWidget& grid = *window.StringGrid6;
  EXPECT_TRUE(SelectedCellsText(grid).isEmpty());
  grid.setRangeSelected(QTableWidgetSelectionRange(0, 1, 1, 2), true);
  EXPECT_EQ(SelectedCellsText(grid), "300.12\t150.06\n0.02\t0.01");
}

TEST(FitDisplayWindow, PicturesAreSavedAsBmpFilesAsShownAndAFailedWriteSaysSo) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  AnalysisState state;
  state.display.screen_scale = 1.5;
  TForm1 window(state);
  QtUserInterface ui(window, 1.5, 10);
  const std::string fit_file = QDir(folder.path()).filePath("a.bmp").toStdString();
  EXPECT_FALSE(ui.SavePicture(PictureArea::kFitGraph, fit_file));  // nothing shown yet
  ui.ShowFitDisplay(TwoPeakView());
  ASSERT_TRUE(ui.SavePicture(PictureArea::kFitGraph, fit_file));
  const QImage saved(QString::fromStdString(fit_file), "BMP");
  EXPECT_EQ(saved.size(), QSize(480, 398));
  EXPECT_EQ(QColor(saved.pixel(155, 155)), QColor(0, 255, 255));

  Picture picture = Plain(320, 265, colors::kWhite);
  picture.Add(FillRect{0, 0, 10, 10, colors::kBlack});
  const std::string reversed = QDir(folder.path()).filePath("r.bmp").toStdString();
  ASSERT_TRUE(ui.SavePictureFile(picture, reversed));
  const QImage file(QString::fromStdString(reversed), "BMP");
  EXPECT_EQ(file.size(), QSize(480, 398));
  EXPECT_EQ(QColor(file.pixel(14, 14)), QColor(0, 0, 0));
  EXPECT_EQ(QColor(file.pixel(15, 15)), QColor(255, 255, 255));

  const std::string nowhere = QDir(folder.path()).filePath("no/such/r.bmp").toStdString();
  EXPECT_FALSE(ui.SavePictureFile(picture, nowhere));
  EXPECT_FALSE(ui.SavePicture(PictureArea::kFitGraph, folder.path().toStdString()));
}

TEST(FitDisplayWindow, WaitWindowShowsItsCaptionAndAnEmptyCaptionClosesIt) {
  AnalysisState state;
  TForm1 window(state);
  window.show();
  QtUserInterface ui(window, 1.0, 10);
  ui.ShowWaitWindow("BMP-file forming proceeds. Wait...");
  ASSERT_NE(ui.wait_window(), nullptr);
  EXPECT_TRUE(ui.wait_window()->isVisible());
  EXPECT_FALSE(ui.wait_window()->isModal());
  EXPECT_EQ(ui.wait_window()->windowTitle().toStdString(), "BMP-file forming proceeds. Wait...");
  ui.ShowWaitWindow("");
  EXPECT_EQ(ui.wait_window(), nullptr);
  ui.ShowWaitWindow("");  // closing twice is harmless
}

SyntheticSpec TwoPeaks() {
  SyntheticSpec recipe;
  recipe.channels = 1024;
  recipe.peaks = {{300, 8000, 4}, {312, 6000, 4}};
  recipe.background = {300.0, 800.0, 40.0};
  recipe.seed = 7;
  return recipe;
}

TEST(ParameterTable, ShowsTheFitParametersUnderTheirHeaderInSevenColumns) {
  AnalysisState state;
  LoadIntoSpectrum(GenerateCounts(TwoPeaks()), state.spectrum);
  state.spectrum.w1 = state.spectrum.w2 = 4.0;
  state.fit.fit_first = 285;
  state.fit.fit_last = 330;
  state.fit.fit_peaks = 2;
  state.fit.fit_width = 4.0;
  state.marking.peak_list[1] = 300;
  state.marking.peak_list[2] = 312;
  state.marking.peak_count = 2;
  testing::ScriptedUi fit_ui;
  FitInterval(FitOf(state), fit_ui, 1, false);
  fit_ui.AnswerDialog();
  ShowParameterArray(FitOf(state), fit_ui);  // what the table must show
  const DialogParameterTable expected = fit_ui.dialogs().at(0).table;
  ASSERT_EQ(expected.rows, 10);

  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  bool inspected = false;
  OnNextDialog([&](QDialog& form) {
    auto* grid = form.findChild<QTableWidget*>();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->geometry(), QRect(5, 0, 577, 360));
    ASSERT_EQ(grid->columnCount(), 7);
    ASSERT_EQ(grid->rowCount(), 10);
    const char* header[] = {"", " N", "Lower limit", "Parameter", "Upper limit", " a", " b"};
    const int widths[] = {120, 50, 95, 100, 95, 55, 55};
    for (int c = 0; c < 7; ++c) {
      EXPECT_EQ(grid->horizontalHeaderItem(c)->text().toStdString(), header[c]);
      EXPECT_EQ(grid->columnWidth(c), widths[c]);
    }
    for (int r = 0; r < 10; ++r) {
      for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(grid->item(r, c)->text().toStdString(),
                  expected.cells[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
      }
    }
    EXPECT_EQ(grid->item(4, 0)->text(), "Amplitude1");
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(grid->styleSheet().contains("lime"));
    inspected = true;
    form.reject();
  });
  ShowParameterArray(FitOf(state), ui);
  EXPECT_TRUE(inspected);

  // More than 16 rows leave room for the scroll bar; rows without cells stay blank.
  DialogContent dialog = OpenDialogForm("Parameter array", 100, 610, 430);
  dialog.table.visible = true;
  dialog.table.rows = 17;
  dialog.table.cells = {{"Background0", "1", "-1", "2", "3", "1", "0"}};
  OnNextDialog([](QDialog& form) {
    auto* grid = form.findChild<QTableWidget*>();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->width(), 596);
    EXPECT_EQ(grid->rowCount(), 17);
    EXPECT_EQ(grid->item(0, 3)->text(), "2");
    EXPECT_EQ(grid->item(16, 0)->text(), "");
    form.reject();
  });
  ui.ShowDialog(dialog);
  EXPECT_FALSE(dialog.ok);
}

}  // namespace
}  // namespace pektra
