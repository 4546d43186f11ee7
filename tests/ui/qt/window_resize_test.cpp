// Offscreen tests of a resized main window with real events: the large graph drawn at the size
// shown, the wheel and the clicks mapped on that size, the quick scale button in its corner.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>
#include <deque>
#include <string>
#include <vector>

#include "core/display_settings.h"
#include "state/analysis_state.h"
#include "ui/commands.h"
#include "ui/graphs.h"
#include "ui/qt/main_window.h"
#include "ui/qt/modal_dialogs.h"
#include "ui/qt/qt_user_interface.h"

namespace pektra {
namespace {

// The state comes first, with its screen scale: the window is laid out by it when it is made.
struct ScaledState {
  explicit ScaledState(double scale) { state.display.screen_scale = scale; }
  AnalysisState state;
};

// A window at a screen scale, showing the whole large graph of a 4096-channel spectrum.
struct ResizableWindow : ScaledState {
  explicit ResizableWindow(double scale) : ScaledState(scale), ui(window, scale, 10) {
    state.spectrum.a1 = state.spectrum.b1 = 1;
    state.spectrum.a2 = state.spectrum.b2 = 4096;
    for (int c = 1; c <= 4096; ++c) state.spectrum.counts[c] = 10 + (c == 1000 ? 500 : 0);
    state.spectrum.UpdateRange();
    window.SetCommandTable(&table);
    window.show();
    GraphTheSpectrum(state, ui);
  }
  // Resizes the window and waits until the graph has followed.
  void Resize(int width, int height) {
    window.resize(width, height);
    QTest::qWait(200);
  }
  // The pixel on the graph of channel c in the window shown.
  int PixelOf(int c) const { return ScaleToScreen(PlotX(state, c), state.display.screen_scale); }
  void Wheel(QPoint at, int notches) {
    QWheelEvent wheel(at, window.Image3->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window.Image3, &wheel);
  }
  void Run(const std::string& caption) { testing::RunMenuItem(window, caption); }

  TForm1 window{state};
  QtUserInterface ui;
  CommandTable table{state, ui};
};

// Whenever a command waits for the graph, the next click goes to the graph or to a button.
class Clicker {
 public:
  Clicker(ResizableWindow& w, std::deque<std::pair<QWidget*, QPoint>> clicks)
      : w_(w), clicks_(std::move(clicks)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (!w_.ui.waiting_for_graph() || clicks_.empty()) return;
      QTest::mouseClick(clicks_.front().first, Qt::LeftButton, {}, clicks_.front().second);
      clicks_.pop_front();
    });
    timer_.start(20);
  }

 private:
  ResizableWindow& w_;
  std::deque<std::pair<QWidget*, QPoint>> clicks_;
  QTimer timer_;
};

TEST(WindowResize, AGraphResizedTo1200x900FillsTheWindowAndWheelAndClicksHitTheirChannels) {
  ResizableWindow w(1.0);
  ASSERT_EQ(w.window.large_graph().size(), QSize(630, 424));  // the stated size at first
  w.Resize(1200, 900);
  ASSERT_EQ(w.window.size(), QSize(1200, 900));
  // The graph grows by what the window grew: 570 x 430 more.
  EXPECT_EQ(w.state.view.graph_width, 1200);
  EXPECT_EQ(w.state.view.graph_height, 854);
  EXPECT_EQ(w.window.Image3->size(), QSize(1200, 854));
  EXPECT_GE(w.window.Image3->height(), w.window.centralWidget()->height() - 50);
  const QImage& graph = w.window.large_graph();
  ASSERT_EQ(graph.size(), QSize(1200, 854));
  // The black plot reaches the grown corner; the blue strip stands at the new right edge.
  EXPECT_EQ(QColor(graph.pixel(577 + 570 - 3, 366 + 430 - 3)), QColor(Qt::black));
  EXPECT_EQ(QColor(graph.pixel(577 + 570 + 3, 366 + 430 - 3)), QColor(128, 0, 0));
  EXPECT_EQ(QColor(graph.pixel(1195, 300)), QColor(Qt::blue));
  // Channel 1000's peak point at its place on the wider plot.
  EXPECT_EQ(QColor(graph.pixel(w.PixelOf(1000), 103)), QColor(255, 0, 255));

  // The wheel over channel 1000 narrows the window around it.
  const QPoint at1000(w.PixelOf(1000), 300);
  w.Wheel(at1000, 8);
  EXPECT_NEAR(w.state.view.interval_length, 687, 1);
  EXPECT_LT(w.state.view.interval_begin, 1000);
  EXPECT_GT(w.state.view.interval_end, 1000);
  EXPECT_NEAR(ChannelAt(w.state, at1000.x()) - 1, 1000, 1);

  // A peak clicked on the zoomed, resized graph is the channel under the pointer (under 1024
  // channels shown the click is not moved to a higher neighbour).
  const int near_right_end = w.state.view.interval_end - 20;
  const std::deque<std::pair<QWidget*, QPoint>> clicks{
      {w.window.Image3, QPoint(w.PixelOf(1000), 300)},
      {w.window.Image3, QPoint(w.PixelOf(near_right_end), 300)},
      {w.window.Button10, QPoint(5, 5)}};
  Clicker clicker(w, clicks);
  w.Run("Mark the Peaks ");
  ASSERT_EQ(w.state.marking.peak_count, 2);
  EXPECT_NEAR(w.state.marking.peak_list[1], 1000, 1);
  EXPECT_NEAR(w.state.marking.peak_list[2], near_right_end, 1);
}

TEST(WindowResize, TheQuickScaleButtonSitsInTheGraphsCornerAndTogglesLikeTheKey) {
  ResizableWindow w(1.5);
  QToolButton* button = w.window.quick_scale;
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(button->isVisible());
  EXPECT_EQ(button->toolTip(), "Normal / LN scale (L)");
  for (const QSize size : {QSize(945, 705), QSize(1400, 1000)}) {
    w.Resize(size.width(), size.height());
    // In the blue strip at the graph's right edge, clear of the read-out box.
    EXPECT_LE(button->geometry().right(), w.window.Image3->width()) << size.width();
    EXPECT_GE(button->x(), w.window.Image3->width() - ScaleToScreen(30, 1.5)) << size.width();
  }
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(w.state.view.scale_mode, ScaleMode::kLn);
  EXPECT_TRUE(button->isChecked());
  QTest::keyClick(&w.window, Qt::Key_L);  // the key still reaches the window
  EXPECT_EQ(w.state.view.scale_mode, ScaleMode::kNormal);
  EXPECT_FALSE(button->isChecked());

  // Smaller than the stated size it cannot be made; the graph is the stated size again.
  w.Resize(500, 400);
  EXPECT_EQ(w.window.size(), QSize(945, 705));
  EXPECT_EQ(w.window.large_graph().size(), QSize(945, 636));

  // Without a graph the button is gone with it.
  w.window.ClearForm();
  EXPECT_FALSE(button->isVisible());
}

// A status line longer than the window ends inside it, the whole line in its tooltip; a wider
// window shows it whole.
TEST(WindowResize, ALongStatusLineEndsInsideTheWindowAndShowsWholeWhenThereIsRoom) {
  ResizableWindow w(1.0);
  const QString line =
      "Energy calibration of the file in force: E = 0.33973 + 0.18297 i + 5.5683e-09 i^2 "
      "(i = channel)";
  w.window.ShowStatus("Spectrum read in.", line);
  QLabel* label = w.window.Label2;
  EXPECT_LE(label->geometry().right(), w.window.width());
  EXPECT_TRUE(label->text().endsWith(QChar(0x2026))) << label->text().toStdString();
  EXPECT_EQ(label->toolTip(), line);
  EXPECT_EQ(w.window.Label1->text(), "Spectrum read in.");
  EXPECT_TRUE(w.window.Label1->toolTip().isEmpty());

  w.Resize(1400, 900);
  EXPECT_EQ(label->text(), line);
  EXPECT_TRUE(label->toolTip().isEmpty());
  EXPECT_LE(label->geometry().right(), w.window.width());
}

}  // namespace
}  // namespace pektra
