#include "model/real_model.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/text_input.h"
#include "core/user_interface.h"
#include "numeric/array_tools.h"
#include "numeric/interpolation.h"
#include "numeric/smoothing.h"
#include "spectrum/smoothing_window.h"

namespace pektra {

namespace {

constexpr double kTargetRatio = 2.0;

double CountAt(const TSpectrum& sp, int c) {
  return (c >= 1 && c <= kMaxChannels) ? sp.counts[c] : 0.0;
}
double ErrorAt(const TSpectrum& sp, int c) {
  return (c >= 1 && c <= kMaxChannels) ? sp.errors[c] : 0.0;
}

// A table of points for InterpolateTable: the ordinates y, then the abscissas 1..y.size().
std::vector<double> PointTable(const std::vector<double>& y) {
  std::vector<double> table(2 * y.size());
  for (std::size_t k = 0; k < y.size(); ++k) {
    table[k] = y[k];
    table[y.size() + k] = static_cast<double>(k + 1);
  }
  return table;
}

// The net counts of first..last above the straight line through `edge` channels at each end.
std::vector<double> NetPeak(const TSpectrum& sp, int first, int last, int edge) {
  const int n = last - first + 1;
  double mean_x = 0.0, mean_y = 0.0, slope = 0.0;
  if (edge > 0) {
    const LineFit line =
        LineFitTwoRanges(sp.counts, first, first + edge - 1, last - edge + 1, last);
    mean_x = line.mean_x;
    mean_y = line.mean_y;
    slope = line.slope;
  }
  std::vector<double> net(static_cast<std::size_t>(n));
  for (int k = 1; k <= n; ++k) {
    const int c = first + k - 1;
    const double bg = edge > 0 ? mean_y + slope * (c - mean_x) : 0.0;
    net[static_cast<std::size_t>(k - 1)] = MaxD(0.0, CountAt(sp, c) - bg);
  }
  return net;
}

// The sequence interpolated at x = j/m, j = 1..n·m, clipped at 0.
std::vector<double> Oversample(const std::vector<double>& y, int m) {
  const int n = static_cast<int>(y.size());
  const std::vector<double> table = PointTable(y);
  std::vector<double> out(static_cast<std::size_t>(n * m));
  for (int j = 1; j <= n * m; ++j) {
    out[static_cast<std::size_t>(j - 1)] =
        MaxD(0.0, InterpolateTable(table, n, static_cast<double>(j) / m));
  }
  return out;
}

// The index (0-based) of the first largest value.
std::size_t FirstMaximum(const std::vector<double>& v) {
  return static_cast<std::size_t>(std::max_element(v.begin(), v.end()) - v.begin());
}

// Steps 1 to 4 of the forming: the ends tapered, crumbs cleared, zero tails trimmed and one zero
// framing each side. Empty when nothing is left.
std::vector<double> TrimmedPeak(const NumericWork& work, int n) {
  std::vector<double> v(static_cast<std::size_t>(n));
  for (int i = 1; i <= n; ++i) v[static_cast<std::size_t>(i - 1)] = work.work_result[i];
  if (n >= 1) v.front() = v.back() = 0.0;
  if (n >= 4) {
    v[1] = v[2] / 2.0;
    v[v.size() - 2] = v[v.size() - 3] / 2.0;
  }
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  const double d = MaxD(1.0, *hi - *lo);
  const double crumb = MinD(0.01, 1.0 / (2.0 * std::sqrt(d)));
  for (double& x : v) {
    if (std::fabs(x) < crumb || !std::isfinite(x)) x = 0.0;
  }
  const auto nonzero = [](double x) { return x != 0.0; };
  const auto p1 = std::find_if(v.begin(), v.end(), nonzero);
  if (p1 == v.end()) return {};
  const auto p2 = std::find_if(v.rbegin(), v.rend(), nonzero).base();
  std::vector<double> framed;
  framed.reserve(static_cast<std::size_t>(p2 - p1) + 2);
  framed.push_back(0.0);
  framed.insert(framed.end(), p1, p2);
  framed.push_back(0.0);
  return framed;
}

DialogContent BoundsDialog(int first, int last, int edge) {
  DialogContent dialog = OpenDialogForm(" Confirm the bounds ");
  DialogParameterGrid& grid = dialog.grid;
  grid.visible = true;
  grid.left = 5;
  grid.top = 30;
  grid.rows = grid.visible_rows = 3;
  grid.field_width = 8;
  grid.value_columns = 1;
  grid.column_widths = {140, 80};
  grid.labels = {"  Left bound =", "  Right bound =", "  Backgr.edge(chan)= "};
  grid.cells = {{FormatGridCell(grid.field_width, first)},
                {FormatGridCell(grid.field_width, last)},
                {FormatGridCell(grid.field_width, edge)}};
  return dialog;
}

// The cell of `row`; false when it cannot be read.
bool ReadCell(const DialogContent& dialog, std::size_t row, double& value) {
  const auto& cells = dialog.grid.cells;
  const std::string text = row < cells.size() && !cells[row].empty() ? cells[row][0] : "";
  int readable = 1;
  value = EntryToReal(text, readable);
  return readable == 1 && std::isfinite(value);
}

// Stores ordered bounds, cut to the channels that exist, and an edge count of 0 up to half the
// range (more would take the peak itself for background).
void StoreSettings(TPeakModel& model, double left, double right, double edge) {
  if (left > right) std::swap(left, right);
  model.model_first = std::clamp(RoundToInt(left), 1, kMaxChannels);
  model.model_last = std::clamp(RoundToInt(right), 1, kMaxChannels);
  const int half = MaxI(0, (model.model_last - model.model_first + 1) / 2);
  model.model_edge = std::clamp(RoundToInt(edge), 0, half);
  model.model_blend = 1.0;
}

}  // namespace

int EdgeCount(const TSpectrum& sp, int left, int right) {
  int count = 1;
  for (int k = 1; k <= 2; ++k) {
    const double left_ratio = std::fabs(CountAt(sp, left + k) - CountAt(sp, left)) /
                              (std::fabs(ErrorAt(sp, left)) + std::fabs(ErrorAt(sp, left + k)) + 1);
    const double right_ratio =
        std::fabs(CountAt(sp, right - k) - CountAt(sp, right)) /
        (std::fabs(ErrorAt(sp, right)) + std::fabs(ErrorAt(sp, right - k)) + 1);
    if (left_ratio >= 2.0 || right_ratio >= 2.0) break;
    ++count;
  }
  return count;
}

Outcome PrepareRealModel(const TSpectrum& sp, const TPeakModel& settings, double small_stat,
                         NumericWork& work, int& n) {
  const int first = settings.model_first, last = settings.model_last;
  const long long length = static_cast<long long>(last) - first + 1;
  if (length < kMinModelChannels) return Outcome::Failure("Error, lack of points (<9) for model");
  if (length > kMaxModelChannels) {
    return Outcome::Failure("Model interval too long, use compression to make < 1024");
  }
  int count = static_cast<int>(length);
  double top = -1e10;
  for (int c = first; c <= last; ++c) top = MaxD(top, CountAt(sp, c));
  if (!(3.0 * small_stat < top)) {
    return Outcome::Failure(" Too low statistics for model " + std::to_string(RoundToInt(top)));
  }
  const int edge = std::clamp(settings.model_edge, 0, count / 2);
  std::vector<double> sequence = NetPeak(sp, first, last, edge);
  const int m = kModelSamples / count;
  if (m > 1) {
    sequence = Oversample(sequence, m);
    count *= m;
  }
  for (int i = 1; i <= count; ++i) work.work_data[i] = sequence[static_cast<std::size_t>(i - 1)];
  if (!SmoothSplineAuto(work, count, kTargetRatio, settings.model_blend)) {
    return Outcome::Failure("Wrong data for real model");
  }
  n = count;
  return Outcome::Success();
}

Outcome FormRealModel(TPeakModel& model, const NumericWork& work, int n) {
  n = std::clamp(n, 0, work.work_result.capacity());
  const std::vector<double> points = TrimmedPeak(work, n);
  if (points.empty()) return Outcome::Failure("Error, zero-valued peak model");

  const int count = static_cast<int>(points.size());
  const std::vector<double> table = PointTable(points);
  const double c = static_cast<double>(FirstMaximum(points) + 1);
  const double r = MaxD(c - 1.0, count - c);
  std::vector<double> nodes(TPeakModel::kNodes, 0.0);
  for (int i = 1; i <= TPeakModel::kNodes; ++i) {
    const double x = c - r + (i - 1) * r / 96.0;
    if (x < 1.0 || x > count) continue;
    nodes[static_cast<std::size_t>(i - 1)] = MaxD(0.0, InterpolateTable(table, count, x));
  }

  TPeakModel formed = model;
  formed.CenterTable(nodes, TPeakModel::kNodes);
  formed.half_length = 96;
  formed.model_type = kModelReal;
  const Outcome outcome = formed.NormalizeModel();
  if (outcome.ok) model = formed;
  return outcome;
}

Outcome FormRealModelFromRange(TPeakModel& model, const TSpectrum& sp, NumericWork& work,
                               double small_stat, int first, int last, int edge) {
  if (first > last) std::swap(first, last);
  StoreSettings(model, first, last, edge < 0 ? EdgeCount(sp, first, last) : edge);
  int n = 0;
  Outcome outcome = PrepareRealModel(sp, model, small_stat, work, n);
  if (!outcome.ok) return outcome;
  return FormRealModel(model, work, n);
}

bool FormTheRealPeakModel(const RealModelContext& ctx, UserInterface& ui) {
  TPeakModel& model = ctx.peak_model;
  const int first = MinI(model.model_first, model.model_last);
  const int last = MaxI(model.model_first, model.model_last);
  DialogContent dialog = BoundsDialog(first, last, EdgeCount(ctx.spectrum, first, last));
  ui.ShowDialog(dialog);
  if (!dialog.ok) return false;
  double left = 0.0, right = 0.0, edge = 0.0;
  if (!ReadCell(dialog, 0, left) || !ReadCell(dialog, 1, right) || !ReadCell(dialog, 2, edge)) {
    ui.ShowNote("Error, wrong numbers");
    return false;
  }
  StoreSettings(model, left, right, edge);

  int n = 0;
  Outcome outcome = PrepareRealModel(ctx.spectrum, model, ctx.small_stat, ctx.work, n);
  if (outcome.ok) {
    if (!SmoothingWindow(ctx.work, n, SmoothingMode::kSmoothing, ctx.scale_mode,
                         ctx.trim_coefficient, ui)) {
      return false;
    }
    outcome = FormRealModel(model, ctx.work, n);
    // The model picked here replaces the one the init file asked to form from every spectrum.
    if (outcome.ok) model.real_from_range = false;
  }
  if (!outcome.ok) ui.ShowNote(outcome.message);
  return outcome.ok;
}

}  // namespace pektra
