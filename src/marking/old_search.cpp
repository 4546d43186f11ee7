// The old peak search and the old division. Channels c are spectrum channels; k and p are window
// channels 1..n.
//
// The search walks through the interval in windows of at most max_interval channels, each ending
// in a valley of its last third. An accepted window is smoothed, its lower envelope (lifted to the
// middle of the noise) is the background, and the normalised curvature of the net counts marks the
// candidates (a lighter smoothing adds the weaker of two close strong peaks). Curvature maxima at
// background level cut the window into groups; a group whose strongest part does not stand out is
// dropped, and each candidate of a surviving group must stand out on its own and fall off steeply
// on both sides. Every group becomes one interval of the marking data array (negative first
// channel, peaks, negative last channel).
#include "marking/old_search.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/number_format.h"
#include "core/user_interface.h"
#include "marking/marking_context.h"
#include "numeric/peak_probe.h"
#include "numeric/smoothing.h"

namespace pektra {

namespace {

// A window shorter than this cannot hold a peak together with its background.
constexpr int kMinWindow = 16;
// Candidates lie at curvature minima at or below -1.5 (counts per channel²).
constexpr double kCurvatureLevel = 1.5;
// For peaks wider than this (channels) the net counts are scaled by (w / 5)² for the curvature, as
// if the peaks were 5 channels wide: a peak's curvature falls with the square of its width.
constexpr double kCurvatureWidth = 5.0;
// Response width of the smoothing, and of the lighter one that looks for peaks next to stronger
// ones, in peak widths.
constexpr double kKernelWidths = 0.8;
constexpr double kFineKernelWidths = 0.4;
// The lighter smoothing is trusted where the net count reaches this many errors.
constexpr double kFineErrors = 10.0;
// The envelope is lifted by at most this many errors of the background.
constexpr double kLiftErrors = 2.5;
// Steepness: the fall from the top towards each side, as a share of the top and in errors.
constexpr double kSideFall = 0.3;
constexpr double kValleyFall = 0.05;
constexpr double kSteepErrors = 3.5;

std::string F(int width, int decimals, double x) { return FormatFixed(width, decimals, x); }
std::size_t Ix(int k) { return static_cast<std::size_t>(k); }
double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

// A group of the search in spectrum channels: its first and last channel and its peaks.
struct FoundGroup {
  int first = 0, last = 0;
  std::vector<double> peaks;
};

class OldWindow {
 public:
  // `raw` holds the window counts in 1..n; `width` is the width line at the window's middle.
  OldWindow(const MarkingContext& ctx, int start, std::vector<double> raw, double width)
      : ctx_(ctx),
        start_(start),
        n_(static_cast<int>(raw.size()) - 1),
        w_(width),
        raw_(std::move(raw)) {}

  std::vector<FoundGroup> Analyse();

 private:
  double Raw(int k) const { return raw_[Ix(std::clamp(k, 1, n_))]; }
  double Smooth(int k) const { return smooth_[Ix(std::clamp(k, 1, n_))]; }
  double Back(int k) const { return back_[Ix(std::clamp(k, 1, n_))]; }
  double Net(int k) const { return net_[Ix(std::clamp(k, 1, n_))]; }
  double Curv(int k) const { return curv_[Ix(std::clamp(k, 2, std::max(2, n_ - 1)))]; }
  double Sens() const { return ctx_.marking.sens; }
  // The line is made only when the debug log is on: the search does not format numbers for
  // nothing.
  template <typename MakeLine>
  void Trace(MakeLine make_line) const {
    if (ctx_.view.debug_mode) ctx_.debug_log->WriteLine(make_line());
  }

  std::vector<double> SmoothCounts(double widths) const;
  void SmoothWindow();
  std::vector<double> Curvature(const std::vector<double>& net) const;
  std::vector<int> CurvatureMinima(const std::vector<double>& curv,
                                   const std::vector<double>& net) const;
  void FindCandidates();
  void CheckGroup(int first, int last, std::vector<FoundGroup>& out);
  bool KeepCandidate(std::size_t j, const std::vector<double>& line,
                     const std::vector<double>& bg) const;
  bool Steep(std::size_t j, const std::vector<double>& bg) const;
  double Refine(int p, bool fine) const;
  std::vector<double> SplitDoublet(int p, int first, int last, const std::vector<double>& bg) const;

  MarkingContext ctx_;
  int start_, n_;
  double w_;  // the width line at the middle of the window, channels
  std::vector<double> raw_, smooth_, back_, net_, curv_;
  std::vector<double> fine_net_;  // net counts of the lighter smoothing
  std::vector<int> cand_;         // candidate channels of the whole window, ascending
  std::vector<bool> fine_;        // whether a candidate comes from the lighter smoothing
};

// The counts smoothed in the square-root scale, where the noise is alike at every level, by a
// smoothing spline with equal weights whose response to a single channel is 0.8 widths wide: it
// keeps the peaks and rings little next to large ones.
std::vector<double> OldWindow::SmoothCounts(double widths) const {
  NumericWork& work = ctx_.work;
  for (int k = 1; k <= n_; ++k) {
    work.work_data[k] = std::sqrt(Raw(k) + 0.375);
    work.work_result[k] = 1.0;  // equal weights
  }
  // With equal weights the spline's response to one channel is about k channels wide (FWHM) for
  // lambda = 0.099 (5 / k)^4.
  const double kernel = std::max(1.0, widths * w_);
  const double lambda = 0.099 * std::pow(5.0 / kernel, 4.0);
  SmoothSpline(work, n_, true, lambda * n_);
  std::vector<double> smooth(Ix(n_ + 1), 0.0);
  for (int k = 1; k <= n_; ++k) {
    const double r = std::max(0.0, work.work_result[k]);
    smooth[Ix(k)] = std::max(0.0, r * r - 0.375);
  }
  return smooth;
}

// The lower envelope of the smoothed counts (SmoothAuto) runs along the troughs of the noise.
// Lifted by the median gap between it and the smoothed counts it runs through the middle of the
// noise and serves as the background; the lift is at most 2.5 errors, so that a window crowded
// with peaks keeps a low background.
void OldWindow::SmoothWindow() {
  NumericWork& work = ctx_.work;
  smooth_ = SmoothCounts(kKernelWidths);
  for (int k = 1; k <= n_; ++k) work.work_data[k] = smooth_[Ix(k)];
  SmoothAuto(work, n_, 7);
  back_.assign(Ix(n_ + 1), 0.0);
  std::vector<double> gap, level;
  for (int k = 1; k <= n_; ++k) {
    back_[Ix(k)] = std::min(Finite(work.work_result[k]), smooth_[Ix(k)]);
    gap.push_back(smooth_[Ix(k)] - back_[Ix(k)]);
    level.push_back(back_[Ix(k)]);
  }
  const std::size_t middle = gap.size() / 2;
  const auto mid = static_cast<std::ptrdiff_t>(middle);
  std::nth_element(gap.begin(), gap.begin() + mid, gap.end());
  std::nth_element(level.begin(), level.begin() + mid, level.end());
  const double lift =
      std::min(gap[middle], kLiftErrors * std::sqrt(std::fabs(level[middle]) + 1.0));
  net_.assign(Ix(n_ + 1), 0.0);
  for (int k = 1; k <= n_; ++k) {
    back_[Ix(k)] = std::min(back_[Ix(k)] + lift, smooth_[Ix(k)]);
    net_[Ix(k)] = smooth_[Ix(k)] - back_[Ix(k)];
  }
}

// The normalised curvature of the net counts, three- and five-point differences averaged, with a
// tiny ramp that keeps equal values apart. Below about 100 counts per channel the net counts are
// scaled up by 10 / sqrt(background + 1) for it, so that the fixed level of -1.5 stands at the
// same height above the noise as at 100 counts; otherwise weak peaks on a low background would
// never reach it.
std::vector<double> OldWindow::Curvature(const std::vector<double>& net) const {
  double level = 0.0;
  for (int k = 1; k <= n_; ++k) level += Back(k);
  level /= n_;
  const double scale = std::max(1.0, 10.0 / std::sqrt(level + 1.0)) *
                       std::max(1.0, (w_ / kCurvatureWidth) * (w_ / kCurvatureWidth));
  NumericWork& work = ctx_.work;
  for (int k = 1; k <= n_; ++k) work.work_data[k] = scale * net[Ix(k)];
  std::vector<double> curv(Ix(n_ + 1), 0.0);
  const auto& y = work.work_data;
  for (int k = 2; k <= n_ - 1; ++k) {
    const double d1 = (y[k + 1] - y[k - 1]) / 2.0;
    const double d2 = y[k - 1] - 2.0 * y[k] + y[k + 1];
    const SavGolValues five = SavGolEstimate(work, n_, k);
    curv[Ix(k)] =
        (d2 / std::sqrt(d1 * d1 + 1.0) + five.second / std::sqrt(five.first * five.first + 1.0)) /
            2.0 +
        0.000007 * k;
  }
  return curv;
}

// Curvature minima at or below the level (channels 2 and n - 1 compared with their inner
// neighbour only, the curvature being undefined at the window ends), each moved once to a higher
// neighbour of `net`, right first.
std::vector<int> OldWindow::CurvatureMinima(const std::vector<double>& curv,
                                            const std::vector<double>& net) const {
  std::vector<int> minima;
  for (int k = 2; k <= n_ - 1; ++k) {
    const double c = curv[Ix(k)];
    const bool left = k == 2 || c < curv[Ix(k - 1)];
    const bool right = k == n_ - 1 || c <= curv[Ix(k + 1)];
    if (!(c <= -kCurvatureLevel && left && right)) continue;
    int p = k;
    if (net[Ix(k + 1)] > net[Ix(k)]) {
      p = k + 1;
    } else if (net[Ix(k - 1)] > net[Ix(k)]) {
      p = k - 1;
    }
    minima.push_back(p);
  }
  return minima;
}

// The candidates. Two minima less than a width apart are one peak split by the noise: the higher
// one stands for it. The smoothing blurs a weaker peak within two widths of a stronger one into a
// shoulder, so where the counts are high (the net count at least 10 errors of the background) the
// minima of a lighter smoothing (0.4 widths) are added, unless a candidate lies within a width;
// they are placed on the lightly smoothed counts.
void OldWindow::FindCandidates() {
  std::vector<std::pair<int, bool>> all;  // channel, and whether the lighter smoothing found it
  for (int p : CurvatureMinima(curv_, net_)) {
    if (!all.empty() && p - all.back().first < w_) {
      if (Net(p) > Net(all.back().first)) all.back().first = p;
      continue;
    }
    all.push_back({p, false});
  }
  const std::vector<double> light = SmoothCounts(kFineKernelWidths);
  fine_net_.assign(Ix(n_ + 1), 0.0);
  for (int k = 1; k <= n_; ++k) fine_net_[Ix(k)] = std::max(0.0, light[Ix(k)] - Back(k));
  const std::size_t strong = all.size();
  for (int p : CurvatureMinima(Curvature(fine_net_), fine_net_)) {
    if (fine_net_[Ix(p)] < kFineErrors * std::sqrt(Back(p) + 1.0)) continue;
    const bool near = std::any_of(all.begin(), all.end(), [&](const std::pair<int, bool>& c) {
      return std::abs(c.first - p) < w_;
    });
    if (!near) all.push_back({p, true});
  }
  if (all.size() > strong) std::sort(all.begin(), all.end());
  cand_.clear();
  fine_.clear();
  for (const auto& [p, fine] : all) {
    cand_.push_back(p);
    fine_.push_back(fine);
  }
}

std::vector<FoundGroup> OldWindow::Analyse() {
  SmoothWindow();
  curv_ = Curvature(net_);
  FindCandidates();
  std::vector<FoundGroup> found;
  if (cand_.empty()) return found;
  // A curvature maximum whose count is not significantly above the background closes the group
  // once the group spans two widths, so that a group holds a whole peak with its flanks.
  const int min_length = std::max(3, RoundToInt(2.0 * w_));
  int first = 1;
  for (int k = 2; k <= n_ - 1; ++k) {
    const bool maximum =
        (k == 2 || Curv(k) > Curv(k - 1)) && (k == n_ - 1 || Curv(k) >= Curv(k + 1));
    if (!maximum || k - first < min_length) continue;
    const double c = Smooth(k), b = Back(k);
    if (c - b < 5.0 * std::sqrt(std::fabs(c + b + 1.0)) * Sens()) {
      CheckGroup(first, k, found);
      first = k;
    }
  }
  CheckGroup(first, n_, found);
  return found;
}

void OldWindow::CheckGroup(int first, int last, std::vector<FoundGroup>& out) {
  std::vector<std::size_t> members;
  for (std::size_t j = 0; j < cand_.size(); ++j) {
    if (cand_[j] >= first && (cand_[j] < last || last == n_)) members.push_back(j);
  }
  if (members.empty()) return;
  // Background: the lower of the envelope and the straight line through the smoothed counts at
  // the group's ends (the single counts there would tilt it by their noise).
  const double y1 = Smooth(first), y2 = Smooth(last);
  std::vector<double> line(Ix(n_ + 1), 0.0), bg(Ix(n_ + 1), 0.0);
  for (int k = 1; k <= n_; ++k) {
    line[Ix(k)] = last > first ? y1 + (y2 - y1) * (k - first) / (last - first) : y1;
    bg[Ix(k)] = k >= first && k <= last ? std::min(line[Ix(k)], Back(k)) : Back(k);
  }
  // The group as a whole: the counts within a width of its highest net channel must stand out.
  int top = first;
  for (int k = first; k <= last; ++k) {
    if (Net(k) > Net(top)) top = k;
  }
  const int reach = RoundToInt(w_);
  double sum = 0.0, back = 0.0;
  for (int k = std::max(first, top - reach); k <= std::min(last, top + reach); ++k) {
    sum += Raw(k);
    back += bg[Ix(k)];
  }
  const double limit = 3.0 * std::sqrt(std::fabs(sum + back + 1.0)) * Sens();
  Trace([&] {
    return "Group " + F(6, 0, start_ + first - 1) + F(6, 0, start_ + last - 1) +
           "  S-B= " + F(10, 1, sum - back) + "  limit= " + F(9, 1, limit);
  });
  if (sum - back < limit) return;

  FoundGroup group;
  group.first = start_ + first - 1;
  group.last = start_ + last - 1;
  int kept = 0;
  for (std::size_t j : members) {
    if (!KeepCandidate(j, line, bg)) continue;
    kept = cand_[j];
    group.peaks.push_back(start_ + Refine(cand_[j], fine_[j]) - 1);
  }
  if (group.peaks.size() == 1) {
    std::vector<double> split = SplitDoublet(kept, first, last, bg);
    if (!split.empty()) group.peaks = split;
  }
  if (!group.peaks.empty()) out.push_back(group);
}

// The single-channel tests, with E = 2.5 sens sqrt(|count + background + 1|) and
// f = min(0.002 count + 0.5, 1): the count above the line by E/2 and above the background by E f,
// each neighbour above its background by 1.5 sens sqrt(|count + background + 1|) f; then, unless
// sens is exactly 0.5, the steepness on both sides.
bool OldWindow::KeepCandidate(std::size_t j, const std::vector<double>& line,
                              const std::vector<double>& bg) const {
  const int p = cand_[j];
  const double c = Raw(p), b = bg[Ix(p)];
  const double e = 2.5 * Sens() * std::sqrt(std::fabs(c + b + 1.0));
  const double f = std::min(0.002 * c + 0.5, 1.0);
  bool keep = c - line[Ix(p)] >= e / 2.0 && c - b >= e * f;
  for (int k : {p - 1, p + 1}) {
    const double bk = bg[Ix(std::clamp(k, 1, n_))];
    if (Raw(k) - bk < 1.5 * Sens() * std::sqrt(std::fabs(Raw(k) + bk + 1.0)) * f) keep = false;
  }
  const bool steep = keep && (Sens() == 0.5 || Steep(j, bg));
  Trace([&] {
    return "  cand " + F(8, 1, start_ + p - 1) + " S= " + F(8, 2, Curv(p)) + " c= " + F(9, 1, c) +
           " bg= " + F(9, 1, b) + " E= " + F(8, 1, e) + " f= " + F(5, 2, f) + (keep ? " +" : " -") +
           (steep ? " steep" : " flat");
  });
  return keep && steep;
}

// Steepness: the mean net count of the three top channels against the net counts about one width
// away on each side (window channels round(w/2) .. round(w) + 1 from the top), or, towards a
// neighbouring candidate nearer than twice that, against the valley between the two. On both
// sides the fall must reach 30 % of the top and 3.5 sens errors; the errors are those of the
// background, the counts expected without a peak.
bool OldWindow::Steep(std::size_t j, const std::vector<double>& bg) const {
  const int p = cand_[j];
  auto mean_net = [&](int from, int to, double& var) {
    double sum = 0.0;
    var = 0.0;
    const int lo = std::max(1, std::min(from, to)), hi = std::min(n_, std::max(from, to));
    for (int k = lo; k <= hi; ++k) {
      sum += Raw(k) - bg[Ix(k)];
      var += Back(k) + 1.0;
    }
    const int m = std::max(1, hi - lo + 1);
    var /= static_cast<double>(m) * m;
    return sum / m;
  };
  double top_var = 0.0;
  const double top = mean_net(p - 1, p + 1, top_var);
  const int near = std::max(1, RoundToInt(w_ / 2.0));
  const int far = RoundToInt(w_) + 1;
  for (int side : {-1, 1}) {
    double level = 0.0, var = 0.0, share = kSideFall;
    const bool has_neighbour = side < 0 ? j > 0 : j + 1 < cand_.size();
    const int neighbour = has_neighbour ? cand_[side < 0 ? j - 1 : j + 1] : 0;
    if (has_neighbour && std::abs(neighbour - p) <= 2 * far) {
      level = top;
      share = kValleyFall;
      for (int k = p + side; k != neighbour; k += side) {
        double v = 0.0;
        const double mean = mean_net(k - 1, k + 1, v);
        if (mean < level) {
          level = mean;
          var = v;
        }
      }
    } else {
      const int from = p + side * near, to = p + side * far;
      if ((side < 0 && from < 1) || (side > 0 && from > n_)) continue;  // nothing to compare
      level = mean_net(from, to, var);
    }
    const double drop = top - level;
    Trace([&] {
      return "    steep " + F(3, 0, side) + " top= " + F(9, 1, top) + " side= " + F(9, 1, level) +
             " err= " + F(7, 2, std::sqrt(top_var + var));
    });
    if (drop < share * top || drop < kSteepErrors * Sens() * std::sqrt(top_var + var)) {
      return false;
    }
  }
  return true;
}

// The vertex of the parabola through the smoothed net counts at p - 1, p, p + 1, at most half a
// channel away from p.
double OldWindow::Refine(int p, bool fine) const {
  if (p <= 1 || p >= n_) return p;
  const std::vector<double>& net = fine ? fine_net_ : net_;
  const double a = net[Ix(p - 1)], b = net[Ix(p)], c = net[Ix(p + 1)];
  const double denom = a - 2.0 * b + c;
  if (!(denom < 0.0)) return p;
  return p + std::clamp(0.5 * (a - c) / denom, -0.5, 0.5);
}

// A single strong peak (more than 100 net counts) that is much wider than the width line is taken
// as an unresolved doublet, when the width is well known (delta_w / w <= 0.5) and resol >= 0: its
// measured width must exceed 1.25 delta_w + w + 0.5. The two peaks are placed symmetrically about
// the centre of the half-maximum region, at the separation that two equal peaks of width w need to
// show the measured width. Returns nothing when the peak stays single.
std::vector<double> OldWindow::SplitDoublet(int p, int first, int last,
                                            const std::vector<double>& bg) const {
  const double w = w_;
  const double dw = ctx_.spectrum.delta_w;
  if (ctx_.marking.resol < 0.0 || !(dw / w <= 0.5) || Net(p) <= 100.0) return {};
  OneBasedArray<double> net(n_, 0.0);
  for (int k = first; k <= last; ++k) net[k] = Raw(k) - bg[Ix(k)];
  const double measured = HalfWidth(net, p, n_);
  Trace([&] {
    return "  width " + F(8, 1, start_ + p - 1) + F(8, 2, measured) + F(8, 2, 1.25 * dw + w + 0.5);
  });
  if (!(measured > 1.25 * dw + w + 0.5)) return {};
  // Excess width (in widths) of two equal peaks at a separation (in widths).
  static constexpr double kExcess[] = {0.0, 0.204, 0.536, 0.946, 1.24, 1.498, 1.998};
  static constexpr double kSeparation[] = {0.0, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0};
  const double excess = (measured - w) / w;
  double separation = excess;  // beyond the table the width grows with the separation
  for (int i = 1; i < 7; ++i) {
    if (excess <= kExcess[i]) {
      const double t = (excess - kExcess[i - 1]) / (kExcess[i] - kExcess[i - 1]);
      separation = kSeparation[i - 1] + t * (kSeparation[i] - kSeparation[i - 1]);
      break;
    }
  }
  // Centre of the region above half maximum.
  const double half = Net(p) / 2.0;
  int lo = p, hi = p;
  while (lo > first && Net(lo - 1) >= half) --lo;
  while (hi < last && Net(hi + 1) >= half) ++hi;
  const double centre = (lo + hi) / 2.0;
  const double d = std::max(0.5, separation * w / 2.0);
  if (centre - d <= first || centre + d >= last) return {};
  return {start_ + centre - d - 1, start_ + centre + d - 1};
}

// Where the old division takes its room: a : b on the left and the right of a peak, from the sign
// of the peak model's centroid offset (a magnitude below 0.25 counts as 0).
struct Proportions {
  double a = 3.25, b = 3.25;
};

Proportions DivisionProportions(const MarkingContext& ctx) {
  const double offset = ctx.peak_model.centroid_offset;
  if (!(std::fabs(offset) >= 0.25)) return {3.25, 3.25};
  return offset < 0.0 ? Proportions{3.5, 3.0} : Proportions{3.0, 3.5};
}

// An interval of the marking data array.
struct MarkedInterval {
  int left = 0, right = 0;
  std::vector<double> peaks;
};

// Reads marking_data as a sequence of (-left, peaks, -right); false when it is not one, or when an
// interval has no peak.
bool ReadIntervals(const MarkingContext& ctx, std::vector<MarkedInterval>& out) {
  const int length = ctx.marking.marking_length;
  if (length < 3 || length > ctx.marking.marking_data.capacity()) return false;
  MarkedInterval current;
  bool inside = false;
  for (int i = 1; i <= length; ++i) {
    const double v = ctx.marking.marking_data[i];
    if (!(std::fabs(v) >= 0.5 && std::fabs(v) <= kMaxChannels)) return false;  // also NaN
    if (v > 0.0) {
      if (!inside) return false;
      current.peaks.push_back(v);
    } else if (!inside) {
      current = MarkedInterval{RoundToInt(-v), 0, {}};
      inside = true;
    } else {
      if (current.peaks.empty()) return false;
      current.right = RoundToInt(-v);
      out.push_back(current);
      inside = false;
    }
  }
  return !inside;
}

void WriteIntervals(const MarkingContext& ctx, const std::vector<MarkedInterval>& intervals) {
  int used = 0;
  for (const MarkedInterval& interval : intervals) {
    ctx.marking.marking_data[++used] = -interval.left;
    for (double p : interval.peaks) ctx.marking.marking_data[++used] = p;
    ctx.marking.marking_data[++used] = -interval.right;
  }
  ctx.marking.marking_length = used;
}

// One pass of the old division over `iv`; returns whether neighbours were joined.
bool DividePass(const MarkingContext& ctx, std::vector<MarkedInterval>& iv, int lo, int hi) {
  const Proportions ab = DivisionProportions(ctx);
  auto width = [&](double ch) {
    const double w = ctx.width.width_slope * ch + ctx.width.width_offset;
    return std::isfinite(w) ? std::clamp(w, 2.5, static_cast<double>(kMaxChannels)) : 2.5;
  };
  // Room beside a peak group: at least one width, a or b widths less one channel per further peak.
  auto room = [](double w, double share, std::size_t peaks) {
    return std::max(w, share * w - static_cast<double>(peaks) + 1.0);
  };
  const std::size_t m = iv.size();
  // touching[k]: intervals k and k + 1 share their bound; forced[k]: no channel lies between
  // their peaks, so they cannot be kept apart.
  std::vector<bool> touching(m, false), forced(m, false);
  for (std::size_t k = 0; k + 1 < m; ++k) {
    MarkedInterval& one = iv[k];
    MarkedInterval& two = iv[k + 1];
    const double p = one.peaks.back(), q = two.peaks.front();
    const double g = q - p;
    const double w = width((one.right + two.left) / 2.0);
    const int first_between = static_cast<int>(std::floor(p)) + 1;
    const int last_between = static_cast<int>(std::ceil(q)) - 1;
    if (first_between > last_between) {
      forced[k] = touching[k] = true;
    } else if (g <= (ab.a + ab.b) * w) {
      const int shared =
          std::clamp(RoundToInt(p + g * ab.b / (ab.a + ab.b)), first_between, last_between);
      one.right = two.left = shared;
      touching[k] = true;
    } else {
      one.right = RoundToInt(p + room(w, ab.b, one.peaks.size()));
      two.left = RoundToInt(q - room(w, ab.a, two.peaks.size()));
    }
  }
  // The outer bounds, within the interval under analysis (never cutting off a peak).
  MarkedInterval& head = iv.front();
  MarkedInterval& tail = iv.back();
  const double p_first = head.peaks.front(), p_last = tail.peaks.back();
  head.left = RoundToInt(p_first - room(width(p_first), ab.a, head.peaks.size()));
  head.left = std::min(std::max(head.left, lo), static_cast<int>(std::floor(p_first)));
  tail.right = RoundToInt(p_last + room(width(p_last), ab.b, tail.peaks.size()));
  tail.right = std::max(std::min(tail.right, hi), static_cast<int>(std::ceil(p_last)));

  // Intervals longer than max_interval lose the excess on their free sides, half on each, but
  // keep a width of room beside their outer peaks.
  const int longest = std::max(1, ctx.marking.max_interval);
  for (std::size_t k = 0; k < m; ++k) {
    MarkedInterval& one = iv[k];
    const int excess = one.right - one.left + 1 - longest;
    if (excess <= 0) continue;
    const bool free_left = k == 0 || !touching[k - 1];
    const bool free_right = k + 1 == m || !touching[k];
    const double p = one.peaks.front(), q = one.peaks.back();
    const int left_room = free_left ? static_cast<int>(std::floor(p - width(p))) - one.left : 0;
    const int right_room = free_right ? one.right - static_cast<int>(std::ceil(q + width(q))) : 0;
    int left_cut = std::clamp((excess + 1) / 2, 0, std::max(0, left_room));
    const int right_cut = std::clamp(excess - left_cut, 0, std::max(0, right_room));
    left_cut = std::clamp(excess - right_cut, 0, std::max(0, left_room));
    one.left += left_cut;
    one.right -= right_cut;
  }

  // Touching neighbours are joined when the joined interval is not longer than max_interval.
  std::vector<MarkedInterval> joined;
  bool any = false;
  for (std::size_t k = 0; k < m; ++k) {
    if (k > 0 && touching[k - 1] &&
        (forced[k - 1] || iv[k].right - joined.back().left + 1 <= longest)) {
      MarkedInterval& last = joined.back();
      last.right = iv[k].right;
      last.peaks.insert(last.peaks.end(), iv[k].peaks.begin(), iv[k].peaks.end());
      any = true;
    } else {
      joined.push_back(iv[k]);
    }
  }
  iv = std::move(joined);
  return any;
}

}  // namespace

int FindPeaksOld(const MarkingContext& ctx, UserInterface& ui) {
  ctx.marking.marking_length = 0;
  const TSpectrum& sp = ctx.spectrum;
  const int a1 = std::clamp(sp.a1, 1, kMaxChannels);
  const int a2 = std::clamp(sp.a2, 1, kMaxChannels);
  int start = std::max(ctx.view.interval_begin, a1);
  if (start == a1) ++start;
  const int last = std::min(ctx.view.interval_end, a2) - 1;
  const int length = std::clamp(ctx.marking.max_interval, kMinWindow, kWorkArraySize);
  auto trace = [&](auto make_line) {
    if (ctx.view.debug_mode) ctx.debug_log->WriteLine(make_line());
  };

  int peaks = 0;
  int used = 0;  // values written to marking_data
  double last_peak = -1e300;
  const int capacity = ctx.marking.marking_data.capacity();
  bool stopped = false;
  while (!stopped && start < last) {
    int end = std::min(start + length - 1, last);
    int n = end - start + 1;
    // The search ends where a window is no longer than two widths (also on a broken width line).
    const double w_first = ctx.width.width_slope * start + ctx.width.width_offset;
    if (!(n > 2.0 * w_first)) break;
    std::vector<double> raw(Ix(n + 1), 0.0);
    for (int k = 1; k <= n; ++k) raw[Ix(k)] = std::max(0.0, Finite(sp.counts[start + k - 1]));
    // The window ends at the lowest channel of its last third (the first of equal ones).
    const int m = std::min(2 * (length / 3) + 1, n);
    if (m < n) {
      const auto lowest = std::min_element(raw.begin() + m, raw.end());
      n = static_cast<int>(lowest - raw.begin());
      end = start + n - 1;
      raw.resize(Ix(n + 1));
    }
    trace([&] { return "   Old interval = " + F(6, 0, start) + F(6, 0, end); });
    // Window test: the three channels around the maximum against the minimum.
    const double low = *std::min_element(raw.begin() + 1, raw.end());
    const auto highest = std::max_element(raw.begin() + 1, raw.end());  // the first of equal ones
    const int top = std::clamp(static_cast<int>(highest - raw.begin()), 2, std::max(2, n - 1));
    const double s3 = raw[Ix(top - 1)] + raw[Ix(top)] + raw[Ix(std::min(top + 1, n))];
    if (n >= 3 && 3.0 * std::sqrt(std::fabs(3.0 * low + 1.0)) * ctx.marking.sens <=
                      std::fabs(s3 - 3.0 * low)) {
      double width = ctx.width.width_slope * (start + end) / 2.0 + ctx.width.width_offset;
      width = std::clamp(Finite(width), 1.0, static_cast<double>(n));
      OldWindow window(ctx, start, std::move(raw), width);
      for (FoundGroup& group : window.Analyse()) {
        // A peak on the shared channel of two windows may be seen from both.
        std::erase_if(group.peaks, [&](double p) { return p < last_peak + 1.0; });
        const int wanted = static_cast<int>(group.peaks.size());
        if (wanted == 0) continue;
        // Each group takes its two bounds and its peaks; the list stops at 300 peaks or when the
        // array is full.
        const int take = std::min({wanted, kMaxOldSearchPeaks - peaks, capacity - used - 2});
        if (take < wanted) stopped = true;
        if (take <= 0) break;
        ctx.marking.marking_data[++used] = -group.first;
        for (int j = 0; j < take; ++j) {
          ctx.marking.marking_data[++used] = group.peaks[Ix(j)];
          trace([&] { return F(12, 2, group.peaks[Ix(j)]); });
        }
        ctx.marking.marking_data[++used] = -group.last;
        last_peak = group.peaks[Ix(take - 1)];
        peaks += take;
        if (peaks >= kMaxOldSearchPeaks) stopped = true;
        if (stopped) break;
      }
    }
    start = end;
  }
  ctx.marking.marking_length = used;
  if (stopped) ui.ShowNote(std::to_string(peaks) + " peaks already found, search stopped");
  return peaks;
}

void OldDivision(const MarkingContext& ctx) {
  std::vector<MarkedInterval> intervals;
  if (!ReadIntervals(ctx, intervals) || intervals.empty()) return;  // nothing sound to divide
  const int lo = std::clamp(ctx.view.interval_begin, 1, kMaxChannels);
  const int hi = std::clamp(ctx.view.interval_end, lo, kMaxChannels);
  for (int pass = 1; pass <= 3; ++pass) {
    if (!DividePass(ctx, intervals, lo, hi)) break;
  }
  WriteIntervals(ctx, intervals);
  if (ctx.view.debug_mode) {
    for (const MarkedInterval& interval : intervals) {
      ctx.debug_log->WriteLine("Old division " + F(7, 0, interval.left) + F(7, 0, interval.right) +
                               F(5, 0, static_cast<double>(interval.peaks.size())));
    }
  }
}

}  // namespace pektra
