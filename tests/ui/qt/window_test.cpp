// Offscreen tests of the Qt adapter: the window, the picture painter and the dialog renderer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

#include <QKeyEvent>
#include <QMenuBar>
#include <QTableWidget>

#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "ui/commands.h"
#include "ui/graphs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/modal_dialogs.h"
#include "ui/qt/qt_user_interface.h"

namespace pektra {
namespace {

using testing::Captioned;
using testing::OnNextDialog;

// The application object of the test program (qt_test_main.cpp).
QApplication& App() { return *qobject_cast<QApplication*>(QCoreApplication::instance()); }

TEST(MainWindow, OpensWithCaptionAtDesignSizeTimesScaleAndCloses) {
  App();
  AnalysisState state;
  TForm1 window(state);
  window.show();
  EXPECT_EQ(window.windowTitle().toStdString(), kMainCaption);
  EXPECT_NE(window.windowTitle().indexOf("2010"), -1);
  EXPECT_EQ(window.size(), QSize(630, 470));
  EXPECT_TRUE(window.font().bold());

  state.display.screen_scale = 1.5;
  window.ApplyLayout();
  EXPECT_EQ(window.size(), QSize(945, 705));
  EXPECT_TRUE(window.close());
  EXPECT_FALSE(window.isVisible());
}

TEST(MainWindow, ClosingAsksTheExitLogicFirst) {
  App();
  AnalysisState state;
  TForm1 window(state);
  window.show();
  bool allow = false;
  int asked = 0;
  window.close_guard = [&] {
    ++asked;
    return allow;
  };
  EXPECT_FALSE(window.close());  // e.g. "Results not saved. Quit?" answered No
  EXPECT_TRUE(window.isVisible());
  allow = true;
  EXPECT_TRUE(window.close());
  EXPECT_EQ(asked, 2);
}

TEST(MainWindow, EmptyStatusLineIsHidden) {
  App();
  AnalysisState state;
  TForm1 window(state);
  window.show();
  window.ShowStatus("Spectrum read in.", "");
  EXPECT_TRUE(window.Label1->isVisible());
  EXPECT_FALSE(window.Label2->isVisible());
  EXPECT_EQ(window.Label1->text().toStdString(), "Spectrum read in.");
}

TEST(PaintPicture, PaintsEachKindOfItemAtScaledPositions) {
  App();
  Picture picture;
  picture.width = 100;
  picture.height = 50;
  picture.background = colors::kBlack;
  picture.Add(FillRect{0, 0, 10, 10, colors::kMaroon});
  picture.Add(PlusMark{50, 20, colors::kFuchsia});
  picture.Add(DottedLine{20, 40, 3, 5, false, colors::kLime});

  const QImage image = PaintPicture(picture, 1.0);
  ASSERT_EQ(image.size(), QSize(100, 50));
  EXPECT_EQ(QColor(image.pixel(5, 5)), QColor(128, 0, 0));
  EXPECT_EQ(QColor(image.pixel(10, 10)), QColor(0, 0, 0));  // right and bottom exclusive
  for (auto [x, y] : {std::pair{50, 20}, {51, 20}, {49, 20}, {50, 21}, {50, 19}}) {
    EXPECT_EQ(QColor(image.pixel(x, y)), QColor(255, 0, 255)) << x << "," << y;
  }
  EXPECT_EQ(QColor(image.pixel(51, 21)), QColor(0, 0, 0));
  EXPECT_EQ(QColor(image.pixel(30, 40)), QColor(0, 255, 0));
  EXPECT_EQ(QColor(image.pixel(32, 40)), QColor(0, 0, 0));  // between the dots

  const QImage scaled = PaintPicture(picture, 1.5);
  EXPECT_EQ(scaled.size(), QSize(150, 75));
  EXPECT_EQ(QColor(scaled.pixel(75, 30)), QColor(255, 0, 255));
}

// A label keeps its size relative to the lines it names: at scale 1.5 its text is half as wide
// again, not left at the size of scale 1 between lines half as far apart again.
TEST(PaintPicture, TextsGrowWithTheScale) {
  App();
  Picture picture;
  picture.width = 200;
  picture.height = 40;
  picture.background = colors::kBlack;
  picture.Add(Text{5, 5, "1086.74", colors::kWhite, 8});
  auto text_width = [&picture](double scale) {
    const QImage image = PaintPicture(picture, scale);
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if (QColor(image.pixel(x, y)).lightness() < 128) continue;
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
    return right - left + 1;
  };
  const double ratio = static_cast<double>(text_width(1.5)) / text_width(1.0);
  EXPECT_NEAR(ratio, 1.5, 0.2);
}

TEST(QtDialog, ReturnsTypedTextChosenItemAndTickedBoxesOnOk) {
  App();
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  DialogContent dialog = OpenDialogForm("Spectrum compression");
  dialog.edit_line = {true, 30, 50, 260, "2"};
  dialog.choice_lists[0].visible = true;
  dialog.choice_lists[0].items = {" one", " two", " three"};
  dialog.choice_lists[0].selected = 0;
  dialog.check_list.visible = true;
  dialog.check_list.items = {" a", " b"};
  dialog.check_list.checked = {true, false};

  OnNextDialog([](QDialog& form) {
    EXPECT_EQ(form.windowTitle().toStdString(), "   Spectrum compression");
    form.findChild<QLineEdit*>()->setText("3.5");
    form.findChildren<QRadioButton*>().at(2)->setChecked(true);
    auto boxes = form.findChildren<QCheckBox*>();
    boxes.at(0)->setChecked(false);
    boxes.at(1)->setChecked(true);
    Captioned<QPushButton>(form, "OK")->click();
  });
  ui.ShowDialog(dialog);
  EXPECT_TRUE(dialog.ok);
  EXPECT_EQ(dialog.edit_line.text, "3.5");
  EXPECT_EQ(dialog.choice_lists[0].selected, 2);
  EXPECT_EQ(dialog.check_list.checked, (std::vector<bool>{false, true}));
}

TEST(QtDialog, CancelLeavesAnswersAsPresetAndSaveWritesOnce) {
  App();
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  DialogContent dialog = OpenDialogForm("Results", 250, 330, 430, /*with_save=*/true);
  dialog.edit_line = {true, 30, 50, 260, "keep"};
  int saves = 0;
  dialog.on_save = [&saves](const DialogContent&) { ++saves; };

  OnNextDialog([](QDialog& form) {
    form.findChild<QLineEdit*>()->setText("changed");
    Captioned<QPushButton>(form, "Save")->click();
    Captioned<QPushButton>(form, "Save")->click();
    Captioned<QPushButton>(form, "Cancel")->click();
  });
  ui.ShowDialog(dialog);
  EXPECT_FALSE(dialog.ok);
  EXPECT_EQ(dialog.edit_line.text, "keep");
  EXPECT_EQ(saves, 1);
  EXPECT_TRUE(dialog.saved);
}

TEST(MainWindow, MenuBarHoldsEveryMenuAndCaptionOfTheCommandTableInOrder) {
  App();
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  CommandTable table(state, ui);
  window.SetCommandTable(&table);
  const QList<QAction*> menus = window.menuBar()->actions();
  ASSERT_EQ(static_cast<std::size_t>(menus.size()), table.menus().size());
  for (std::size_t m = 0; m < table.menus().size(); ++m) {
    // The title with its mnemonic: "&File" opens with Alt+F.
    EXPECT_EQ(menus[static_cast<int>(m)]->text().toStdString(), "&" + table.menus()[m].caption);
    const std::vector<MenuItem>& items = table.menus()[m].items;
    if (items.empty()) continue;
    QList<QAction*> actions = menus[static_cast<int>(m)]->menu()->actions();
    if (m == 0) {  // File ends with the window's own "Recent Spectra"
      ASSERT_FALSE(actions.isEmpty());
      EXPECT_EQ(actions.back()->objectName(), "RecentSpectra");
      actions.removeLast();
    }
    ASSERT_EQ(static_cast<std::size_t>(actions.size()), items.size()) << items.front().caption;
    for (std::size_t i = 0; i < items.size(); ++i) {
      const QAction* action = actions[static_cast<int>(i)];
      EXPECT_EQ(action->isSeparator(), items[i].separator);
      if (!items[i].separator) {
        EXPECT_EQ(action->text().toStdString(), items[i].caption);
        EXPECT_EQ(action->isEnabled(), items[i].enabled) << items[i].caption;
      }
    }
  }
}

TEST(QtDialog, GridReturnsTypedCellsAndEscCancels) {
  App();
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  DialogContent dialog = OpenDialogForm("Find the Peaks");
  dialog.grid.visible = true;
  dialog.grid.rows = 2;
  dialog.grid.value_columns = 1;
  dialog.grid.labels = {" Width", " Sensitivity"};
  dialog.grid.column_widths = {200, 70};
  dialog.grid.cells = {{"       4"}, {"       1"}};
  OnNextDialog([](QDialog& form) {
    auto* grid = form.findChild<QTableWidget*>();
    grid->item(1, 0)->setText("2.5");
    Captioned<QPushButton>(form, "OK")->click();
  });
  ui.ShowDialog(dialog);
  EXPECT_TRUE(dialog.ok);
  EXPECT_EQ(dialog.grid.cells[1][0], "2.5");
  EXPECT_EQ(dialog.grid.cells[0][0], "       4");

  DialogContent second = OpenDialogForm("Smoothing");
  second.memo.visible = true;
  second.memo.width = 300;
  OnNextDialog([](QDialog& form) {
    QWidget* focus = form.findChild<QPlainTextEdit*>();
    focus->setFocus();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(focus, &escape);
  });
  ui.ShowDialog(second);
  EXPECT_FALSE(second.ok);
}

TEST(PaintPicture, LargeGraphHasABlackPlotAreaAndFuchsiaMarksAtTheirChannels) {
  App();
  AnalysisState state;
  state.spectrum.a1 = state.spectrum.b1 = 1;
  state.spectrum.a2 = state.spectrum.b2 = 512;
  for (int c = 1; c <= 512; ++c) state.spectrum.counts[c] = c == 100 ? 1000 : 0;
  state.view.interval_begin = 1;
  state.view.interval_end = 512;
  state.view.interval_length = 512;
  const QImage image = PaintPicture(LargeGraphPicture(state, 1000), 1.0);
  EXPECT_EQ(QColor(image.pixel(300, 250)), QColor(0, 0, 0));  // plot area
  // Channel 100 of 512: x = 60 + 100, at the top of the scale: y = 100 + 3.
  EXPECT_EQ(QColor(image.pixel(160, 103)), QColor(255, 0, 255));
  EXPECT_EQ(QColor(image.pixel(160, 200)), QColor(0, 0, 0));      // nothing between
  EXPECT_EQ(QColor(image.pixel(200, 343)), QColor(255, 0, 255));  // channel 140 at zero
}

}  // namespace
}  // namespace pektra
