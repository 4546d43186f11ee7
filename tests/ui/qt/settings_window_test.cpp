// Offscreen test of "Form and Font Sizes": the window and the dialogs after it follow the new
// scale and font at once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <cstdlib>

#include "state/analysis_state.h"
#include "ui/commands.h"
#include "ui/qt/main_window.h"
#include "ui/qt/modal_dialogs.h"
#include "ui/qt/qt_user_interface.h"

namespace pektra {
namespace {

using testing::Captioned;
using testing::OnNextDialog;

TEST(FormAndFont, ScaleOneAndAHalfLaysOutTheWindowAndTheNextDialog) {
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, state.display.screen_scale, state.display.font_size);
  CommandTable table(state, ui);
  window.show();
  EXPECT_EQ(window.size(), QSize(630, 470));

  OnNextDialog([](QDialog& form) {
    QRadioButton* scale = Captioned<QRadioButton>(form, "1.5");
    ASSERT_NE(scale, nullptr);
    scale->setChecked(true);
    Captioned<QRadioButton>(form, " Regular (10)")->setChecked(true);
    Captioned<QPushButton>(form, "OK")->click();
  });
  table.RunCaption("Form and Font Sizes");
  EXPECT_EQ(state.display.screen_scale, 1.5);
  EXPECT_EQ(state.display.font_size, 10);
  EXPECT_EQ(window.size(), QSize(945, 705));
  EXPECT_EQ(window.font().pointSize(), 10);

  // The next dialog is drawn at the same scale: 330 x 430 design units.
  QSize dialog_size;
  OnNextDialog([&dialog_size](QDialog& form) {
    dialog_size = form.size();
    // PEKTRA_SCREENSHOT_DIR=docs makes the picture of the dialog in the documentation.
    if (const char* folder = std::getenv("PEKTRA_SCREENSHOT_DIR")) {
      form.grab().save(QString::fromUtf8(folder) + "/settings-marking-dialog.png");
    }
    Captioned<QPushButton>(form, "Cancel")->click();
  });
  table.RunCaption("Set the Marking Data");
  EXPECT_EQ(dialog_size, QSize(495, 645));
  window.close();
}

}  // namespace
}  // namespace pektra
