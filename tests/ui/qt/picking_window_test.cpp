// Offscreen tests of the picking and the interactive fit display run through the window's menu
// with the real commands: clicks sent to the large graph, the fit display that follows a fit.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "fit/interval_fit.h"
#include "spectrum/synthetic_spectrum.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "ui/commands.h"
#include "ui/graphs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/modal_dialogs.h"
#include "ui/qt/qt_user_interface.h"

namespace pektra {
namespace {

struct MenuWindow {
  AnalysisState state;
  TForm1 window{state};
  QtUserInterface ui{window, 1.0, 10};
  CommandTable table{state, ui};

  MenuWindow() {
    window.SetCommandTable(&table);
    window.show();
  }
  void Run(const std::string& caption) { testing::RunMenuItem(window, caption); }
};

// Plays the user on the large graph: whenever a command waits, the next scripted click goes to
// the graph (or to one of its buttons); the first status line and the menus at each wait are kept.
struct Step {
  QWidget* target;
  QPoint at;
};
class GraphClicker {
 public:
  GraphClicker(MenuWindow& w, std::deque<Step> steps) : w_(w), steps_(std::move(steps)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (!w_.ui.waiting_for_graph() || steps_.empty()) return;
      status_at_waits.push_back(w_.window.Label1->text().toStdString());
      menus_on_at_waits.push_back(w_.window.menu_titles.front()->isEnabled());
      QTest::mouseClick(steps_.front().target, Qt::LeftButton, {}, steps_.front().at);
      steps_.pop_front();
    });
    timer_.start(20);
  }
  std::vector<std::string> status_at_waits;
  std::vector<bool> menus_on_at_waits;

 private:
  MenuWindow& w_;
  std::deque<Step> steps_;
  QTimer timer_;
};

// The spectrum of 512 channels as a whole on the large graph: channel c is plotted at x 60 + c.
void GraphFlatSpectrum(MenuWindow& w) {
  AnalysisState& s = w.state;
  s.spectrum.a1 = s.spectrum.b1 = 1;
  s.spectrum.a2 = s.spectrum.b2 = 512;
  for (int c = 1; c <= 512; ++c) s.spectrum.counts[c] = 10 + (c % 7);
  s.spectrum.max_counts = 16;
  w.Run("Graph the Spectrum");
}

// Needs the picking commands behind "Make the Interval".
TEST(PickingWindow, TwoClicksOnTheGraphMakeTheIntervalThroughTheMenu) {
  MenuWindow w;
  AnalysisState& s = w.state;
  GraphFlatSpectrum(w);
  ASSERT_TRUE(w.window.Image3->isVisible());
  // The end clicked first: the interval comes out ordered.
  const int first = static_cast<int>(std::nearbyint(ChannelAt(s, 360)));
  const int second = static_cast<int>(std::nearbyint(ChannelAt(s, 160)));
  GraphClicker clicker(w,
                       {{w.window.Image3, QPoint(360, 200)}, {w.window.Image3, QPoint(160, 200)}});
  w.Run("Make the Interval");

  EXPECT_EQ(clicker.status_at_waits,
            (std::vector<std::string>{" Click on the beginning ", " Click on the beginning "}));
  EXPECT_EQ(clicker.menus_on_at_waits, (std::vector<bool>{false, false}));
  EXPECT_EQ(w.window.Label2->isVisible(), false);
  EXPECT_EQ(s.spectrum.b1, second);
  EXPECT_EQ(s.spectrum.b2, first);
  EXPECT_EQ(s.view.interval_begin, second);
  EXPECT_EQ(s.view.interval_end, first);
  EXPECT_EQ(s.view.graph_mode, GraphMode::kSpectrum);
  EXPECT_TRUE(w.window.menu_titles.front()->isEnabled());
  EXPECT_TRUE(w.window.Image3->isVisible());
  EXPECT_TRUE(w.window.Button12->isVisible());  // the new window steps by cadres
}

// Needs the picking commands behind "Mark the Peaks ".
TEST(PickingWindow, PeaksAreClickedOnTheGraphCancelTakesTheLastBackAndOkEnds) {
  MenuWindow w;
  AnalysisState& s = w.state;
  GraphFlatSpectrum(w);
  QWidget* graph = w.window.Image3;
  GraphClicker clicker(w, {{graph, QPoint(160, 200)},
                           {graph, QPoint(260, 200)},
                           {w.window.Button11, QPoint(5, 5)},
                           {graph, QPoint(300, 200)},
                           {w.window.Button10, QPoint(5, 5)}});
  w.Run("Mark the Peaks ");

  ASSERT_EQ(clicker.status_at_waits.size(), 5u);
  EXPECT_EQ(clicker.status_at_waits[0], " Click on the peaks, at finish - on OK ");
  EXPECT_EQ(clicker.menus_on_at_waits, std::vector<bool>(5, false));
  ASSERT_EQ(s.marking.peak_count, 2);
  EXPECT_EQ(s.marking.peak_list[1], 100);  // under 1024 channels the clicked channel itself
  EXPECT_EQ(s.marking.peak_list[2], 240);
  EXPECT_EQ(s.view.graph_mode, GraphMode::kSpectrum);
  EXPECT_FALSE(w.window.Button10->isVisible());
  EXPECT_FALSE(w.window.Button11->isVisible());
  EXPECT_TRUE(w.window.menu_titles.front()->isEnabled());
}

// Needs the interactive fit display behind "Interval  Fit".
TEST(FitDisplayThroughTheMenu, ShowsTheFitOfTheIntervalWithItsCurveWhereTheModelPutsIt) {
  MenuWindow w;
  AnalysisState& s = w.state;
  SyntheticSpec recipe;
  recipe.channels = 1024;
  recipe.peaks = {{300, 8000, 4}, {312, 6000, 4}};
  recipe.background = {300.0, 800.0, 40.0};
  recipe.seed = 7;
  LoadIntoSpectrum(GenerateCounts(recipe), s.spectrum);
  s.spectrum.w1 = s.spectrum.w2 = 4.0;
  s.marking.peak_list[1] = 300;
  s.marking.peak_list[2] = 312;
  s.marking.peak_count = 2;
  s.marking.interval_count = 1;
  s.marking.interval_table[1] = IntervalRecord{285, 330, 1, 2};
  w.Run("Interval  Fit");

  ASSERT_TRUE(w.window.Image1->isVisible());
  EXPECT_TRUE(w.window.Image2->isVisible());
  EXPECT_FALSE(w.window.Image3->isVisible());
  EXPECT_FALSE(w.window.Button4->isVisible());  // one interval: no "Previous", no "Next"
  EXPECT_FALSE(w.window.Button2->isVisible());
  EXPECT_TRUE(w.window.Button9->isVisible());
  EXPECT_EQ(w.window.Label3->text().toStdString(), "  Fitting finished. Save the results. ");
  EXPECT_EQ(w.window.StringGrid6->rowCount(), 4);  // two rows per peak
  EXPECT_EQ(w.window.StringGrid6->horizontalHeaderItem(1)->text(), " Channel ");
  EXPECT_EQ(QColor(w.window.centralWidget()->grab().toImage().pixel(100, 400)), QColor(0, 128, 0));
  EXPECT_FALSE(w.window.menu_titles.at(3)->isEnabled());  // "Mark"

  // The aqua curve passes where the fitted model is, at the peak's channel and between peaks.
  const int n = s.fit.fit_last - s.fit.fit_first + 1;
  const QImage& picture = w.window.fit_picture();
  for (int channel : {300, 306, 312}) {
    const int t = channel - s.fit.fit_first + 1;
    const double value = FittedValue(FitOf(s), t);
    const int x = 10 + static_cast<int>(std::nearbyint(t * 300.0 / n));
    const int y = 2 + ScaleY(s.view.scale_mode, s.view.fit_top, value);
    bool aqua = false;
    for (int dx = -1; dx <= 1; ++dx) {
      for (int dy = -1; dy <= 1; ++dy) {
        aqua = aqua || QColor(picture.pixel(x + dx, y + dy)) == QColor(0, 255, 255);
      }
    }
    EXPECT_TRUE(aqua) << "channel " << channel << " at " << x << "," << y;
  }
}

}  // namespace
}  // namespace pektra
