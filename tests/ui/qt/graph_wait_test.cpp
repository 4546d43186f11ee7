// Offscreen tests of waiting on the large graph: the menus while a command waits, the clicks and
// buttons that end the wait, and what the window does with them when nobody waits.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "state/analysis_state.h"
#include "state/spectrum_history.h"
#include "ui/commands.h"
#include "ui/graphs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/qt_user_interface.h"

namespace pektra {
namespace {

// A window showing the large graph of a 512-channel spectrum with one peak, its port and table.
struct GraphWindow {
  AnalysisState state;
  TForm1 window{state};
  QtUserInterface ui{window, 1.0, 10};
  CommandTable table{state, ui};

  GraphWindow() {
    state.spectrum.a1 = state.spectrum.b1 = 1;
    state.spectrum.a2 = state.spectrum.b2 = 512;
    for (int c = 1; c <= 512; ++c) state.spectrum.counts[c] = c == 100 ? 1000 : 10;
    state.spectrum.max_counts = 1000;
    window.SetCommandTable(&table);
    window.show();
    GraphTheSpectrum(state, ui);
  }

  MenuItem& Item(const std::string& caption) {
    for (MenuDefinition& menu : table.menus()) {
      for (MenuItem& item : menu.items) {
        if (item.caption == caption) return item;
      }
    }
    throw std::runtime_error("no item " + caption);
  }
  QAction* Action(const std::string& caption) {
    for (const std::vector<QAction*>& actions : window.menu_actions) {
      for (QAction* action : actions) {
        if (action->text().toStdString() == caption) return action;
      }
    }
    return nullptr;
  }
  // Whether every menu title and every item that is not a separator has this enabling.
  bool AllMenus(bool enabled) const {
    for (std::size_t m = 0; m < window.menu_titles.size(); ++m) {
      if (window.menu_titles[m]->isEnabled() != enabled) return false;
      for (std::size_t i = 0; i < window.menu_actions[m].size(); ++i) {
        const QAction* action = window.menu_actions[m][i];
        const MenuItem& item = table.menus()[m].items[i];
        // An item off by its own rule (Undo with nothing to undo) stays off either way.
        if (!action->isSeparator() && item.available &&
            action->isEnabled() != (enabled && item.enabled))
          return false;
      }
    }
    return true;
  }
};

// Runs `act` once the event loop runs again, i.e. inside the wait that follows.
void DuringTheWait(std::function<void()> act) { QTimer::singleShot(0, std::move(act)); }

TEST(GraphWait, MenusAreOffWhileACommandWaitsAndClicksOkCancelEndTheWaits) {
  GraphWindow w;
  ASSERT_TRUE(w.window.Image3->isVisible());
  ASSERT_TRUE(w.AllMenus(true));
  std::vector<GraphEvent> events;
  bool menus_off_while_waiting = false;
  bool clear_form_refused = false;
  bool fit_buttons_refused = false;
  // A picking command of the table's kind, in place of "Make the Interval": menus off, the
  // graph's OK and Cancel shown, three waits, menus on again.
  w.Item("Make the Interval").action = [&w, &events, &menus_off_while_waiting, &clear_form_refused,
                                        &fit_buttons_refused] {
    SetMenusEnabled(w.state, w.ui, false);
    w.ui.ShowGraphButtons({true, false});
    w.state.view.graph_mode = GraphMode::kClick;
    DuringTheWait([&] {
      menus_off_while_waiting = w.AllMenus(false) && !w.window.menu_titles.back()->isEnabled();
      // Even a forced trigger of a menu command starts nothing while one waits.
      QAction* clear = w.Action("Clear the Form");
      clear->setEnabled(true);
      clear->trigger();
      clear_form_refused =
          w.window.Image3->isVisible() && w.state.view.graph_mode == GraphMode::kClick;
      QTest::mouseClick(w.window.Button12, Qt::LeftButton);  // hidden cadre button: nothing
      // Two clicks in one pass of the event loop: the first one counts.
      QTest::mouseClick(w.window.Image3, Qt::LeftButton, {}, QPoint(200, 150));
      QTest::mouseClick(w.window.Image3, Qt::LeftButton, {}, QPoint(300, 160));
    });
    events.push_back(w.ui.WaitForGraphEvent());
    DuringTheWait([&] { QTest::mouseClick(w.window.Button10, Qt::LeftButton); });
    events.push_back(w.ui.WaitForGraphEvent());
    DuringTheWait([&] { QTest::mouseClick(w.window.Button11, Qt::LeftButton); });
    events.push_back(w.ui.WaitForGraphEvent());
    // The fit display's buttons and picture start nothing while a command runs.
    FitDisplayView view;
    view.next = view.previous = true;
    w.ui.ShowFitDisplay(view);
    w.state.fit.current_interval = 2;
    for (QPushButton* button : {w.window.Button1, w.window.Button2, w.window.Button4,
                                w.window.Button9, w.window.Button14}) {
      QTest::mouseClick(button, Qt::LeftButton);
    }
    QTest::mouseClick(w.window.Image1, Qt::LeftButton, {}, QPoint(5, 5));
    fit_buttons_refused = w.state.fit.current_interval == 2 && w.table.running();
    w.ui.ShowGraphButtons({false, false});
    w.state.view.graph_mode = GraphMode::kSpectrum;
    SetMenusEnabled(w.state, w.ui, true);
  };
  w.Action("Make the Interval")->trigger();

  EXPECT_TRUE(menus_off_while_waiting);
  EXPECT_TRUE(clear_form_refused);
  EXPECT_TRUE(fit_buttons_refused);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, GraphEvent::Kind::kClick);
  EXPECT_EQ(events[0].x, 200);
  EXPECT_EQ(events[0].y, 150);
  EXPECT_EQ(events[1].kind, GraphEvent::Kind::kOk);
  EXPECT_EQ(events[2].kind, GraphEvent::Kind::kCancel);
  EXPECT_FALSE(w.ui.waiting_for_graph());
  EXPECT_TRUE(w.AllMenus(true));
  EXPECT_TRUE(w.window.menu_titles.back()->isEnabled());  // "Test"
  EXPECT_FALSE(w.window.Button10->isVisible());
}

TEST(GraphWait, WithoutAWaitOkDoesNothingAndAClickReadsTheGraphOut) {
  GraphWindow w;
  w.window.ShowGraphButtons({true, true});
  EXPECT_TRUE(w.window.Button10->isVisible());
  EXPECT_TRUE(w.window.Button13->isVisible());
  const QImage before = w.window.large_graph();
  QTest::mouseClick(w.window.Button10, Qt::LeftButton);
  QTest::mouseClick(w.window.Button11, Qt::LeftButton);
  EXPECT_EQ(w.window.large_graph(), before);
  EXPECT_EQ(w.state.view.graph_mode, GraphMode::kSpectrum);

  // The read-out box at (440, 5) - (590, 85): black inside a lime border.
  QTest::mouseClick(w.window.Image3, Qt::LeftButton, {}, QPoint(160, 200));
  EXPECT_EQ(QColor(w.window.large_graph().pixel(440, 45)), QColor(0, 255, 0));
  EXPECT_EQ(QColor(w.window.large_graph().pixel(445, 80)), QColor(0, 0, 0));
}

TEST(GraphWait, ClosingTheWindowEndsTheWait) {
  GraphWindow w;
  DuringTheWait([&w] { w.window.close(); });
  EXPECT_EQ(w.ui.WaitForGraphEvent().kind, GraphEvent::Kind::kClosed);
  EXPECT_FALSE(w.ui.waiting_for_graph());
}

TEST(GraphWait, MenusChangedShowsTheMarkMenuAndCutTheCadreAtOnce) {
  GraphWindow w;
  QAction* mark = w.window.menu_titles.at(3);
  ASSERT_EQ(mark->text().toStdString(), "&Mark");
  w.state.view.mark_menu_enabled = false;
  w.state.view.cut_cadre_enabled = false;
  w.ui.MenusChanged();
  EXPECT_FALSE(mark->isEnabled());
  EXPECT_FALSE(w.Action("Cut the Cadre")->isEnabled());
  EXPECT_TRUE(w.Action("Graph the Spectrum")->isEnabled());
  GraphTheSpectrum(w.state, w.ui);  // a drawn graph enables both again
  EXPECT_TRUE(mark->isEnabled());
  EXPECT_TRUE(w.Action("Cut the Cadre")->isEnabled());
}

TEST(GraphWait, TheUndoItemNamesWhatItTakesBackAndAnswersCtrlZ) {
  GraphWindow w;
  QAction* undo = w.Action("Undo");
  ASSERT_NE(undo, nullptr);
  EXPECT_EQ(undo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
  EXPECT_FALSE(undo->isEnabled());
  const double before = w.state.spectrum.counts[100];
  RememberSpectrum(w.state, "Compress the Spectrum");
  w.state.spectrum.counts[100] = 5;
  w.window.RefreshMenus();
  EXPECT_EQ(undo->text().toStdString(), "Undo Compress the Spectrum");
  ASSERT_TRUE(undo->isEnabled());
  undo->trigger();
  EXPECT_EQ(w.state.spectrum.counts[100], before);
  EXPECT_EQ(undo->text().toStdString(), "Undo");
  EXPECT_FALSE(undo->isEnabled());
}

}  // namespace
}  // namespace pektra
