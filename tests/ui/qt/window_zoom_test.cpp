// Offscreen tests of the window's conveniences with real events: zoom and pan of the large graph,
// its keys, the menus' mnemonics and shortcuts, PNG export, and a check box in a low strip.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDialog>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <string>
#include <tuple>

#include "state/analysis_state.h"
#include "support/test_files.h"
#include "ui/commands.h"
#include "ui/graphs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_user_interface.h"

namespace pektra {
namespace {

// A window showing the whole large graph of a 4096-channel spectrum.
struct ZoomWindow {
  AnalysisState state;
  TForm1 window{state};
  QtUserInterface ui{window, 1.0, 10};
  CommandTable table{state, ui};

  ZoomWindow() {
    state.spectrum.a1 = state.spectrum.b1 = 1;
    state.spectrum.a2 = state.spectrum.b2 = 4096;
    for (int c = 1; c <= 4096; ++c) state.spectrum.counts[c] = 10 + (c == 1000 ? 500 : 0);
    state.spectrum.UpdateRange();
    state.view.spectrum_read = true;
    state.spectrum.file_name = "/home/user/data/spectra/a_long_name_of_eu152.spe";
    window.SetCommandTable(&table);
    window.show();
    GraphTheSpectrum(state, ui);
  }
  std::tuple<int, int> Shown() const {
    return {state.view.interval_begin, state.view.interval_end};
  }
  void Wheel(QPoint at, int notches) {
    QWheelEvent wheel(at, window.Image3->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window.Image3, &wheel);
  }
  void Move(QPoint to) {
    QMouseEvent move(QEvent::MouseMove, to, window.Image3->mapToGlobal(to), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.Image3, &move);
  }
};

TEST(WindowZoom, WheelDragHomeAndArrowsMoveTheCadreWhichCommandsThenSee) {
  ZoomWindow w;
  const QPoint at1000(60 + 999 * 512 / 4096, 200);  // channel 1000 under the pointer
  w.Wheel(at1000, 8);                               // eight notches in: 4096 * 0.8^8 = 687
  const auto [begin, end] = w.Shown();
  EXPECT_LT(end - begin + 1, 4096);
  EXPECT_NEAR(end - begin + 1, 687, 1);
  EXPECT_LT(begin, 1000);
  EXPECT_GT(end, 1000);
  EXPECT_NEAR(ChannelAt(w.state, at1000.x()), 1000, 8);  // still under the pointer
  EXPECT_TRUE(w.state.view.cadre_mode);
  EXPECT_TRUE(w.window.Button12->isVisible());  // the cadre buttons step the zoomed window

  // Dragging 100 pixels to the right shows lower channels; the drag is no read-out click.
  const int length = w.state.view.interval_length;
  QTest::mousePress(w.window.Image3, Qt::LeftButton, {}, QPoint(300, 200));
  w.Move(QPoint(350, 200));
  w.Move(QPoint(400, 200));
  QTest::mouseRelease(w.window.Image3, Qt::LeftButton, {}, QPoint(400, 200));
  EXPECT_NEAR(w.state.view.interval_begin, begin - 100.0 * length / 512, 2);
  EXPECT_EQ(w.state.view.interval_length, length);

  // Right steps one window on, Left back; Home the whole spectrum; L the quick scale.
  const int panned = w.state.view.interval_begin;
  QTest::keyClick(&w.window, Qt::Key_Right);
  EXPECT_EQ(w.state.view.interval_begin, panned + length);
  QTest::keyClick(&w.window, Qt::Key_Left);
  EXPECT_EQ(w.state.view.interval_begin, panned);
  QTest::keyClick(&w.window, Qt::Key_Home);
  EXPECT_EQ(w.Shown(), std::make_tuple(1, 4096));
  EXPECT_FALSE(w.state.view.cadre_mode);
  QTest::keyClick(&w.window, Qt::Key_L);
  EXPECT_EQ(w.state.view.scale_mode, ScaleMode::kLn);
  QTest::keyClick(&w.window, Qt::Key_L);
  EXPECT_EQ(w.state.view.scale_mode, ScaleMode::kNormal);

  // Double-click: the whole spectrum again.
  w.Wheel(at1000, 2);
  QTest::mouseDClick(w.window.Image3, Qt::LeftButton, {}, QPoint(200, 200));
  EXPECT_EQ(w.Shown(), std::make_tuple(1, 4096));

  // A short click is still the read-out; the header's name is shortened, the tooltip whole.
  QTest::mouseClick(w.window.Image3, Qt::LeftButton, {}, at1000);
  EXPECT_EQ(w.window.Image3->toolTip().toStdString(), w.state.spectrum.file_name);
}

TEST(WindowZoom, MenusHaveMnemonicsAndShortcutsWithTheCaptionsUnchanged) {
  ZoomWindow w;
  ASSERT_FALSE(w.window.menu_titles.empty());
  EXPECT_EQ(w.window.menu_titles.front()->text(), "&File");
  EXPECT_EQ(w.window.menu_titles.back()->text(), "&Test");
  auto action = [&w](const std::string& name) -> QAction* {
    for (const auto& actions : w.window.menu_actions) {
      for (QAction* a : actions) {
        if (a->objectName().toStdString() == name) return a;
      }
    }
    return nullptr;
  };
  const std::pair<const char*, const char*> expected[] = {{"InputtheSpectrum1", "Ctrl+O"},
                                                          {"SavetheFitResults1", "Ctrl+S"},
                                                          {"AutomaticSpectrumMarking1", "Ctrl+M"},
                                                          {"SpectrumFit1", "Ctrl+F"},
                                                          {"CommonHelp1", "F1"},
                                                          {"Exit1", "Ctrl+Q"},
                                                          {"Undo1", "Ctrl+Z"}};
  for (const auto& [name, keys] : expected) {
    QAction* a = action(name);
    ASSERT_NE(a, nullptr) << name;
    EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(keys))) << name;
  }
  EXPECT_EQ(action("InputtheSpectrum1")->text(), "Input the Spectrum");
  EXPECT_EQ(action("SavetheFitResults1")->text(), "&Save the Fit Results");
}

TEST(WindowZoom, PicturesSaveAsPngByTheExtensionElseBmp) {
  testing::TempDir dir;
  QImage image(20, 10, QImage::Format_RGB32);
  image.fill(Qt::red);
  ASSERT_TRUE(SaveBmp(image, dir.File("a.PNG")));
  ASSERT_TRUE(SaveBmp(image, dir.File("a.bmp")));
  EXPECT_EQ(testing::ReadFile(dir.File("a.PNG")).substr(0, 4), "\x89PNG");
  EXPECT_EQ(testing::ReadFile(dir.File("a.bmp")).substr(0, 2), "BM");
  EXPECT_EQ(QImage(QString::fromStdString(dir.File("a.PNG"))).size(), QSize(20, 10));
}

TEST(WindowDialogs, ACheckBoxInALowStripIsShownWhole) {
  AnalysisState state;
  TForm1 window(state);
  for (const double scale : {1.0, 1.5}) {
    QtUserInterface ui(window, scale, 12);
    DialogContent dialog = OpenDialogForm("Save");
    ShowCheckList(dialog, 40, 120, 200, 44, {" LIM format for res-file", " CSV beside it"},
                  {false, false});
    bool seen = false;
    QTimer::singleShot(0, [&seen] {
      auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      for (QCheckBox* check : form->findChildren<QCheckBox*>()) {
        const QWidget* strip = check->parentWidget();
        EXPECT_GE(check->height(), check->sizeHint().height()) << check->text().toStdString();
        EXPECT_LE(check->geometry().bottom(), strip->height()) << check->text().toStdString();
        seen = true;
      }
      form->reject();
    });
    ui.ShowDialog(dialog);
    EXPECT_TRUE(seen);
  }
}

}  // namespace
}  // namespace pektra

namespace pektra {
namespace {

TEST(WindowDialogs, HelpIsOffForADialogWithoutAText) {
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  for (const bool with_text : {false, true}) {
    DialogContent dialog = OpenDialogForm("Set Test Spectra");
    if (with_text) dialog.help_lines = {"Set Test Spectra: ..."};
    bool enabled = !with_text;
    QTimer::singleShot(0, [&enabled] {
      auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(form, nullptr);
      for (QPushButton* button : form->findChildren<QPushButton*>()) {
        if (button->text() == "Help") enabled = button->isEnabled();
      }
      form->reject();
    });
    ui.ShowDialog(dialog);
    EXPECT_EQ(enabled, with_text);
  }
}

}  // namespace
}  // namespace pektra

namespace pektra {
namespace {

TEST(WindowDialogs, TheResultTableSortsAndCopiesSelectedRowsWithTheHeader) {
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  DialogContent dialog = OpenDialogForm("Result Table");
  DialogListBox& list = ShowListBox(dialog, 10, 25, 530, 340, {" Peak   1", " Errors", " "});
  list.columns = {"Peak", "Channel", "Area"};
  list.rows = {{"1", "100.50", "900"}, {"2", "250.25", "12000"}, {"3", "90.00", "5"}};
  QString copied;
  QString first_after_sort;
  QTimer::singleShot(0, [&] {
    auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(form, nullptr);
    auto* table = form->findChild<QTableWidget*>();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->font().family(), table->horizontalHeader()->font().family());
    EXPECT_EQ(table->item(0, 0)->text(), "1");  // as listed at first
    // A click on "Area" sorts by the number, not the text: 5, 900, 12000.
    QTest::mouseClick(table->horizontalHeader()->viewport(), Qt::LeftButton, {},
                      QPoint(table->horizontalHeader()->sectionViewportPosition(2) + 5, 5));
    first_after_sort = table->item(0, 2)->text();
    table->selectRow(1);
    table->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    copied = QApplication::clipboard()->text();
    form->reject();
  });
  ui.ShowDialog(dialog);
  EXPECT_EQ(first_after_sort, "5");
  EXPECT_EQ(copied.toStdString(), "Peak\tChannel\tArea\n1\t100.50\t900\n");
}

}  // namespace
}  // namespace pektra

namespace pektra {
namespace {

// Answers the spectrum input dialog with the free-field text type, as the user would, once it
// shows (the read may start a little later).
void AnswerTextTypeOnNextDialog(int& dialogs, int tries = 100) {
  QTimer::singleShot(10, [&dialogs, tries] {
    auto* form = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (form == nullptr) {
      if (tries > 0) AnswerTextTypeOnNextDialog(dialogs, tries - 1);
      return;
    }
    ++dialogs;
    const QList<QRadioButton*> radios = form->findChildren<QRadioButton*>();
    if (radios.size() > 2) radios[2]->setChecked(true);
    for (QPushButton* button : form->findChildren<QPushButton*>()) {
      if (button->text() == "OK") button->click();
    }
  });
}

TEST(WindowFiles, ADroppedFileIsReadWithTheInputsQuestionsAndARecentEntryReadsItAlike) {
  testing::TempDir dir;
  std::string counts;
  for (int c = 1; c <= 1024; ++c) counts += std::to_string(c == 500 ? 900 : 20) + "\n";
  const std::string file = dir.File("dropped.txt");
  testing::WriteFile(file, counts);

  AnalysisState state;
  state.files.work_dir = state.input.spectrum_dir = dir.path().string();
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  CommandTable table(state, ui);
  window.SetCommandTable(&table);
  window.show();

  int dialogs = 0;
  AnswerTextTypeOnNextDialog(dialogs);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(file))});
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  // Straight to the window: the application's drag bookkeeping wants a real drag before a drop.
  static_cast<QObject&>(window).event(&drop);
  EXPECT_TRUE(drop.isAccepted());
  QTest::qWait(50);       // the read starts once the drop is over
  EXPECT_EQ(dialogs, 1);  // the same type question as from the menu
  EXPECT_EQ(state.spectrum.file_name, file);
  EXPECT_EQ(state.spectrum.a2, 1024);
  EXPECT_EQ(state.spectrum.counts[500], 900);
  ASSERT_FALSE(TForm1::RecentSpectra().isEmpty());
  EXPECT_EQ(TForm1::RecentSpectra().front().toStdString(), file);

  // The recent entry reads it again as the free-field text it was read as, without the type
  // question (the type read before is another one).
  ASSERT_NE(window.recent_menu(), nullptr);
  ASSERT_FALSE(window.recent_menu()->actions().isEmpty());
  const auto remembered = TForm1::RecentAnswers(QString::fromStdString(file));
  ASSERT_TRUE(remembered.has_value());
  EXPECT_EQ(remembered->file_type, kFreeField);
  state.spectrum.counts[500] = 0;
  state.spectrum.file_type = kBinary32;
  AnswerTextTypeOnNextDialog(dialogs, 5);  // a type question, if one came, would be counted
  window.recent_menu()->actions().front()->trigger();
  QTest::qWait(100);  // until the watch above has ended
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(state.view.dialog_ok, 1);
  EXPECT_EQ(state.spectrum.file_type, kFreeField);
  EXPECT_EQ(state.spectrum.counts[500], 900);
  EXPECT_FALSE(state.input.preset_answers.has_value());

  // An entry kept by an older version (a name alone) still reads, asking the type.
  QSettings(QStringLiteral("PEKTRA"), QStringLiteral("pektra")).remove("recentSpectraAnswers");
  state.spectrum.counts[500] = 0;
  AnswerTextTypeOnNextDialog(dialogs);
  window.recent_menu()->actions().front()->trigger();
  EXPECT_EQ(dialogs, 2);
  EXPECT_EQ(state.spectrum.counts[500], 900);
  EXPECT_TRUE(TForm1::RecentAnswers(QString::fromStdString(file)).has_value());  // kept again
}

TEST(WindowMenus, TheGraphMenusCheckItemsFollowTheState) {
  AnalysisState state;
  TForm1 window(state);
  QtUserInterface ui(window, 1.0, 10);
  CommandTable table(state, ui);
  window.SetCommandTable(&table);
  QAction* points = window.findChild<QAction*>("SpectrumasPoints1");
  QAction* histogram = window.findChild<QAction*>("SpectrumasHistogram1");
  QAction* curve = window.findChild<QAction*>("FittedCurve1");
  ASSERT_TRUE(points && histogram && curve);
  for (QAction* a : {points, histogram, curve}) EXPECT_TRUE(a->isCheckable());
  EXPECT_FALSE(window.findChild<QAction*>("GraphtheSpectrum1")->isCheckable());
  const bool was_histogram = state.view.histogram_drawing;
  histogram->trigger();
  EXPECT_TRUE(state.view.histogram_drawing);
  EXPECT_TRUE(histogram->isChecked());
  EXPECT_FALSE(points->isChecked());
  // A second trigger of the checked item keeps it checked: it chooses, it does not toggle.
  histogram->trigger();
  EXPECT_TRUE(histogram->isChecked());
  const bool shown = state.view.fitted_curves_shown;
  curve->trigger();
  EXPECT_EQ(curve->isChecked(), !shown);
  curve->trigger();
  EXPECT_EQ(curve->isChecked(), shown);
  // The choice is remembered for the next window.
  {
    AnalysisState next_state;
    TForm1 next(next_state);
    QtUserInterface next_ui(next, 1.0, 10);
    CommandTable next_table(next_state, next_ui);
    next.SetCommandTable(&next_table);
    EXPECT_TRUE(next_state.view.histogram_drawing);
    EXPECT_TRUE(next.findChild<QAction*>("SpectrumasHistogram1")->isChecked());
  }
  if (!was_histogram) points->trigger();
  EXPECT_EQ(state.view.histogram_drawing, was_histogram);
}

}  // namespace
}  // namespace pektra
