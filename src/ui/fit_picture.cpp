// The fit picture of the interactive fit display, the single peaks over it, and its export as a
// BMP file with a text file of the curves.
#include <algorithm>
#include <string>
#include <variant>

#include "core/arithmetic.h"
#include "core/file_names.h"
#include "core/number_format.h"
#include "core/safe_file.h"
#include "core/user_interface.h"
#include "fit/interval_fit.h"
#include "state/analysis_state.h"
#include "state/contexts.h"
#include "ui/fit_display.h"
#include "ui/fit_display_parts.h"
#include "ui/graphs.h"

namespace pektra {
namespace {

constexpr double kOriginX = 10;
constexpr double kOriginY = 2;
constexpr double kPlotWidth = 300;
constexpr int kLabelFont = 8;
// Three points per channel: point indices t, t + 0.3333 and t + 0.6666.
constexpr double kThirds[] = {0.0, 0.3333, 0.6666};

int ChannelCount(const AnalysisState& state) {
  return std::max(1, state.fit.fit_last - state.fit.fit_first + 1);
}

// The fitter holds the parameters of this interval's fit (not of another one fitted since).
bool CurveAvailable(const AnalysisState& state) {
  const int n = state.fit.fit_peaks;
  return state.fit.display_fit_current && n >= 1 && n <= kMaxFitPeaks &&
         state.fitter.parameter_count() == 2 * n + 6;
}

double PlotXAt(const AnalysisState& state, double t) {
  return kOriginX + RoundToInt(t * kPlotWidth / ChannelCount(state));
}

double PlotYAt(const AnalysisState& state, double v) {
  return kOriginY + ScaleY(state.view.scale_mode, state.view.fit_top, v);
}

double LargestCount(const AnalysisState& state) {
  double m = -1e10;
  const int first = std::max(state.fit.fit_first, 1);
  const int last = std::min(state.fit.fit_last, kMaxChannels);
  for (int c = first; c <= last; ++c) m = std::max(m, state.spectrum.counts[c]);
  return m;
}

void AddGrid(Picture& picture, AnalysisState& state) {
  for (int j = 1; j <= 4; ++j) {
    picture.Add(DottedLine{kOriginX, kOriginY + 48 * j, 80, 4, false, colors::kLime});
  }
  const int n = ChannelCount(state);
  for (int j = 1; j <= 6; ++j) {
    const double x = kOriginX + 25 + 50 * (j - 1);
    picture.Add(DottedLine{x, kOriginY, 64, 4, true, colors::kLime});
    const double channel = (25 + 50.0 * (j - 1)) * n / kPlotWidth + state.fit.fit_first - 1;
    Text label{x - 22, 250, FormatFixed(7, 1, EnergyOfChannel(state, channel)), colors::kLime};
    label.size = kLabelFont;
    picture.Add(label);
  }
}

// The counts as fuchsia squares, the fitted curve as one aqua polyline, the background as blue
// pixels and the zero line as red pixels.
void AddChannels(Picture& picture, AnalysisState& state) {
  const bool curve = CurveAvailable(state);
  const FitContext ctx = FitOf(state);
  Polyline fitted{{}, {}, colors::kAqua};
  const int first = std::max(state.fit.fit_first, 1);
  const int last = std::min(state.fit.fit_last, kMaxChannels);
  for (int c = first; c <= last; ++c) {
    const double t = c - state.fit.fit_first + 1;
    const double x = PlotXAt(state, t);
    const double y = PlotYAt(state, state.spectrum.counts[c]);
    picture.Add(FillRect{x - 1, y - 1, x + 2, y + 2, colors::kFuchsia});
    for (const double third : kThirds) {
      const double xi = PlotXAt(state, t + third);
      picture.Add(Pixel{xi, kOriginY + 243, colors::kRed});
      if (!curve) continue;
      const double value = FittedValue(ctx, t + third);
      fitted.xs.push_back(xi);
      fitted.ys.push_back(PlotYAt(state, value));
      picture.Add(Pixel{xi, PlotYAt(state, state.fit.fit_components[0]), colors::kBlue});
    }
  }
  if (!fitted.xs.empty()) picture.Add(std::move(fitted));
}

// Background + peak i alone, in red, for each peak.
void AddSinglePeaks(Picture& picture, AnalysisState& state) {
  if (!CurveAvailable(state)) return;
  const FitContext ctx = FitOf(state);
  const int n = state.fit.fit_peaks;
  std::vector<Polyline> peaks(static_cast<std::size_t>(n), Polyline{{}, {}, colors::kRed});
  for (int c = state.fit.fit_first; c <= state.fit.fit_last; ++c) {
    const double t = c - state.fit.fit_first + 1;
    for (const double third : kThirds) {
      FittedValue(ctx, t + third);
      const std::vector<double>& parts = state.fit.fit_components;
      for (int i = 1; i <= n; ++i) {
        Polyline& line = peaks[static_cast<std::size_t>(i - 1)];
        line.xs.push_back(PlotXAt(state, t + third));
        line.ys.push_back(PlotYAt(state, parts[0] + parts[static_cast<std::size_t>(i + 1)]));
      }
    }
  }
  for (Polyline& line : peaks) picture.Add(std::move(line));
}

std::string WithoutBlanks(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (c != ' ') out += c;
  }
  return out;
}

// Reversed colours for printing: black becomes white, the bright colours black.
Color Reversed(Color c) {
  if (c == colors::kBlack) return colors::kWhite;
  for (const Color bright :
       {colors::kYellow, colors::kAqua, colors::kFuchsia, colors::kRed, colors::kLime}) {
    if (c == bright) return colors::kBlack;
  }
  return c;
}

void ReverseColors(Picture& picture) {
  picture.background = Reversed(picture.background);
  for (DrawOp& op : picture.ops) {
    std::visit(
        [](auto& item) {
          item.color = Reversed(item.color);
          if constexpr (std::is_same_v<std::decay_t<decltype(item)>, Text>) {
            item.background = Reversed(item.background);
          } else if constexpr (std::is_same_v<std::decay_t<decltype(item)>, Frame>) {
            item.fill = Reversed(item.fill);
          }
        },
        op);
  }
}

// The file name with its extension replaced by `extension` (appended when it has none).
std::string WithExtension(const std::string& path, const std::string& extension) {
  const std::string name = FileNamePart(path);
  const std::size_t dot = name.rfind('.');
  const std::string stem = path.substr(0, path.size() - name.size()) +
                           (dot == std::string::npos ? name : name.substr(0, dot));
  return stem + "." + extension;
}

// A column of the curve file; a value too wide for it is written in full, never as asterisks.
std::string Column(int width, double x) {
  const std::string text = FormatFixed(width, 0, x);
  if (text.find('*') == std::string::npos) return text;
  std::string full(1, ' ');
  full.append(FormatShortest(x));
  return full;
}

// Per channel: the channel, its count, the fitted value, and background + each peak.
void WriteCurves(std::ostream& out, AnalysisState& state) {
  const FitContext ctx = FitOf(state);
  for (int c = state.fit.fit_first; c <= state.fit.fit_last; ++c) {
    std::string line = FormatFixed(6, 0, c) + Column(8, state.spectrum.counts[c]);
    line += Column(8, FittedValue(ctx, c - state.fit.fit_first + 1));
    const std::vector<double> parts = state.fit.fit_components;
    for (int i = 1; i <= state.fit.fit_peaks; ++i) {
      line += Column(8, parts[0] + parts[static_cast<std::size_t>(i + 1)]);
    }
    out << line << '\n';
  }
}

}  // namespace

Picture FitPicture(AnalysisState& state, bool single_peaks) {
  Picture picture;
  picture.width = kFitPictureWidth;
  picture.height = kFitPictureHeight;
  picture.background = colors::kBlack;
  const double m = LargestCount(state);
  state.view.fit_top = ScaleTop(state.view.scale_mode, state.view.trim_coefficient, m);
  picture.Add(Frame{0, 0, kFitPictureWidth - 1.0, kFitPictureHeight - 1.0, colors::kAqua});
  AddGrid(picture, state);
  AddChannels(picture, state);
  if (single_peaks) AddSinglePeaks(picture, state);
  picture.Add(Text{3, 3, WithoutBlanks(FormatFixed(9, 0, m)), colors::kYellow});
  return picture;
}

void GraphSinglePeaks(AnalysisState& state, UserInterface& ui) {
  if (state.view.graph_mode != GraphMode::kFitDisplay || !CurveAvailable(state)) return;
  state.view.single_peaks_shown = true;
  ui.ShowPicture(PictureArea::kFitGraph, FitPicture(state, true));
}

void FitToBmpAndFile(AnalysisState& state, UserInterface& ui) {
  if (state.view.graph_mode != GraphMode::kFitDisplay || !CurveAvailable(state)) return;
  const auto chosen = ui.AskSaveFile({"Fit -> BMP+File", state.files.work_dir, "a.bmp"});
  if (!chosen || !ui.ConfirmOverwrite(*chosen)) return;
  Picture picture = FitPicture(state, state.view.single_peaks_shown);
  if (ui.AskYesNo("Reverse the colors?")) {
    ui.ShowWaitWindow("BMP-file forming proceeds. Wait...");
    ReverseColors(picture);
    ui.ShowWaitWindow("");
  }
  if (!ui.SavePictureFile(picture, *chosen)) {
    ui.ShowNote("Error, the file " + *chosen + " could not be written");
  }
  const std::string curves = WithExtension(*chosen, "gph");
  std::string why;
  if (!WriteFileAtomically(
          curves, [&state](std::ostream& out) { WriteCurves(out, state); }, &why)) {
    ui.ShowNote("Error, the file " + curves + " could not be written: " + why);
  }
}

}  // namespace pektra
