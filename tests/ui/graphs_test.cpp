// The large graph: scales, the channel <-> screen mapping, cadres, the picture and the read-out
// box.
#include "ui/graphs.h"

#include <cmath>
#include <string>
#include <tuple>
#include <type_traits>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "core/display_settings.h"
#include "core/number_format.h"
#include "state/analysis_state.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace pektra {
namespace {

using testing::ScriptedUi;

// A spectrum of channels 1..last with every count `level`.
void FlatSpectrum(AnalysisState& state, int last, double level) {
  TSpectrum& sp = state.spectrum;
  sp.a1 = 1;
  sp.a2 = last;
  for (int c = 1; c <= last; ++c) sp.counts[c] = level;
  sp.UpdateRange();
}

template <typename Op>
std::vector<Op> OpsOf(const Picture& picture) {
  std::vector<Op> found;
  for (const DrawOp& op : picture.ops) {
    if (const auto* item = std::get_if<Op>(&op)) found.push_back(*item);
  }
  return found;
}

std::vector<std::string> TextsOf(const Picture& picture) {
  std::vector<std::string> texts;
  for (const Text& t : OpsOf<Text>(picture)) texts.push_back(t.text);
  return texts;
}

bool HasText(const Picture& picture, const std::string& text) {
  for (const std::string& t : TextsOf(picture)) {
    if (t == text) return true;
  }
  return false;
}

TEST(LargeGraphScaleTest, ScaleTopAndScaleYInTheFourModes) {
  // Normal: the plot runs from 243 (zero) to 3 (the top); halves round to even.
  EXPECT_EQ(ScaleTop(ScaleMode::kNormal, 0.5, 1000), 1000);
  EXPECT_EQ(ScaleY(ScaleMode::kNormal, 1000, 1000), 3);
  EXPECT_EQ(ScaleY(ScaleMode::kNormal, 1000, 0), 243);
  EXPECT_EQ(ScaleY(ScaleMode::kNormal, 480, 1), 242);   // 242.5
  EXPECT_EQ(ScaleY(ScaleMode::kNormal, 0, 0.05), 123);  // the top is at least 0.1

  const double sqrt_top = ScaleTop(ScaleMode::kSqrt, 0.5, -1000);
  EXPECT_DOUBLE_EQ(sqrt_top, std::sqrt(1000.0));
  EXPECT_EQ(ScaleY(ScaleMode::kSqrt, sqrt_top, 250), 123);
  EXPECT_EQ(ScaleY(ScaleMode::kSqrt, sqrt_top, -1000), 3);

  const double ln_top = ScaleTop(ScaleMode::kLn, 0.5, 999);
  EXPECT_DOUBLE_EQ(ln_top, std::log(1000.0));
  EXPECT_EQ(ScaleY(ScaleMode::kLn, ln_top, 999), 3);
  EXPECT_EQ(ScaleY(ScaleMode::kLn, ln_top, std::sqrt(1000.0) - 1), 123);

  // Trimmed at 0.5: everything above half the maximum sits on the top line.
  const double trimmed_top = ScaleTop(ScaleMode::kTrimmed, 0.5, 1000);
  EXPECT_EQ(trimmed_top, 500);
  EXPECT_EQ(ScaleY(ScaleMode::kTrimmed, trimmed_top, 501), 3);
  EXPECT_EQ(ScaleY(ScaleMode::kTrimmed, trimmed_top, 1000), 3);
  EXPECT_EQ(ScaleY(ScaleMode::kTrimmed, trimmed_top, 250), 123);
}

TEST(LargeGraphMappingTest, ChannelAtInvertsThePlottedPositionAtEveryScreenScaleAndSize) {
  AnalysisState state;
  state.view.interval_begin = 101;
  state.view.interval_end = 612;
  state.view.interval_length = 512;
  // The stated size, and a graph grown by 395 x 280 units (a window of 1200 x 900 pixels at 1.5).
  for (const auto& [width, height] : {std::pair{630, 424}, std::pair{1025, 704}}) {
    state.view.graph_width = width;
    state.view.graph_height = height;
    const int plot_width = 512 + width - 630;      // 907 units for 512 channels when grown
    for (const double scale : {1.0, 1.25, 1.5}) {  // from one pixel per channel up
      state.display.screen_scale = scale;
      for (int c = 101; c <= 612; ++c) {
        const int screen_x = ScaleToScreen(PlotX(state, c), scale);
        const double at = ChannelAt(state, screen_x);
        if (scale == 1.0 && width == 630) {  // one unit per channel
          ASSERT_EQ(PlotX(state, c), 60 + c - 100);
          ASSERT_EQ(at, c + 1);
        }
        if (width == 630) {
          ASSERT_EQ(std::nearbyint(at) - 1, c) << "scale " << scale;
        } else {
          // Between whole units per channel a plotted point is rounded twice, to a design unit
          // and to a pixel, so a click on it may be a little over half a channel away.
          ASSERT_NEAR(at - 1, c, 0.55) << "scale " << scale << " width " << width;
        }
      }
      ASSERT_EQ(PlotX(state, 612), 60 + plot_width);  // the last channel at the plot's right end
    }
    // The plot's zero line and top move with its height: 240 units high at the stated size.
    EXPECT_EQ(PlotY(state, 1000, 0), 100 + 3 + 240 + height - 424);
    EXPECT_EQ(PlotY(state, 1000, 1000), 103);
    EXPECT_EQ(PlotY(state, 1000, 500), 103 + (240 + height - 424) / 2);
  }
}

TEST(LargeGraphMappingTest, FourThousandChannelsShareUnitsAndTicksStepBy512) {
  AnalysisState state;
  FlatSpectrum(state, 4096, 10);
  ScriptedUi ui;
  GraphTheSpectrum(state, ui);
  EXPECT_EQ(state.view.interval_length, 4096);
  EXPECT_EQ(PlotX(state, 1), 60);  // 0.125
  EXPECT_EQ(PlotX(state, 4), 60);  // 0.5 rounds to even
  EXPECT_EQ(PlotX(state, 5), 61);  // 0.625
  EXPECT_EQ(PlotX(state, 4096), 572);
  EXPECT_EQ(ChannelAt(state, 61), 9);

  ASSERT_EQ(ui.pictures().size(), 1u);
  const Picture& picture = ui.pictures()[0].second;
  for (const char* label : {"     1", "   513", "  1025", "  3585", "  4097", "  513.0", " 4097.0",
                            "Chan.:", "Energy:"}) {
    EXPECT_TRUE(HasText(picture, label)) << label;
  }
  EXPECT_EQ(OpsOf<PlusMark>(picture).size(), 4096u);
}

TEST(LargeGraphPictureTest, GraphTheSpectrumDrawsHeaderPointsAndPeakTicks) {
  AnalysisState state;
  FlatSpectrum(state, 512, 0);
  state.spectrum.counts[100] = 1000;
  state.spectrum.counts[101] = 500;
  state.spectrum.UpdateRange();
  state.spectrum.file_name = "run7.dat";
  state.view.spectrum_read = true;
  state.marking.peak_count = 2;
  state.marking.peak_list[1] = 99.6;  // drawn at channel 100
  state.marking.peak_list[2] = 600;   // outside the window
  ScriptedUi ui;
  GraphTheSpectrum(state, ui);

  EXPECT_EQ(state.view.graph_mode, GraphMode::kSpectrum);
  EXPECT_FALSE(state.view.cadre_mode);
  EXPECT_EQ(state.view.interval_begin, 1);
  EXPECT_EQ(state.view.interval_end, 512);
  ASSERT_EQ(ui.pictures().size(), 1u);
  EXPECT_EQ(ui.pictures()[0].first, PictureArea::kLargeGraph);
  const Picture& picture = ui.pictures()[0].second;
  const auto marks = OpsOf<PlusMark>(picture);
  ASSERT_EQ(marks.size(), 512u);
  EXPECT_EQ(marks[99].x, 160);
  EXPECT_EQ(marks[99].y, 103);
  EXPECT_EQ(marks[100].x, 161);
  EXPECT_EQ(marks[100].y, 223);
  EXPECT_EQ(marks[0].y, 343);

  EXPECT_TRUE(HasText(picture, "run7.dat"));
  EXPECT_TRUE(HasText(picture, "CHANNELS  =  1  -  512"));
  EXPECT_TRUE(HasText(picture, "MAX  =           1000"));
  EXPECT_TRUE(HasText(picture, "     1000"));  // the top of the vertical scale

  const auto ticks = OpsOf<Polyline>(picture);
  ASSERT_EQ(ticks.size(), 1u);
  EXPECT_EQ(ticks[0].xs, (std::vector<double>{160, 160}));
}

TEST(LargeGraphCadreTest, CadresStayInsideTheSpectrumKeepingTheirLength) {
  AnalysisState state;
  FlatSpectrum(state, 1000, 5);
  state.spectrum.counts[950] = 77;
  state.spectrum.b1 = 801;
  state.spectrum.b2 = 900;
  ScriptedUi ui;
  GraphTheInterval(state, ui);
  EXPECT_EQ(state.view.graph_mode, GraphMode::kInterval);
  EXPECT_TRUE(state.view.cadre_mode);
  EXPECT_EQ(state.view.interval_length, 100);

  NextCadre(state, ui);
  EXPECT_EQ(state.view.interval_begin, 901);
  EXPECT_EQ(state.view.interval_end, 1000);
  NextCadre(state, ui);  // past the end: the last 100 channels again
  EXPECT_EQ(state.view.interval_begin, 901);
  EXPECT_EQ(state.view.interval_end, 1000);
  EXPECT_EQ(state.view.interval_length, 100);
  // Drawn with the largest count of the cadre, not of the spectrum.
  EXPECT_TRUE(HasText(ui.pictures().back().second, "MAX  =             77"));

  state.view.interval_begin = 31;
  state.view.interval_end = 130;
  PreviousCadre(state, ui);  // before the start: the first 100 channels
  EXPECT_EQ(state.view.interval_begin, 1);
  EXPECT_EQ(state.view.interval_end, 100);
  EXPECT_TRUE(HasText(ui.pictures().back().second, "MAX  =              5"));
  EXPECT_EQ(ui.pictures().size(), 4u);
}

TEST(LargeGraphReadOutTest, AClickOnAPeakShowsItsCountsPositionEnergyAreaAndWidth) {
  AnalysisState state;
  FlatSpectrum(state, 512, 10);
  const double sigma = 5.0 / std::sqrt(8.0 * std::log(2.0));  // FWHM 5
  for (int c = 1; c <= 512; ++c) {
    state.spectrum.counts[c] += 1000.0 * std::exp(-0.5 * std::pow((c - 200) / sigma, 2));
  }
  state.spectrum.UpdateRange();
  ScriptedUi ui;
  GraphTheSpectrum(state, ui);

  // Outside the plot area or without a graph, nothing happens.
  EXPECT_FALSE(ReadOutClick(state, ui, 59, 200));
  EXPECT_FALSE(ReadOutClick(state, ui, 300, 356));
  EXPECT_FALSE(ReadOutClick(state, ui, 300, 99));
  state.view.graph_mode = GraphMode::kNothing;
  EXPECT_FALSE(ReadOutClick(state, ui, 260, 200));
  state.view.graph_mode = GraphMode::kSpectrum;
  EXPECT_EQ(ui.pictures().size(), 1u);

  ASSERT_TRUE(ReadOutClick(state, ui, 262, 200));  // channel 202, probed to the peak at 200
  ASSERT_EQ(ui.pictures().size(), 2u);
  const Picture& picture = ui.pictures()[1].second;
  EXPECT_EQ(OpsOf<PlusMark>(picture).size(), 512u);
  EXPECT_EQ(OpsOf<Frame>(picture).size(), 1u);
  const std::vector<std::string> texts = TextsOf(picture);
  ASSERT_GE(texts.size(), 5u);
  // Area: 1000 * sigma * sqrt(2 pi) = 5322.5.
  EXPECT_EQ(
      std::vector<std::string>(texts.end() - 5, texts.end()),
      (std::vector<std::string>{"Counts=          652", "Position =    200.0", "Energy  =  200.00",
                                "Area  =       5322", "Width  =    5.0"}));
}

TEST(LargeGraphExportTest, SpectrumToBmpNeedsAGraphAndReportsAFailedWrite) {
  AnalysisState state;
  ScriptedUi ui;
  SpectrumToBmp(state, ui);  // no graph: nothing asked
  EXPECT_TRUE(ui.events().empty());

  testing::TempDir dir;
  const std::string name = dir.File("sp.bmp");
  state.view.graph_mode = GraphMode::kSpectrum;
  state.files.work_dir = dir.path().string();
  ui.AnswerFile(name);
  SpectrumToBmp(state, ui);  // the scripted window cannot save pictures
  ASSERT_EQ(ui.file_questions().size(), 1u);
  EXPECT_EQ(ui.file_questions()[0].proposed_name, "sp.bmp");
  EXPECT_EQ(ui.file_questions()[0].directory, dir.path().string());  // like the other saves
  EXPECT_EQ(ui.notes(),
            (std::vector<std::string>{"Error, the file " + name + " could not be written"}));
}

TEST(LargeGraphHeaderTest, NameElidedInTheMiddleAndNoNameBeforeASpectrumIsRead) {
  EXPECT_EQ(ElideMiddle("/home/user/data/spectra/eu152.spe", 19), "/home/\xE2\x80\xA6ra/eu152.spe");
  EXPECT_EQ(ElideMiddle("eu152.spe", 19), "eu152.spe");
  EXPECT_EQ(ElideMiddle("1234567890123456789", 19), "1234567890123456789");
  // A character of several bytes is never cut in two.
  const std::string cyrillic =
      "/\xD0\xB4\xD0\xB0\xD0\xBD\xD0\xBD\xD1\x8B\xD0\xB5/abcdefgh/eu152.spe";
  EXPECT_EQ(ElideMiddle(cyrillic, 10),
            "/\xD0\xB4\xD0\xB0\xE2\x80\xA6"
            "52.spe");

  AnalysisState state;
  FlatSpectrum(state, 100, 10);
  state.spectrum.file_name = "from_the_init_file.spe";
  ScriptedUi ui;
  GraphTheSpectrum(state, ui);
  EXPECT_TRUE(HasText(LargeGraphPicture(state, 10), "no spectrum read"));
  EXPECT_FALSE(HasText(LargeGraphPicture(state, 10), "from_the_init_file.spe"));
  state.view.spectrum_read = true;
  const Picture read = LargeGraphPicture(state, 10);
  EXPECT_TRUE(HasText(read, "SPECTRUM ="));
  EXPECT_TRUE(HasText(read, "from_t\xE2\x80\xA6nit_file.spe"));
  for (const Text& t : OpsOf<Text>(read)) {
    if (t.text.rfind("from_", 0) == 0) {
      EXPECT_GE(t.x, 280);  // clear of the "="
    }
  }
}

TEST(LargeGraphZoomTest, WheelDragHomeStepsAndQuickScaleMoveTheCadre) {
  AnalysisState state;
  FlatSpectrum(state, 4096, 10);
  ScriptedUi ui;
  EXPECT_FALSE(ZoomLargeGraph(state, ui, 100, 0.5));  // no graph yet
  GraphTheSpectrum(state, ui);
  const ViewState& view = state.view;
  const double x1000 = 60 + 999 * 512.0 / 4096;  // the pixel of channel 1000
  ASSERT_DOUBLE_EQ(ChannelAt(state, x1000), 1000);

  ASSERT_TRUE(ZoomLargeGraph(state, ui, x1000, 0.5));
  EXPECT_EQ(std::tie(view.interval_begin, view.interval_end, view.interval_length),
            std::make_tuple(500, 2547, 2048));  // 1000 stays under the pointer
  EXPECT_TRUE(view.cadre_mode);
  EXPECT_EQ(ui.graph_buttons().back(), (GraphButtons{false, true}));
  EXPECT_NEAR(ChannelAt(state, x1000), 1000, 2);
  for (int k = 0; k < 20; ++k) ZoomLargeGraph(state, ui, x1000, 0.5);
  EXPECT_EQ(view.interval_length, 16);  // the fewest
  EXPECT_LE(view.interval_begin, 1000);
  EXPECT_GE(view.interval_end, 1000);

  ShowWholeSpectrum(state, ui);
  ZoomLargeGraph(state, ui, x1000, 0.5);
  ASSERT_TRUE(PanLargeGraph(state, ui, 64));  // dragged right: lower channels, 64 * 2048 / 512
  EXPECT_EQ(view.interval_begin, 244);
  PanLargeGraph(state, ui, 10000);
  EXPECT_EQ(view.interval_begin, 1);  // not beyond the spectrum
  StepLargeGraph(state, ui, 1);
  EXPECT_EQ(std::tie(view.interval_begin, view.interval_end), std::make_tuple(2049, 4096));
  StepLargeGraph(state, ui, -1);
  EXPECT_EQ(view.interval_begin, 1);

  ASSERT_TRUE(ShowWholeSpectrum(state, ui));
  EXPECT_EQ(std::tie(view.interval_begin, view.interval_end), std::make_tuple(1, 4096));
  EXPECT_FALSE(view.cadre_mode);
  for (int k = 0; k < 3; ++k) ZoomLargeGraph(state, ui, x1000, 2.0);  // no wider than it is
  EXPECT_EQ(view.interval_length, 4096);

  // During a pick only the picture changes: the pick's buttons stay as they are.
  state.view.graph_mode = GraphMode::kClick;
  const std::size_t buttons = ui.graph_buttons().size();
  const std::size_t pictures = ui.pictures().size();
  ZoomLargeGraph(state, ui, x1000, 0.25);
  EXPECT_EQ(ui.graph_buttons().size(), buttons);
  EXPECT_EQ(ui.pictures().size(), pictures + 1);
  EXPECT_EQ(view.graph_mode, GraphMode::kClick);

  EXPECT_TRUE(ToggleQuickScale(state, ui));
  EXPECT_EQ(view.scale_mode, ScaleMode::kLn);
  ToggleQuickScale(state, ui);
  EXPECT_EQ(view.scale_mode, ScaleMode::kNormal);
}

// The black plot area of a large graph picture: the second filled rectangle, after the ground.
FillRect PlotArea(const Picture& picture) {
  const std::vector<FillRect> rects = OpsOf<FillRect>(picture);
  EXPECT_GE(rects.size(), 2u);
  return rects.size() >= 2 ? rects[1] : FillRect{};
}

bool Inside(const FillRect& area, double x, double y) {
  return x - 1 >= area.left && x + 1 < area.right && y - 1 >= area.top && y + 1 < area.bottom;
}

TEST(LargeGraphResizeTest, AResizedGraphIsDrawnAgainAtItsSizeWithTheSameWindowAndButtons) {
  AnalysisState state;
  FlatSpectrum(state, 4096, 10);
  ScriptedUi ui;
  // Not on the screen: the size is kept for the next graph, nothing is drawn.
  EXPECT_FALSE(ResizeLargeGraph(state, ui, 900, 600));
  EXPECT_TRUE(ui.pictures().empty());
  GraphTheInterval(state, ui);  // b1 .. b2 as a cadre
  ASSERT_EQ(ui.pictures().size(), 1u);
  EXPECT_EQ(ui.pictures()[0].second.width, 900);
  EXPECT_EQ(PlotArea(ui.pictures()[0].second).right, 577 + 270);

  // Smaller than the stated size is the stated size; the same size again draws nothing.
  ASSERT_TRUE(ResizeLargeGraph(state, ui, 300, 200));
  EXPECT_EQ(std::make_tuple(state.view.graph_width, state.view.graph_height),
            std::make_tuple(630, 424));
  EXPECT_FALSE(ResizeLargeGraph(state, ui, 630, 424));
  EXPECT_EQ(ui.pictures().size(), 2u);

  // Larger: the plot takes the growth; the window and the cadre buttons stay.
  const auto shown = std::make_tuple(state.view.interval_begin, state.view.interval_end);
  ASSERT_TRUE(ResizeLargeGraph(state, ui, 1000, 700));
  const Picture& grown = ui.pictures().back().second;
  EXPECT_EQ(std::make_tuple(grown.width, grown.height), std::make_tuple(1000, 700));
  const FillRect big = PlotArea(grown);
  EXPECT_EQ(std::make_tuple(big.right, big.bottom), std::make_tuple(577.0 + 370, 366.0 + 276));
  EXPECT_EQ(std::make_tuple(state.view.interval_begin, state.view.interval_end), shown);
  EXPECT_TRUE(state.view.cadre_mode);
  EXPECT_TRUE(ui.graph_buttons().back().cadres);

  // During a pick only the picture is renewed: the pick's buttons stay as they are.
  state.view.graph_mode = GraphMode::kClick;
  const std::size_t buttons = ui.graph_buttons().size();
  ASSERT_TRUE(ResizeLargeGraph(state, ui, 800, 500));
  EXPECT_EQ(ui.pictures().back().second.width, 800);
  EXPECT_EQ(ui.graph_buttons().size(), buttons);
}

// A tall narrow peak at the left or right end of the window shown: its mark, its tick and the
// maximum's label on the scale stay where they belong, at the stated size and larger, zoomed in
// or not, in the Normal and LN scales.
TEST(LargeGraphResizeTest, ATallPeakAtEitherEndAndTheMaximumsLabelStayInsideTheirFrames) {
  for (const int peak_channel : {1, 2048, 2049, 4096}) {
    for (const auto& [width, height] : {std::pair{630, 424}, std::pair{1111, 777}}) {
      for (const ScaleMode mode : {ScaleMode::kNormal, ScaleMode::kLn}) {
        AnalysisState state;
        FlatSpectrum(state, 4096, 10);
        state.spectrum.counts[peak_channel] = 12345678;  // eight digits
        state.spectrum.UpdateRange();
        state.marking.peak_count = 1;
        state.marking.peak_list[1] = peak_channel;
        state.view.graph_width = width;
        state.view.graph_height = height;
        state.view.scale_mode = mode;
        ScriptedUi ui;
        // The left or right half: the peak at one of the window's ends.
        state.view.cadre_mode = true;
        state.view.interval_begin = peak_channel <= 2048 ? 1 : 2049;
        state.view.interval_end = state.view.interval_begin + 2047;
        DrawCadre(state, ui);
        const Picture& picture = ui.pictures().back().second;
        const FillRect plot = PlotArea(picture);
        const std::string where = "peak " + std::to_string(peak_channel) + " width " +
                                  std::to_string(width) + " mode " +
                                  std::to_string(static_cast<int>(mode));
        const double top = ScaleTop(mode, 0.5, 12345678);
        const int x = PlotX(state, peak_channel), y = PlotY(state, top, 12345678);
        bool mark_seen = false;
        for (const PlusMark& mark : OpsOf<PlusMark>(picture)) {
          ASSERT_TRUE(Inside(plot, mark.x, mark.y)) << where << " at " << mark.x << "," << mark.y;
          mark_seen = mark_seen || (mark.x == x && mark.y == y);
        }
        EXPECT_TRUE(mark_seen) << where;
        EXPECT_EQ(y, 103) << where;  // at the top of the plot
        EXPECT_GE(x, plot.left + 1) << where;
        EXPECT_LT(x + 1, plot.right) << where;
        // The peak's tick under the plot.
        const std::vector<Polyline> ticks = OpsOf<Polyline>(picture);
        ASSERT_EQ(ticks.size(), 1u) << where;
        EXPECT_EQ(ticks[0].xs[0], x) << where;
        EXPECT_LT(ticks[0].ys[1], plot.bottom) << where;
        // The maximum's label: the top of the scale, right-aligned before the plot's frame.
        bool label_seen = false;
        for (const Text& t : OpsOf<Text>(picture)) {
          if (t.text != FormatFixed(9, 0, top)) continue;
          label_seen = true;
          EXPECT_TRUE(t.align_right) << where;
          EXPECT_LE(t.x, plot.left) << where;
          EXPECT_GE(t.y, plot.top) << where;
        }
        EXPECT_TRUE(label_seen) << where;
      }
    }
  }
}

}  // namespace
}  // namespace pektra
