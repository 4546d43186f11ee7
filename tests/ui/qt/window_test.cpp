// Offscreen tests of the Qt adapter: the window, the picture painter and the dialog renderer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "core/analysis_state.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_user_interface.h"

namespace pektra {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "qt_tests";
  static char* argv[] = {name, nullptr};
  static QApplication application(argc, argv);
  return application;
}

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

// Plays the user on the next modal dialog: runs `act` on it once it is shown.
void OnNextDialog(std::function<void(QDialog&)> act) {
  QTimer::singleShot(0, [act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    act(*dialog);
  });
}

QPushButton* Button(QDialog& dialog, const QString& caption) {
  for (auto* button : dialog.findChildren<QPushButton*>()) {
    if (button->text() == caption) return button;
  }
  return nullptr;
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
    Button(form, "OK")->click();
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
    Button(form, "Save")->click();
    Button(form, "Save")->click();
    Button(form, "Cancel")->click();
  });
  ui.ShowDialog(dialog);
  EXPECT_FALSE(dialog.ok);
  EXPECT_EQ(dialog.edit_line.text, "keep");
  EXPECT_EQ(saves, 1);
  EXPECT_TRUE(dialog.saved);
}

}  // namespace
}  // namespace pektra
