#include "ui/graphs.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "calib/calibration.h"
#include "core/arithmetic.h"
#include "core/display_settings.h"
#include "core/number_format.h"
#include "core/user_interface.h"
#include "numeric/peak_probe.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "ui/graph_curves.h"

namespace pektra {
namespace {

// The plot at the stated size: x from 60 (channel interval_begin - 1) over 512 units, y from 100
// over 243 units (a scale of 240 from 3 down). A larger graph widens and heightens the plot by all
// it has grown; the header, the scale strips and the labels under the plot keep their sizes.
constexpr int kPlotLeft = 60;
constexpr int kPlotWidth = 512;
constexpr int kPlotTop = 100;
constexpr int kScaleSpan = 240;
constexpr int kAxisFont = 8;
// The right edge of the strip the vertical scale's labels stand in, left of the plot's frame.
constexpr double kScaleLabelsRight = 53;

int GraphWidth(const AnalysisState& state) {
  return std::max(kLargeGraphWidth, state.view.graph_width);
}
int GraphHeight(const AnalysisState& state) {
  return std::max(kLargeGraphHeight, state.view.graph_height);
}
// What the graph has grown beyond the stated size, design units.
int GrownX(const AnalysisState& state) { return GraphWidth(state) - kLargeGraphWidth; }
int GrownY(const AnalysisState& state) { return GraphHeight(state) - kLargeGraphHeight; }
int PlotWidth(const AnalysisState& state) { return kPlotWidth + GrownX(state); }
int ScaleSpan(const AnalysisState& state) { return kScaleSpan + GrownY(state); }
// The plot's width in pixels: S(512) at the stated size, plus the growth unrounded.
double PlotWidthPixels(const AnalysisState& state) {
  const double scale = state.display.screen_scale;
  return ScaleToScreen(kPlotWidth, scale) + GrownX(state) * scale;
}

Text Label(double x, double y, std::string text, Color color = colors::kWhite,
           int size = Text{}.size) {
  Text t{x, y, std::move(text), color};
  t.size = size;
  return t;
}

int WindowLength(const AnalysisState& state) { return std::max(1, state.view.interval_length); }

double ChannelEnergy(AnalysisState& state, double channel) {
  return ConvertPeak(CalibrationsOf(state), channel, 0.0, 0.0, 0.0).energy;
}

void AddFrame(Picture& picture, const AnalysisState& state) {
  const double width = GraphWidth(state), height = GraphHeight(state);
  const double dx = GrownX(state), dy = GrownY(state);
  picture.Add(FillRect{0, 0, width, height, colors::kMaroon});
  picture.Add(FillRect{55, 95, 577 + dx, 366 + dy, colors::kBlack});
  picture.Add(FillRect{0, 0, 55, height, colors::kBlue});
  picture.Add(FillRect{600 + dx, 0, width, height, colors::kBlue});
}

// Five labels from the top down, 62 apart, and the grid lines at the plot's quarters, 60 apart
// (at the stated size; on a higher plot both are a quarter of it apart, the labels 2 units more).
// The labels end left of the plot's frame however wide the number is, so the top one (the
// maximum) never runs into the plot.
void AddVerticalScale(Picture& picture, const AnalysisState& state, double top) {
  const double span = ScaleSpan(state);
  const int dots = 106 + GrownX(state) / 5;
  for (int j = 0; j <= 4; ++j) {
    Text label = Label(kScaleLabelsRight, kPlotTop + 3 + j * (span / 4 + 2),
                       FormatFixed(9, 0, top - j * top / 4), colors::kWhite, kAxisFont);
    label.align_right = true;
    picture.Add(label);
    picture.Add(DottedLine{47, kPlotTop + 3.0 + j * span / 4, dots, 5, false, colors::kLime});
  }
}

void AddPoints(Picture& picture, const AnalysisState& state, double top) {
  const TSpectrum& sp = state.spectrum;
  const int first = std::max(state.view.interval_begin, 1);
  const int last = std::min(state.view.interval_end, kMaxChannels);
  for (int c = first; c <= last; ++c) {
    picture.Add(PlusMark{static_cast<double>(PlotX(state, c)),
                         static_cast<double>(PlotY(state, top, sp.counts[c])), colors::kFuchsia});
  }
}

constexpr double kEnergyCaptionEnd = 50;  // "Energy:" in the axis font at x 0

void AddHorizontalScale(Picture& picture, AnalysisState& state) {
  const int n = WindowLength(state);
  const double spacing = 64.0 * PlotWidth(state) / kPlotWidth;
  const int dots = 53 + GrownY(state) / 5;
  const double dy = GrownY(state);
  for (int j = 1; j <= 9; ++j) {
    const double x = kPlotLeft + spacing * (j - 1);
    picture.Add(DottedLine{x, 96, dots, 5, true, colors::kLime});
    const double channel = state.view.interval_begin + 64.0 * (j - 1) * n / 512.0;
    picture.Add(Label(x - 20, 370 + dy, FormatFixed(6, 0, channel), colors::kWhite, kAxisFont));
    // The first energy starts after the "Energy:" caption instead of running into it.
    const double energy_x = j == 1 ? std::max(x - 24, kEnergyCaptionEnd) : x - 24;
    picture.Add(Label(energy_x, 385 + dy, FormatFixed(7, 1, ChannelEnergy(state, channel)),
                      colors::kWhite, kAxisFont));
  }
  picture.Add(Label(0, 370 + dy, "Chan.:", colors::kWhite, kAxisFont));
  picture.Add(Label(0, 385 + dy, "Energy:", colors::kWhite, kAxisFont));
}

void AddHeader(Picture& picture, const AnalysisState& state, double m) {
  picture.Add(Label(180, 10, "SPECTRUM ="));
  // The name stands clear of the "=" and ends before the read-out box at 440 (further right on a
  // wider graph, so the name may be longer there).
  const std::size_t characters = 19 + static_cast<std::size_t>(GrownX(state) / 9);
  picture.Add(Label(282, 10,
                    state.view.spectrum_read ? ElideMiddle(state.spectrum.file_name, characters)
                                             : std::string("no spectrum read"),
                    colors::kLime));
  picture.Add(Label(180, 25,
                    "CHANNELS  =  " + std::to_string(state.view.interval_begin) + "  -  " +
                        std::to_string(state.view.interval_end)));
  picture.Add(Label(180, 40, "MAX  =" + FormatFixed(15, 0, m)));
}

void AddPeakTicks(Picture& picture, const AnalysisState& state) {
  for (int i = 1; i <= std::min(state.marking.peak_count, state.marking.peak_list.capacity());
       ++i) {
    const int c = RoundToInt(state.marking.peak_list[i]);
    if (c <= 0 || c < state.view.interval_begin || c > state.view.interval_end) continue;
    const double x = PlotX(state, c);
    const double y = 355 + GrownY(state);
    picture.Add(Polyline{{x, x}, {y, y + 9}, colors::kLime});
  }
}

// The read-out box of channel c at (440, 5) - (590, 85), moved right with the graph's right edge.
void AddReadOut(Picture& picture, AnalysisState& state, int c) {
  const TSpectrum& sp = state.spectrum;
  const PeakProbe probe = ProbePeak(state.work, sp.counts, sp.a2, c);
  const double energy = ChannelEnergy(state, probe.position);
  const double dx = GrownX(state);
  picture.Add(Frame{440 + dx, 5, 590 + dx, 85, colors::kLime, true, true, colors::kBlack});
  const std::string lines[] = {
      "Counts= " + FormatFixed(12, 0, sp.counts[c]),
      "Position = " + FormatFixed(8, 1, probe.position),
      "Energy  = " + FormatFixed(7, 2, energy),
      "Area  = " + FormatFixed(10, 0, probe.net_sum),
      "Width  = " + FormatFixed(6, 1, probe.width),
  };
  double y = 10;
  for (const std::string& line : lines) {
    picture.Add(Label(448 + dx, y, line, colors::kAqua, kAxisFont));
    y += 14;
  }
}

// Shows the large graph with the buttons of its mode; a drawn graph enables "Mark" and
// "Cut the Cadre".
void ShowLargeGraph(AnalysisState& state, UserInterface& ui, double m) {
  ui.ShowPicture(PictureArea::kLargeGraph, LargeGraphPicture(state, m));
  ui.ShowGraphButtons({false, state.view.cadre_mode});
  if (!state.view.mark_menu_enabled || !state.view.cut_cadre_enabled) {
    state.view.mark_menu_enabled = true;
    state.view.cut_cadre_enabled = true;
    ui.MenusChanged();
  }
}

}  // namespace

std::string ElideMiddle(const std::string& text, std::size_t max_characters) {
  // Byte positions of the characters (UTF-8 lead bytes), so that no character is cut in two.
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  if (starts.size() <= max_characters || max_characters < 3) return text;
  const std::size_t kept = max_characters - 1;  // one character for the ellipsis
  const std::size_t head = kept / 3;            // the end (the file name) matters most
  const std::size_t tail = kept - head;
  return text.substr(0, starts[head]) + "\xE2\x80\xA6" + text.substr(starts[starts.size() - tail]);
}

double ScaleTop(ScaleMode scale_mode, double trim, double m) {
  switch (scale_mode) {
    case ScaleMode::kNormal:
      return m;
    case ScaleMode::kSqrt:
      return std::sqrt(std::fabs(m));
    case ScaleMode::kLn:
      return std::log(std::fabs(m) + 1.0);
    case ScaleMode::kTrimmed:
      return m * trim;
  }
  return 1.0;
}

int ScaleY(ScaleMode scale_mode, double top, double v) {
  return ScaleY(scale_mode, top, v, kScaleSpan);
}

int ScaleY(ScaleMode scale_mode, double top, double v, int span) {
  double scaled = v;
  switch (scale_mode) {
    case ScaleMode::kSqrt:
      scaled = std::sqrt(std::fabs(v));
      break;
    case ScaleMode::kLn:
      scaled = std::log(std::fabs(v) + 1.0);
      break;
    case ScaleMode::kTrimmed:
      scaled = std::min(top, v);
      break;
    default:
      break;
  }
  return RoundToInt(span + 3.0 - span * scaled / std::max(0.1, top));
}

double ChannelAt(const AnalysisState& state, double x_pixels) {
  const double scale = state.display.screen_scale;
  return (x_pixels - ScaleToScreen(kPlotLeft, scale)) * WindowLength(state) /
             PlotWidthPixels(state) +
         state.view.interval_begin;
}

int PlotX(const AnalysisState& state, int channel) {
  return kPlotLeft + RoundToInt((channel - state.view.interval_begin + 1) *
                                static_cast<double>(PlotWidth(state)) / WindowLength(state));
}

int PlotY(const AnalysisState& state, double top, double v) {
  return kPlotTop + ScaleY(state.view.scale_mode, top, v, ScaleSpan(state));
}

Picture LargeGraphPicture(AnalysisState& state, double m) {
  Picture picture;
  picture.width = GraphWidth(state);
  picture.height = GraphHeight(state);
  picture.background = colors::kMaroon;
  const double top = ScaleTop(state.view.scale_mode, state.view.trim_coefficient, m);
  AddFrame(picture, state);
  AddVerticalScale(picture, state, top);
  if (state.view.histogram_drawing) {
    AddHistogram(picture, state, top);
  } else {
    AddPoints(picture, state, top);
  }
  AddFittedCurves(picture, state, top);
  AddHorizontalScale(picture, state);
  AddHeader(picture, state, m);
  AddPeakTicks(picture, state);
  return picture;
}

double LargeGraphMaximum(const AnalysisState& state) {
  if (!state.view.cadre_mode) return state.spectrum.max_counts;
  double m = 0.0;
  const int first = std::max(state.view.interval_begin, 1);
  const int last = std::min(state.view.interval_end, kMaxChannels);
  for (int c = first; c <= last; ++c) m = std::max(m, state.spectrum.counts[c]);
  return m;
}

void GraphTheSpectrum(AnalysisState& state, UserInterface& ui) {
  const TSpectrum& sp = state.spectrum;
  state.view.interval_begin = sp.a1;
  state.view.interval_end = sp.a2;
  state.view.interval_length = sp.a2 - sp.a1 + 1;
  state.view.cadre_mode = false;
  ui.ClearForm();
  state.view.graph_mode = GraphMode::kSpectrum;
  ShowLargeGraph(state, ui, sp.max_counts);
}

void GraphTheInterval(AnalysisState& state, UserInterface& ui) {
  ui.ClearForm();
  state.view.graph_mode = GraphMode::kInterval;
  state.view.cadre_mode = true;
  state.view.interval_begin = state.spectrum.b1;
  state.view.interval_end = state.spectrum.b2;
  state.view.interval_length = state.view.interval_end - state.view.interval_begin + 1;
  DrawCadre(state, ui);
}

void DrawCadre(AnalysisState& state, UserInterface& ui) {
  const TSpectrum& sp = state.spectrum;
  int& begin = state.view.interval_begin;
  int& end = state.view.interval_end;
  if (begin < sp.a1) {
    end += sp.a1 - begin;
    begin = sp.a1;
  }
  if (end > sp.a2) {
    begin -= end - sp.a2;
    end = sp.a2;
  }
  // A window longer than the spectrum shows the whole spectrum.
  begin = std::max(begin, sp.a1);
  state.view.interval_length = end - begin + 1;
  ShowLargeGraph(state, ui, LargeGraphMaximum(state));
}

void NextCadre(AnalysisState& state, UserInterface& ui) {
  const int n = state.view.interval_length;
  state.view.interval_begin = state.view.interval_end + 1;
  state.view.interval_end = state.view.interval_begin + n - 1;
  DrawCadre(state, ui);
}

void PreviousCadre(AnalysisState& state, UserInterface& ui) {
  const int n = state.view.interval_length;
  state.view.interval_end = state.view.interval_begin - 1;
  state.view.interval_begin = state.view.interval_end - n + 1;
  DrawCadre(state, ui);
}

namespace {

constexpr int kFewestZoomChannels = 16;

bool LargeGraphOnScreen(const ViewState& view) {
  return view.graph_mode != GraphMode::kNothing && view.graph_mode != GraphMode::kFitDisplay;
}

// A window length between 16 channels (or the whole spectrum when shorter) and the whole.
int ZoomLength(const TSpectrum& sp, int length) {
  const int whole = std::max(1, sp.a2 - sp.a1 + 1);
  return std::clamp(length, std::min(kFewestZoomChannels, whole), whole);
}

// Shows the window begin .. begin + length - 1 moved inside a1 .. a2. During a pick only the
// picture is renewed: the pick's buttons and hint stay.
void ShowWindow(AnalysisState& state, UserInterface& ui, double begin, int length) {
  const TSpectrum& sp = state.spectrum;
  length = ZoomLength(sp, length);
  int first = std::clamp(RoundToInt(begin), sp.a1, std::max(sp.a1, sp.a2 - length + 1));
  ViewState& view = state.view;
  view.interval_begin = first;
  view.interval_end = first + length - 1;
  view.interval_length = length;
  view.cadre_mode = length < sp.a2 - sp.a1 + 1;
  if (view.graph_mode == GraphMode::kClick) {
    ui.ShowPicture(PictureArea::kLargeGraph, LargeGraphPicture(state, LargeGraphMaximum(state)));
  } else {
    ShowLargeGraph(state, ui, LargeGraphMaximum(state));
  }
}

}  // namespace

bool ZoomLargeGraph(AnalysisState& state, UserInterface& ui, double x_pixels, double factor) {
  if (!LargeGraphOnScreen(state.view) || !(factor > 0.0)) return false;
  const ViewState& view = state.view;
  const double channel = ChannelAt(state, x_pixels);
  const int length = ZoomLength(state.spectrum, RoundToInt(view.interval_length * factor));
  // The channel under the pointer stays under it.
  const double begin =
      channel - (channel - view.interval_begin) * length / std::max(1, view.interval_length);
  ShowWindow(state, ui, begin, length);
  return true;
}

bool PanLargeGraph(AnalysisState& state, UserInterface& ui, double dx_pixels) {
  if (!LargeGraphOnScreen(state.view)) return false;
  const ViewState& view = state.view;
  const double channels = dx_pixels * WindowLength(state) / PlotWidthPixels(state);
  ShowWindow(state, ui, view.interval_begin - channels, view.interval_length);
  return true;
}

bool ShowWholeSpectrum(AnalysisState& state, UserInterface& ui) {
  if (!LargeGraphOnScreen(state.view)) return false;
  const TSpectrum& sp = state.spectrum;
  ShowWindow(state, ui, sp.a1, sp.a2 - sp.a1 + 1);
  return true;
}

bool StepLargeGraph(AnalysisState& state, UserInterface& ui, int direction) {
  if (!LargeGraphOnScreen(state.view)) return false;
  const ViewState& view = state.view;
  ShowWindow(state, ui, view.interval_begin + static_cast<double>(direction) * view.interval_length,
             view.interval_length);
  return true;
}

bool ToggleQuickScale(AnalysisState& state, UserInterface& ui) {
  ViewState& view = state.view;
  view.scale_mode = view.scale_mode == ScaleMode::kLn ? ScaleMode::kNormal : ScaleMode::kLn;
  if (!LargeGraphOnScreen(view)) return false;
  ShowWindow(state, ui, view.interval_begin, view.interval_length);
  return true;
}

bool ResizeLargeGraph(AnalysisState& state, UserInterface& ui, int width, int height) {
  ViewState& view = state.view;
  width = std::max(kLargeGraphWidth, width);
  height = std::max(kLargeGraphHeight, height);
  if (width == view.graph_width && height == view.graph_height) return false;
  view.graph_width = width;
  view.graph_height = height;
  if (!LargeGraphOnScreen(view)) return false;
  // During a pick only the picture is renewed: the pick's buttons and hint stay.
  if (view.graph_mode == GraphMode::kClick) {
    ui.ShowPicture(PictureArea::kLargeGraph, LargeGraphPicture(state, LargeGraphMaximum(state)));
  } else {
    ShowLargeGraph(state, ui, LargeGraphMaximum(state));
  }
  return true;
}

bool ReadOutClick(AnalysisState& state, UserInterface& ui, int x, int y) {
  if (state.view.graph_mode == GraphMode::kNothing || state.view.graph_mode == GraphMode::kClick) {
    return false;
  }
  const double scale = state.display.screen_scale;
  if (x < ScaleToScreen(kPlotLeft, scale) ||
      x > ScaleToScreen(kPlotLeft + PlotWidth(state), scale) ||
      y < ScaleToScreen(kPlotTop, scale) || y > ScaleToScreen(355 + GrownY(state), scale)) {
    return false;
  }
  // The plot's left edge is channel interval_begin - 1; keep the probe inside the window.
  int c = RoundToInt(ChannelAt(state, x)) - 1;
  c = std::clamp(c, std::max(state.view.interval_begin, 1),
                 std::max(std::min(state.view.interval_end, kMaxChannels), 1));
  Picture picture = LargeGraphPicture(state, LargeGraphMaximum(state));
  AddReadOut(picture, state, c);
  ui.ShowPicture(PictureArea::kLargeGraph, picture);
  return true;
}

void SetMenusEnabled(AnalysisState& state, UserInterface& ui, bool enabled) {
  state.view.menus_enabled = enabled;
  ui.MenusChanged();
}

void SpectrumToBmp(AnalysisState& state, UserInterface& ui) {
  if (state.view.graph_mode == GraphMode::kNothing) return;
  // Starts in the working folder like the other saves.
  const auto chosen = ui.AskSaveFile({"Spectrum -> BMP", state.files.work_dir, "sp.bmp"});
  if (!chosen || !ui.ConfirmOverwrite(*chosen)) return;
  if (!ui.SavePicture(PictureArea::kLargeGraph, *chosen)) {
    ui.ShowNote("Error, the file " + *chosen + " could not be written");
  }
}

}  // namespace pektra
