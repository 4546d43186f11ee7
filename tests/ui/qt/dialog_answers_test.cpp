// Offscreen tests of the dialog renderer: the answers of the elements not covered in
// window_test.cpp, and the Help button inside a showing dialog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "ui/qt/main_window.h"
#include "ui/qt/modal_dialogs.h"
#include "ui/qt/qt_user_interface.h"

namespace pektra {
namespace {

using testing::Captioned;
using testing::OnNextDialog;

TEST(QtDialog, ReturnsMemoTextSecondChoiceDropDownAndListLineOnOk) {
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  DialogContent dialog = OpenDialogForm("Energy calibration");
  ShowMemo(dialog, 5, 150, "E = a + b*x");
  ShowChoiceList(dialog, 0, 160, 10, 80, 60, {" keV", " MeV"}, 1);
  ShowChoiceList(dialog, 1, 160, 80, 80, 60, {" linear", " square", " cubic"}, 0);
  dialog.combo_box = {true, 160, 150, 100, {"Co-60", "Cs-137", "Eu-152"}, 0};
  ShowListBox(dialog, 160, 180, 150, 100, {"first", "second", "third"});

  OnNextDialog([](QDialog& form) {
    form.findChild<QPlainTextEdit*>()->setPlainText("E = 2 + 3*x");
    Captioned<QRadioButton>(form, " cubic")->setChecked(true);
    form.findChild<QComboBox*>()->setCurrentIndex(2);
    form.findChild<QListWidget*>()->setCurrentRow(1);
    Captioned<QPushButton>(form, "OK")->click();
  });
  ui.ShowDialog(dialog);
  ASSERT_TRUE(dialog.ok);
  EXPECT_EQ(dialog.memo.text, "E = 2 + 3*x");
  EXPECT_EQ(dialog.choice_lists[0].selected, 1);  // untouched: its preset
  EXPECT_EQ(dialog.choice_lists[1].selected, 2);
  EXPECT_EQ(dialog.combo_box.selected, 2);
  EXPECT_EQ(dialog.list_box.selected, 1);
}

TEST(QtDialog, HelpHoldsTheButtonsWhileItShowsAndTheDialogAnswersAfterwards) {
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  DialogContent dialog = OpenDialogForm("Nuclide");
  dialog.combo_box = {true, 30, 50, 100, {"Co-60", "Cs-137"}, 0};
  dialog.help_lines = {"Choose the nuclide.", "Then press OK."};
  bool help_shown = false;

  OnNextDialog([&help_shown](QDialog& form) {
    QPushButton* ok = Captioned<QPushButton>(form, "OK");
    QPushButton* help = Captioned<QPushButton>(form, "Help");
    OnNextDialog([&help_shown, &form, ok, help](QDialog& text_window) {
      EXPECT_NE(&text_window, &form);
      EXPECT_FALSE(ok->isEnabled());
      EXPECT_FALSE(help->isEnabled());
      EXPECT_EQ(text_window.findChild<QPlainTextEdit*>()->toPlainText().toStdString(),
                "Choose the nuclide.\nThen press OK.");
      help_shown = true;
      Captioned<QPushButton>(text_window, "OK")->click();
    });
    help->click();
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_TRUE(help->isEnabled());
    form.findChild<QComboBox*>()->setCurrentIndex(1);
    ok->isEnabled() ? ok->click() : form.reject();  // a held OK would leave the dialog open
  });
  ui.ShowDialog(dialog);
  EXPECT_TRUE(help_shown);
  EXPECT_TRUE(dialog.ok);
  EXPECT_EQ(dialog.combo_box.selected, 1);
}

// A heading over the columns of a memo stands over them only in the memo's fixed-pitch font; a
// plain label keeps the form's own.
TEST(QtDialog, AColumnHeadingIsDrawnInTheFontOfTheMemoBelowIt) {
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.5, 12);
  DialogContent dialog = OpenDialogForm("Efficiency");
  ShowLabel(dialog, 0, 15, 362, "       Energy     Efficiency      Error ").column_heading = true;
  ShowLabel(dialog, 1, 15, 380, "Plain");
  ShowMemo(dialog, 15, 290, "  121.78  0.0012  0.00004");
  OnNextDialog([](QDialog& form) {
    const QFont memo = form.findChild<QPlainTextEdit*>()->font();
    for (QLabel* label : form.findChildren<QLabel*>()) {
      const bool heading = label->text().contains("Energy");
      if (!heading && label->text() != "Plain") continue;
      EXPECT_EQ(label->font().family() == memo.family(), heading) << label->text().toStdString();
      if (heading) {
        EXPECT_EQ(label->font().pointSize(), memo.pointSize());
      }
    }
    form.reject();
  });
  ui.ShowDialog(dialog);
}

}  // namespace
}  // namespace pektra
