#include "ui/graph_curves.h"

#include <algorithm>
#include <vector>

#include "core/view_state.h"
#include "state/analysis_state.h"
#include "ui/graphs.h"

namespace pektra {
namespace {

// The black plot area of the large graph, which grows down with the graph: lines stay inside it.
double Inside(const AnalysisState& state, double y) {
  const int grown = std::max(0, state.view.graph_height - kLargeGraphHeight);
  return std::clamp(y, 95.0, 365.0 + grown);
}

// Adds a point unless it repeats the last one (thousands of channels share a few hundred x).
void Append(Polyline& line, double x, double y) {
  if (!line.xs.empty() && line.xs.back() == x && line.ys.back() == y) return;
  line.xs.push_back(x);
  line.ys.push_back(y);
}

bool Belongs(const FittedCurve& curve, const TSpectrum& sp) {
  const int n = curve.last - curve.first + 1;
  if (curve.first < 1 || curve.last > kMaxChannels || n < 1 ||
      curve.counts.size() != static_cast<std::size_t>(n) ||
      curve.values.size() != 3 * static_cast<std::size_t>(n)) {
    return false;
  }
  for (int c = curve.first; c <= curve.last; ++c) {
    if (sp.counts[c] != curve.counts[static_cast<std::size_t>(c - curve.first)]) return false;
  }
  return true;
}

void Redraw(AnalysisState& state, UserInterface& ui) {
  const GraphMode mode = state.view.graph_mode;
  if (mode == GraphMode::kSpectrum || mode == GraphMode::kInterval) DrawCadre(state, ui);
}

}  // namespace

void AddHistogram(Picture& picture, const AnalysisState& state, double top) {
  const int first = std::max(state.view.interval_begin, 1);
  const int last = std::min(state.view.interval_end, kMaxChannels);
  Polyline line{{}, {}, colors::kFuchsia};
  for (int c = first; c <= last; ++c) {
    const double x = PlotX(state, c);
    const double left = 0.5 * (PlotX(state, c - 1) + x);
    const double right = 0.5 * (x + PlotX(state, c + 1));
    const double y = Inside(state, PlotY(state, top, state.spectrum.counts[c]));
    Append(line, left, y);
    Append(line, right, y);
  }
  if (!line.xs.empty()) picture.Add(std::move(line));
}

bool HasFittedCurves(const AnalysisState& state) {
  const std::vector<FittedCurve>& curves = state.results.fitted_curves;
  return std::any_of(curves.begin(), curves.end(),
                     [&state](const FittedCurve& c) { return Belongs(c, state.spectrum); });
}

void AddFittedCurves(Picture& picture, const AnalysisState& state, double top) {
  if (!state.view.fitted_curves_shown) return;
  const int begin = std::max(state.view.interval_begin, 1);
  const int end = std::min(state.view.interval_end, kMaxChannels);
  for (const FittedCurve& curve : state.results.fitted_curves) {
    if (curve.last < begin || curve.first > end || !Belongs(curve, state.spectrum)) continue;
    Polyline line{{}, {}, colors::kAqua};
    for (int c = std::max(curve.first, begin); c <= std::min(curve.last, end); ++c) {
      const double x = PlotX(state, c);
      const double step = PlotX(state, c + 1) - x;
      for (int k = 0; k < 3; ++k) {
        const double v = curve.values[static_cast<std::size_t>(3 * (c - curve.first) + k)];
        Append(line, x + step * k / 3.0, Inside(state, PlotY(state, top, v)));
      }
    }
    if (line.xs.size() > 1) picture.Add(std::move(line));
  }
}

void SetHistogramDrawing(AnalysisState& state, UserInterface& ui, bool histogram) {
  state.view.histogram_drawing = histogram;
  Redraw(state, ui);
}

void ShowFittedCurves(AnalysisState& state, UserInterface& ui, bool shown) {
  state.view.fitted_curves_shown = shown;
  Redraw(state, ui);
}

}  // namespace pektra
