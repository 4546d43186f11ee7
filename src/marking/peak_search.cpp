// The new peak search. Channels c are spectrum channels; k, i, p are window channels 1..n; "work"
// is work_data, which holds the window counts, then the net counts, then the residual.
#include "marking/peak_search.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/number_format.h"
#include "core/user_interface.h"
#include "marking/marking_context.h"
#include "numeric/array_tools.h"
#include "numeric/peak_probe.h"
#include "numeric/smoothing.h"

namespace pektra {

namespace {

std::string F(int width, int decimals, double x) { return FormatFixed(width, decimals, x); }
std::string B(int width, bool flag) {
  const std::string text = flag ? "TRUE" : "FALSE";
  return std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size()))),
                     ' ') +
         text;
}

// One window of the search: the state, the search object and the candidate list.
class Window {
 public:
  Window(const MarkingContext& ctx, int start, int end, int n)
      : st_(ctx),
        s_(ctx.peak_search),
        work_(ctx.work.work_data),
        err_(s_.search_errors),
        start_(start),
        end_(end),
        n_(n) {}

  // The steps after the background subtraction; returns the candidates as spectrum channels.
  std::vector<double> FindCandidates();

 private:
  void Trace(const std::string& line) {
    if (st_.view.debug_mode) st_.debug_log->WriteLine(line);
  }
  double Sens() const { return st_.marking.sens; }
  double Resol() const { return std::fabs(st_.marking.resol); }
  double WidthAccuracy() const { return s_.width_accuracy * s_.compression; }  // window channels
  // The spectrum channel of window position p. Uncompressed, window channel p is start + p - 1.
  // Compressed by f, bin p is centred on the window's channel parts at f (p - 1), that is on
  // window channel f (p - 1) - 0.5: start + f p - 1 would put every peak f + 0.5 channels high.
  double SpectrumChannel(double p) const {
    return s_.compression == 1.0 ? start_ + p - 1 : start_ + s_.compression * (p - 1) - 1.5;
  }
  int Channel(double p) const { return RoundToInt(SpectrumChannel(p)); }
  double At(int i) const { return work_[std::clamp(i, 1, n_)]; }
  double ErrAt(int i) const { return err_[std::clamp(i, 1, n_)]; }
  // Width the width line expects at window channel p, in window channels.
  double ExpectedWidth(double p) const { return (start_ + p - 1) * s_.work_slope + s_.work_offset; }
  void SortPositions() { std::sort(pos_.begin(), pos_.end()); }

  void DetectCandidates();
  void CheckAreas(double wc);
  void AnalyseWidths();
  // Expected widths wc, found half widths wf (-1: none) and channels p of the candidates, and the
  // median found width.
  struct Widths {
    std::vector<double> wc, wf;
    std::vector<int> p;
    double median = 0.0;
  };
  // The tests of a candidate: a significant, b of the expected width, c clear of its neighbours.
  struct Flags {
    bool a, b, c;
  };
  // Drops the candidates that pass none of the tests and the spurs, and splits the unresolved
  // doublets; the flag sums of the tests go to search_quality.
  void ScreenByWidth();
  // Records the found widths in search_widths; width_exact turns false when their mean is far from
  // their median or from the width line.
  Widths MeasureWidths();
  Flags TestCandidate(std::size_t j, const Widths& w);
  // A significant, isolated candidate much wider than expected is an unresolved doublet: where
  // there is room, it moves half an expected width (at least 3) left, and a partner as far right
  // goes to `partners`.
  void SplitWideCandidate(std::size_t j, const Widths& w, const Flags& f,
                          std::vector<double>& partners);
  // A spur: hardly any channel around the candidate differs from it significantly.
  bool IsSpur(std::size_t j, const Widths& w);
  // Isolated residual spikes of one or two channels are cleared.
  void ClearResidualSpikes();
  bool CanSplitDoublet(std::size_t j, int p, const std::vector<double>& wf) const;
  void SubtractPeak(double position, double wc);
  void FindHiddenPeaks();
  void MergeClosePeaks(double wc);

  MarkingContext st_;
  TPeakSearch& s_;
  OneBasedArray<double>& work_;
  OneBasedArray<double>& err_;
  int start_, end_, n_;
  std::vector<double> pos_;      // candidate positions, window channels
  std::vector<double> quality_;  // their curvature
};

std::vector<double> Window::FindCandidates() {
  DetectCandidates();
  // The width line at the window-relative channel (end - start) / 2.
  const double wc = (end_ - start_) * s_.work_slope / 2 + s_.work_offset;
  if (!pos_.empty()) {
    CheckAreas(wc);
    if (s_.window_max >= 100) AnalyseWidths();
    if (!pos_.empty()) {
      FindHiddenPeaks();
      MergeClosePeaks(wc);
    }
  }
  s_.candidate_count = static_cast<int>(pos_.size());
  std::vector<double> channels;
  for (std::size_t j = 0; j < pos_.size(); ++j) {
    s_.search_positions[static_cast<int>(j) + 1] = pos_[j];
    channels.push_back(SpectrumChannel(pos_[j]));
    if (st_.view.debug_mode) Trace(F(12, 2, channels.back()));
  }
  return channels;
}

void Window::DetectCandidates() {
  const int n = n_;
  pos_.clear();
  quality_.clear();
  if (n < 5) return;
  // Normalised curvature: the three-point and the five-point second differences, each divided by
  // the local slope, averaged; the tiny ramp keeps equal values apart.
  std::vector<double> curvature(static_cast<std::size_t>(n + 1), 0.0);
  for (int k = 2; k <= n - 1; ++k) {
    const double d1 = (work_[k + 1] - work_[k - 1]) / 2;
    const double d2 = work_[k - 1] - 2 * work_[k] + work_[k + 1];
    const SavGolValues five = SavGolEstimate(work_, n, k);
    curvature[static_cast<std::size_t>(k)] =
        (d2 / std::sqrt(d1 * d1 + 1) + five.second / std::sqrt(five.first * five.first + 1)) / 2 +
        0.000007 * k;
    s_.search_positions[k] = curvature[static_cast<std::size_t>(k)];
  }
  auto s = [&curvature](int k) { return curvature[static_cast<std::size_t>(k)]; };
  for (int k = 2; k <= n - 1; ++k) {
    const double t = err_[k] * Sens() * s_.kse;
    // The end channels have no curvature of their own: they are compared with the inner side only.
    const bool minimum =
        s(k) < -1.5 && (k == 2 || s(k) < s(k - 1)) && (k == n - 1 || s(k) < s(k + 1));
    const bool candidate = minimum && work_[k - 1] > t && work_[k] > t && work_[k + 1] > t;
    if (st_.view.debug_mode) {
      Trace(F(6, 0, Channel(k)) + " qc,b,e,sa " + F(7, 2, s(k)) + F(7, 2, err_[k]) + F(7, 2, t) +
            F(7, 0, work_[k]) + B(8, candidate));
    }
    if (!candidate) continue;
    double p = k;
    if (work_[k + 1] > work_[k]) p += 1;
    if (work_[k - 1] > work_[k]) p -= 1;
    pos_.push_back(p);
    quality_.push_back(s(k));
  }

  if (s_.window_max < 500) {  // at low counts a candidate must show structure around it
    std::vector<double> kept_pos, kept_quality;
    for (std::size_t j = 0; j < pos_.size(); ++j) {
      const int lo = std::max(1, RoundToInt(pos_[j] - 3));
      const int hi = std::min(n - 1, RoundToInt(pos_[j] + 3));
      double d = 0.0, r = 0.0;
      for (int i = lo; i <= hi; ++i) {
        d += std::fabs(work_[i + 1] - work_[i]);
        r += std::sqrt(std::max(0.0, work_[i]));
      }
      if (0.33 * r * Sens() > d) {
        if (st_.view.debug_mode) Trace("dS < Serr" + F(9, 0, d) + F(9, 0, r));
        continue;
      }
      kept_pos.push_back(pos_[j]);
      kept_quality.push_back(quality_[j]);
    }
    pos_.swap(kept_pos);
    quality_.swap(kept_quality);
  }

  MergeCloseLowCountPairs(pos_, work_, n, std::max(2.0, WidthAccuracy()));
  quality_.resize(pos_.size());
}

void Window::CheckAreas(double wc) {
  const int n = n_;
  const std::size_t count = pos_.size();
  // Gaps to the left of each candidate, with n as the position after the last.
  std::vector<double> gap(count + 1);
  for (std::size_t j = 0; j <= count; ++j) {
    const double right = j < count ? pos_[j] : n;
    gap[j] = right - (j == 0 ? 1.0 : pos_[j - 1]);
    s_.search_widths[static_cast<int>(j) + 1] = gap[j];
  }
  if (st_.view.debug_mode) Trace("         pos     qc      ampl   err     area     err     spu= ");
  std::vector<double> kept_pos, kept_quality;
  for (std::size_t j = 0; j < count; ++j) {
    const int p = std::clamp(RoundToInt(pos_[j]), 1, n);
    const int lo = std::max(1, p - RoundToInt(std::min(gap[j] / 2, wc)));
    const int hi = std::min(n, p + RoundToInt(std::min(gap[j + 1] / 2, wc)));
    double area = 0.0, variance = 0.0;
    for (int i = lo; i <= hi; ++i) {
      area += work_[i];
      variance += err_[i] * err_[i];
    }
    const double threshold = 3 * std::sqrt(variance) * Sens() * s_.kse;
    const bool kept = !(area < threshold);
    if (st_.view.debug_mode) {
      Trace("SensA" + F(8, 0, Channel(pos_[j])) + F(7, 2, quality_[j]) + F(8, 0, work_[p]) +
            F(7, 0, err_[p]) + F(9, 2, area) + F(9, 2, threshold) + " spu= " + B(6, kept));
    }
    if (kept) {
      kept_pos.push_back(pos_[j]);
      kept_quality.push_back(quality_[j]);
    }
  }
  pos_.swap(kept_pos);
  quality_.swap(kept_quality);
  for (int k = 1; k <= n; ++k) {
    if (work_[k] < err_[k] * Sens() * s_.kse) work_[k] = 0.0;
  }
}

void Window::AnalyseWidths() {
  if (pos_.size() >= 2) ScreenByWidth();
  quality_.assign(pos_.size(), 0.0);

  for (const double position : std::vector<double>(pos_)) {
    SubtractPeak(position, ExpectedWidth(position));
  }
  ClearResidualSpikes();
}

Window::Widths Window::MeasureWidths() {
  const int n = n_;
  const double accuracy = WidthAccuracy();
  const std::size_t count = pos_.size();
  Widths w{std::vector<double>(count), std::vector<double>(count), std::vector<int>(count), 0.0};
  double found_sum = 0.0, calib_sum = 0.0;
  for (std::size_t j = 0; j < count; ++j) {
    w.wc[j] = ExpectedWidth(pos_[j]);
    w.p[j] = std::clamp(RoundToInt(pos_[j]), 1, n);
    w.wf[j] = HalfWidth(work_, w.p[j], n);
    s_.search_widths[static_cast<int>(j) + 1] = w.wf[j];
    found_sum += w.wf[j] == -1 ? w.wc[j] : w.wf[j];
    calib_sum += w.wc[j];
  }
  w.median = Median(st_.work, s_.search_widths, static_cast<int>(count));
  const double mean_found = found_sum / count, mean_calib = calib_sum / count;
  if (std::fabs(mean_found - w.median) > 3 * accuracy ||
      std::fabs(mean_found - mean_calib) > 3 * accuracy) {
    st_.marking.width_exact = false;
  }
  if (st_.view.debug_mode)
    Trace("WidthA      real= " + F(7, 2, mean_found) + "  median= " + F(7, 2, w.median) +
          "  calib = " + F(7, 2, mean_calib) + "  dw= " + F(6, 2, accuracy));
  return w;
}

void Window::ScreenByWidth() {
  const std::size_t count = pos_.size();
  const Widths w = MeasureWidths();
  if (st_.view.debug_mode) Trace("ResA ");
  if (st_.view.debug_mode) Trace("     pos     counts   error  w_calib w_found");
  // Candidates are taken in order: a split moves pos_[j], which its right neighbour then sees.
  std::vector<double> partners;
  std::vector<bool> drop(count, false);
  for (std::size_t j = 0; j < count; ++j) {
    const Flags f = TestCandidate(j, w);
    SplitWideCandidate(j, w, f, partners);
    const double flags = 4.0 * f.a + 2.0 * f.b + f.c;
    s_.search_quality[static_cast<int>(j) + 1] = flags;
    drop[j] = RoundToInt(flags) == 0 || (s_.window_peak < 20 && !f.b && IsSpur(j, w));
  }
  std::vector<double> kept;
  for (std::size_t j = 0; j < count; ++j) {
    if (!drop[j]) kept.push_back(pos_[j]);
  }
  kept.insert(kept.end(), partners.begin(), partners.end());
  pos_.swap(kept);
  SortPositions();
}

Window::Flags Window::TestCandidate(std::size_t j, const Widths& w) {
  const std::size_t count = pos_.size();
  const double accuracy = WidthAccuracy();
  const double y = work_[w.p[j]];
  const double t = std::fabs(err_[w.p[j]]) * 3 * Sens();
  bool a = t <= y;
  bool b = w.wf[j] != -1 && std::fabs(w.wf[j] - w.wc[j]) <= accuracy * Resol();
  const bool right_free = j + 1 == count || pos_[j + 1] - pos_[j] > 2 * w.wc[j];
  const bool left_free = j == 0 || pos_[j] - pos_[j - 1] > 2 * w.wc[j];
  bool c = right_free && left_free && w.wf[j] != -1;
  // A spike or noise: too narrow, too low, or neither significant nor of the right width.
  if ((w.wf[j] >= 0.5 && w.wf[j] <= 2.0) || (y < t && w.wf[j] < w.wc[j]) || y < t / 2 ||
      (!a && !b && y <= 200)) {
    a = b = c = false;
  }
  if (st_.view.debug_mode)
    Trace("    " + F(9, 0, Channel(w.p[j])) + F(9, 0, y) + F(9, 0, t) + F(9, 2, w.wc[j]) +
          F(9, 2, w.wf[j]) + "   " + B(6, a) + " " + B(6, b) + " " + B(6, c));
  return {a, b, c};
}

void Window::SplitWideCandidate(std::size_t j, const Widths& w, const Flags& f,
                                std::vector<double>& partners) {
  const double accuracy = WidthAccuracy();
  const int p = w.p[j];
  const double y = work_[p];
  const bool too_wide =
      w.wf[j] - w.wc[j] > 1.5 * accuracy * Resol() && s_.width_accuracy / w.wc[j] < 0.25;
  if (!(f.a && !f.b && f.c && too_wide && y > 200)) return;
  const bool split = CanSplitDoublet(j, p, w.wf);
  if (st_.view.debug_mode) Trace(std::string(split ? "un" : "") + "resolved" + F(9, 0, Channel(p)));
  if (!split) return;
  const int d = std::max(3, RoundToInt(w.wc[j] / 2));
  pos_[j] = p - d;
  partners.push_back(p + d);
  if (st_.view.debug_mode)
    Trace(" replaced by " + F(9, 2, SpectrumChannel(p - d)) + F(9, 2, SpectrumChannel(p + d)));
}

bool Window::IsSpur(std::size_t j, const Widths& w) {
  const int n = n_;
  const std::size_t count = pos_.size();
  const int p = w.p[j];
  const double y = work_[p];
  // The limit of the half-ranges is the expected width; the right one uses the next candidate's.
  const double limit = w.wc[j];
  const double next = j + 1 < count && w.wf[j + 1] != -1 ? w.wf[j + 1] : limit;
  const int lo = std::max(1, p - RoundToInt(std::min(w.median / 2, limit)));
  const int hi = std::min(n, p + RoundToInt(std::min(next / 2, limit)));
  int differing = 0;
  for (int i = lo; i <= hi; ++i) {
    if (std::fabs(work_[i] - y) > err_[i] * Sens() * s_.kse) ++differing;
  }
  if (differing < 3 && hi - lo >= 5) {
    if (st_.view.debug_mode) Trace("spur " + F(5, 0, Channel(p)) + F(4, 0, differing));
    return true;
  }
  return false;
}

void Window::ClearResidualSpikes() {
  const int n = n_;
  for (int k = 1; k <= n - 2; ++k) {
    if (work_[k] == 0 && work_[k + 1] > 0 && work_[k + 2] == 0) work_[k + 1] = 0;
  }
  for (int k = 1; k <= n - 3; ++k) {
    if (work_[k] == 0 && work_[k + 1] > 0 && work_[k + 2] > 0 && work_[k + 3] == 0) {
      work_[k + 1] = work_[k + 2] = 0;
    }
  }
}

bool Window::CanSplitDoublet(std::size_t j, int p, const std::vector<double>& wf) const {
  const std::size_t count = pos_.size();
  int d = 0;
  for (std::size_t i = (j == 0 ? 0 : j - 1); i <= std::min(j + 1, count - 1); ++i) {
    d = std::max(d, RoundToInt(wf[i]));
  }
  const int left = j == 0 ? 1 : RoundToInt(pos_[j - 1]);
  const int right = j + 1 == count ? n_ : RoundToInt(pos_[j + 1]);
  return p - d - left > 0 && right - p - d > 0;
}

void Window::SubtractPeak(double position, double wc) {
  const int n = n_;
  const double centre = st_.peak_model.CentreValue();
  if (!(centre > 0)) return;
  int p0 = std::clamp(RoundToInt(position), 1, n);
  if (p0 > 1 && work_[p0 - 1] > work_[p0]) {
    --p0;
  } else if (p0 < n && work_[p0 + 1] > work_[p0]) {
    ++p0;
  }
  const double amplitude = work_[p0] / centre;
  const double width = std::max(wc, 0.5);
  const double g = 1.0 / std::max(width, 1.0);
  const TPeakModel& model = st_.peak_model;
  for (int i = 1; i <= n; ++i) {
    const double x = (i - p0) / width;
    if (std::fabs(x) - g >= model.span) continue;  // the shape is 0 there
    // The largest of three neighbouring shape values forgives a position error of a channel.
    const double m = std::max(
        {model.EvalTable(x).value, model.EvalTable(x + g).value, model.EvalTable(x - g).value});
    work_[i] = std::max(0.0, work_[i] - amplitude * m);
  }
}

void Window::FindHiddenPeaks() {
  const int n = n_;
  const double centre = st_.peak_model.CentreValue();
  const int w = RoundToInt(n * s_.work_slope / 2 + s_.work_offset);
  const int reach = std::max(1, w);
  int added = 0;
  // Each round zeroes the channel of the largest residual, so n rounds are always enough.
  for (int round = 0; round < n && centre > 0; ++round) {
    const MinMax extremes = FindMinMax(work_, 1, n);
    const int p = extremes.max_index;
    if (extremes.max_value < 16) break;
    const int lo_limit = std::max(1, p - reach), hi_limit = std::min(n, p + reach);
    int left = p;
    while (work_[left] != 0) {
      if (left == lo_limit) {
        left = std::max(1, lo_limit - 1);
        break;
      }
      --left;
    }
    int right = p;
    while (work_[right] != 0) {
      if (right == hi_limit) {
        right = std::min(n, hi_limit + 1);
        break;
      }
      ++right;
    }
    double area = 0.0;
    int positive = 0;
    for (int i = left; i <= right; ++i) {
      area += work_[i];
      if (work_[i] > 0) ++positive;
    }
    const double threshold = (right - left + 1) * 2 * err_[p] * Sens() * s_.kse;
    // Peel the model peak off the residual.
    const double amplitude = work_[p] / centre;
    const double wx = std::max(0.5, p * s_.work_slope + s_.work_offset + 0.5);
    const TPeakModel& model = st_.peak_model;
    for (int i = 1; i <= n; ++i) {
      const double x = (i - p) / wx;
      if (std::fabs(x) >= model.span) continue;
      work_[i] = std::max(0.0, work_[i] - amplitude * model.EvalShape(x).value);
    }
    work_[p] = 0.0;  // exactly, whatever the rounding of the subtraction
    if (area > threshold && positive + 1 >= w) {
      ++added;
      pos_.push_back(p);
      if (st_.view.debug_mode)
        Trace("Hidda ip,ass,e,k,iw " + F(5, 0, p) + F(9, 0, area) + F(9, 0, threshold) +
              F(5, 0, positive) + F(5, 0, w) + "    Added " + F(5, 0, added));
    }
  }
  SortPositions();
}

void Window::MergeClosePeaks(double wc) {
  while (pos_.size() >= 2) {
    std::size_t j = 0;
    for (std::size_t k = 0; k + 1 < pos_.size(); ++k) {
      s_.search_widths[static_cast<int>(k) + 1] = pos_[k + 1] - pos_[k];
      if (pos_[k + 1] - pos_[k] < pos_[j + 1] - pos_[j]) j = k;
    }
    const double gap = pos_[j + 1] - pos_[j];
    const double e1 = ErrAt(RoundToInt(pos_[j])), e2 = ErrAt(RoundToInt(pos_[j + 1]));
    const double t = std::max(1.0, 2 * wc * std::fabs(1 / e1 + 1 / e2) * Resol());
    if (!(gap < t || (gap < 2 && std::min(e1, e2) < 200))) break;
    pos_[j] = (pos_[j] + pos_[j + 1]) / 2;
    pos_.erase(pos_.begin() + static_cast<std::ptrdiff_t>(j + 1));
    SortPositions();
    if (st_.view.debug_mode)
      Trace("ChesrA  Merged " + F(5, 0, j + 1.0) + F(5, 0, j + 2.0) + " to " +
            F(9, 1, SpectrumChannel(pos_[j])) + " err= " + F(9, 2, t));
  }
}

}  // namespace

bool WindowHoldsSomething(double s3, double minimum, double sens) {
  return 3 * std::sqrt(std::fabs(3 * minimum + 1)) * sens <= std::fabs(s3 - 3 * minimum);
}

void MergeCloseLowCountPairs(std::vector<double>& positions, const OneBasedArray<double>& work,
                             int n, double min_distance) {
  for (std::size_t j = 0; j + 1 < positions.size(); ++j) {
    const int a = std::clamp(RoundToInt(positions[j]), 1, n);
    const int b = std::clamp(RoundToInt(positions[j + 1]), 1, n);
    if (std::max(work[a], work[b]) < 150 && b - a < min_distance) {
      positions[j] = (a * work[a] + b * work[b]) / std::max(work[a] + work[b], 1.0);
      positions.erase(positions.begin() + static_cast<std::ptrdiff_t>(j + 1));
    }
  }
}

namespace {

void DebugTrace(const MarkingContext& ctx, const std::string& line) {
  if (ctx.view.debug_mode) ctx.debug_log->WriteLine(line);
}

// Copies the spectrum from `start` on into the window, at most `length` channels and none past
// `last`, and ends the window in the valley of its last third. Returns the window's last channel.
int LoadWindow(const MarkingContext& ctx, int start, int last, int length) {
  TPeakSearch& s = ctx.peak_search;
  OneBasedArray<double>& work = ctx.work.work_data;
  const TSpectrum& spectrum = ctx.spectrum;
  int end = last - start + 1 < length ? last : std::min(start + length - 1, last);
  for (int c = start; c <= end; ++c) {
    work[c - start + 1] = std::max(0.0, spectrum.counts[c] + 0.000001 * c);
  }
  const int n = end - start + 1;
  const int third = std::min(2 * (length / 3) + 1, n);
  if (third < n) end = end - n + FindMinMax(work, third, n).min_index;
  s.raw_window_length = end - start + 1;
  return end;
}

// Rebins the n window channels by the compression and takes the working width line to the bins;
// returns the new window length. Uncompressed, or when rebinning fails, the window stays as it is.
int CompressWindow(const MarkingContext& ctx, int n) {
  TPeakSearch& s = ctx.peak_search;
  OneBasedArray<double>& work = ctx.work.work_data;
  OneBasedArray<double>& result = ctx.work.work_result;
  if (s.compression == 1.0) return n;
  int bins = 0;
  if (Rebin(ctx.work, n, s.compression, bins).ok && bins >= 3) {
    // Bin j collects the channel parts in [f (j - 1.5), f (j - 0.5)); the bins that the
    // window's channels [1, n + 1) do not fill whole take the value of their full neighbour.
    // (Only the very first and last are empty when f divides the window; otherwise the
    // second-to-last is half empty too, and would fake a steep drop at the window's end.)
    const double f = s.compression;
    const int first_full = std::clamp(static_cast<int>(std::ceil(1 / f + 1.5)), 1, bins);
    const int last_full =
        std::clamp(static_cast<int>(std::floor((n + 1) / f + 0.5)), first_full, bins);
    for (int k = 1; k < first_full; ++k) result[k] = result[first_full];
    for (int k = last_full + 1; k <= bins; ++k) result[k] = result[last_full];
    for (int k = 1; k <= bins; ++k) work[k] = result[k];
    n = bins;
  }
  s.work_slope /= s.compression;
  s.work_offset /= s.compression;
  return n;
}

// Records the extremes of the window: does anything stand out of the noise of its lowest level?
bool WindowStandsOut(const MarkingContext& ctx, int n) {
  TPeakSearch& s = ctx.peak_search;
  const OneBasedArray<double>& work = ctx.work.work_data;
  const MinMax extremes = FindMinMax(work, 1, n);
  s.window_min = extremes.min_value;
  s.min_index = extremes.min_index;
  s.window_max = extremes.max_value;
  s.max_index = std::clamp(extremes.max_index, 2, std::max(2, n - 1));
  const double s3 = work[s.max_index - 1] + work[s.max_index] + work[s.max_index + 1];
  return n >= 3 && WindowHoldsSomething(s3, s.window_min, ctx.marking.sens);
}

// Sums neighbours at low counts, sets the threshold factor kse, scales a high window down to a
// maximum of 10000 and takes the errors of the window counts.
void NormaliseWindow(const MarkingContext& ctx, int n) {
  TPeakSearch& s = ctx.peak_search;
  OneBasedArray<double>& work = ctx.work.work_data;
  if (s.window_max <= 150) {  // low counts: neighbours are summed
    for (int k = 1; k <= n - 1; ++k) work[k] += work[k + 1];
    work[n] += work[n - 1];
    s.window_max = std::max(work[s.max_index - 1], work[s.max_index + 1]) + s.window_max;
  }
  const double d = std::max(work[1], work[n]);
  s.kse =
      std::min(3.0, (1 - std::fabs(d) / std::max(2 * std::fabs(d), 1.0)) *
                        (2 + 4 * std::sqrt(std::exp(-std::pow((s.window_max - 500) / 2500, 2)))));
  s.window_peak = s.window_max;
  if (ctx.view.debug_mode)
    DebugTrace(ctx, "kse= " + F(9, 3, s.kse) + "  max,n= " + F(9, 0, s.window_max) +
                        F(8, 0, s.window_min));
  if (s.window_max > 10000) {
    const double scale = 10000 / std::max(1.0, s.window_max);
    for (int k = 1; k <= n; ++k) work[k] *= scale;
    s.window_max *= scale;
  }
  for (int k = 1; k <= n; ++k) s.search_errors[k] = std::sqrt(std::fabs(work[k]) + 1);
}

// The background under the window into work_result: the lower envelope of the smoother, or at low
// counts straight lines through the window ends and its lowest channel.
void WindowBackground(const MarkingContext& ctx, int n) {
  const TPeakSearch& s = ctx.peak_search;
  const OneBasedArray<double>& work = ctx.work.work_data;
  OneBasedArray<double>& result = ctx.work.work_result;
  if (s.window_max > 150) {
    SmoothAuto(ctx.work, n, 7);  // the lower envelope
    if (ctx.view.debug_mode) DebugTrace(ctx, "envel.lambd= " + F(12, 8, ctx.work.smoothing_value));
    return;
  }
  auto line = [&](int a, int b) {
    for (int k = a; k <= b; ++k) {
      result[k] = b == a ? work[a] : work[a] + (work[b] - work[a]) * (k - a) / (b - a);
    }
  };
  if (s.min_index <= 1 || s.min_index >= n) {
    line(1, n);
  } else {
    line(1, s.min_index);
    line(s.min_index, n);
  }
}

// Smooths the window, leaves its net counts in it and records their extremes.
void SubtractBackground(const MarkingContext& ctx, int n) {
  TPeakSearch& s = ctx.peak_search;
  OneBasedArray<double>& work = ctx.work.work_data;
  const OneBasedArray<double>& result = ctx.work.work_result;
  if (SmoothSplineAuto(ctx.work, n, 0.5, 1.0)) {
    for (int k = 2; k <= n - 1; ++k) work[k] = std::max(0.0, result[k]);
  }
  WindowBackground(ctx, n);
  for (int k = 1; k <= n; ++k) work[k] = std::max(0.0, work[k] - result[k]);
  const MinMax net = FindMinMax(work, 1, n);
  s.window_max = net.max_value;
  s.max_index = net.max_index;
  s.window_min = net.min_value;
  s.min_index = net.min_index;
}

// Appends the peaks of a window to peak_list. At the limit of the list the search stops, with a
// note: then false.
bool StorePeaks(const MarkingContext& ctx, UserInterface& ui, const std::vector<double>& found) {
  const int room = kMaxSearchPeaks - ctx.marking.peak_count;
  if (static_cast<int>(found.size()) >= room) {
    ui.ShowNote(std::to_string(kMaxSearchPeaks) + " peaks already found, search stopped");
    for (int j = 0; j < room; ++j) {
      ctx.marking.peak_list[++ctx.marking.peak_count] =
          std::fabs(found[static_cast<std::size_t>(j)]);
    }
    return false;
  }
  for (const double channel : found)
    ctx.marking.peak_list[++ctx.marking.peak_count] = std::fabs(channel);
  return true;
}

// The search in the loaded window of n (window) channels, spectrum channels start..end; false when
// the search stops.
bool SearchWindow(const MarkingContext& ctx, UserInterface& ui, int start, int end, int n) {
  TPeakSearch& s = ctx.peak_search;
  s.window_start = start;
  s.window_end = end;
  s.window_length = n;
  if (ctx.view.debug_mode)
    DebugTrace(ctx, "                Interval = " + F(6, 0, start) + F(6, 0, end));
  if (!WindowStandsOut(ctx, n)) return true;
  NormaliseWindow(ctx, n);
  SubtractBackground(ctx, n);
  Window window(ctx, start, end, n);
  return StorePeaks(ctx, ui, window.FindCandidates());
}

}  // namespace

void FindPeaks(const MarkingContext& ctx, UserInterface& ui, int b1, double delta_w, double w2,
               double w1, int b2) {
  TPeakSearch& s = ctx.peak_search;
  ctx.marking.peak_count = 0;
  ctx.marking.width_exact = true;
  s.width_accuracy = delta_w;
  const int first = std::max(2, b1);
  const int last = std::min(b2 - 1, kMaxChannels);
  ctx.width.width_slope = (w2 - w1) / std::max(1, last - first);
  ctx.width.width_offset = w2 - last * ctx.width.width_slope;
  if (ctx.view.debug_mode)
    DebugTrace(ctx, "kw1 kw0 for width " + F(9, 4, ctx.width.width_slope) +
                        F(9, 3, ctx.width.width_offset));
  const int mean_width = RoundToInt((w1 + w2) / 2);
  if (last - first <= mean_width) return;

  s.compression = w1 > 8 ? w1 / 8 : 1.0;
  // At least three channels, so that every window moves the start on; with compression at most
  // 8192, the longest window that rebinning takes.
  int length = std::max(3, RoundToInt(ctx.marking.max_interval * s.compression));
  if (s.compression != 1.0) length = std::min(length, 8192);
  int start = first;
  while (last - start > mean_width) {
    s.work_slope = ctx.width.width_slope;
    s.work_offset = ctx.width.width_offset;
    const int end = LoadWindow(ctx, start, last, length);
    const int n = CompressWindow(ctx, end - start + 1);
    if (!SearchWindow(ctx, ui, start, end, n)) return;
    start = end;
  }
}

namespace {

// The bounds of the peaks' fit intervals, indexed like the peaks with their sentinels 0 and n + 1.
struct PeakBounds {
  std::vector<double> left, right;
  std::vector<bool> dropped;  // a bound shared with the neighbour's interval
};

// The width of the working width line at a spectrum channel, in spectrum channels.
double WidthAt(const MarkingContext& ctx, double channel) {
  const TPeakSearch& s = ctx.peak_search;
  return (s.work_slope * channel + s.work_offset) * s.compression;
}

// Peaks of the sorted peak_list within half a channel of the first of their group are one peak
// (picked twice, or found at the shared edge of two search windows) and become their mean. Kept
// apart, each got an interval of its own around the same channel and a row of its own.
void MergeDuplicatePeaks(const MarkingContext& ctx) {
  OneBasedArray<double>& list = ctx.marking.peak_list;
  const int n = ctx.marking.peak_count;
  int kept = 0;
  for (int j = 1; j <= n;) {
    const double first = list[j];
    double sum = first;
    int members = 1;
    for (++j; j <= n && list[j] - first <= 0.5; ++j, ++members) sum += list[j];
    list[++kept] = sum / members;
  }
  ctx.marking.peak_count = kept;
}

// Sorts peak_list, merges duplicate positions and returns the peaks with the two sentinels:
// P[0] = first, P[n + 1] = last.
std::vector<double> SortedPeaks(const MarkingContext& ctx, int first, int last) {
  int count = ctx.marking.peak_count;
  SortArray(ctx.marking.peak_list, count, 1);
  MergeDuplicatePeaks(ctx);
  const int n = ctx.marking.peak_count;
  std::vector<double> peak(static_cast<std::size_t>(n + 2));
  peak[0] = first;
  peak[static_cast<std::size_t>(n + 1)] = last;
  for (int j = 1; j <= n; ++j) peak[static_cast<std::size_t>(j)] = ctx.marking.peak_list[j];
  return peak;
}

// Each peak reaches k_width widths and ad_interv channels to either side, but not past its
// neighbours.
PeakBounds PeakReach(const MarkingContext& ctx, const std::vector<double>& peak) {
  const TPeakSearch& s = ctx.peak_search;
  const int n = static_cast<int>(peak.size()) - 2;
  PeakBounds bounds{std::vector<double>(peak.size()), std::vector<double>(peak.size()),
                    std::vector<bool>(peak.size(), false)};
  for (int j = 1; j <= n; ++j) {
    const double p = peak[static_cast<std::size_t>(j)];
    const double w = WidthAt(ctx, p);
    const double e = ctx.marking.k_width * w + ctx.marking.ad_interv;
    bounds.left[static_cast<std::size_t>(j)] =
        std::max(p - e, peak[static_cast<std::size_t>(j - 1)]);
    bounds.right[static_cast<std::size_t>(j)] =
        std::min(p + e, peak[static_cast<std::size_t>(j + 1)]);
    if (ctx.view.debug_mode)
      DebugTrace(ctx, F(9, 4, s.work_slope) + F(9, 4, s.work_offset) + F(9, 3, w) + F(9, 3, p));
  }
  return bounds;
}

// The lowest spectrum channel of the three around a bound (the first of equals).
double Valley(const MarkingContext& ctx, double bound) {
  const TSpectrum& spectrum = ctx.spectrum;
  const int c = RoundToInt(bound);
  int best = std::clamp(c - 1, 1, kMaxChannels);
  for (int k = c; k <= c + 1; ++k) {
    const int channel = std::clamp(k, 1, kMaxChannels);
    if (spectrum.counts[channel] < spectrum.counts[best]) best = channel;
  }
  return static_cast<double>(best);
}

// Inner bounds settle into the valley; where the intervals of neighbours then overlap, the peaks
// share one interval.
void SettleInnerBounds(const MarkingContext& ctx, PeakBounds& bounds) {
  const std::size_t n = bounds.left.size() - 2;
  for (std::size_t j = 1; j + 1 <= n; ++j) {
    bounds.right[j] = Valley(ctx, bounds.right[j]);
    bounds.left[j + 1] = Valley(ctx, bounds.left[j + 1]);
  }
  for (std::size_t j = 1; j + 1 <= n; ++j) {
    if (bounds.left[j + 1] < bounds.right[j]) bounds.dropped[j] = true;  // R_j and L_j+1
  }
}

// The outer bounds: the reach of the first and last peak, inside the sentinels, whole channels.
void SetOuterBounds(const MarkingContext& ctx, const std::vector<double>& peak,
                    PeakBounds& bounds) {
  const std::size_t n = peak.size() - 2;
  const double w_first = WidthAt(ctx, peak[1]), w_last = WidthAt(ctx, peak[n]);
  bounds.left[1] = RoundToInt(
      std::max(peak[1] - ctx.marking.k_width * w_first - ctx.marking.ad_interv, peak[0]));
  bounds.right[n] = RoundToInt(
      std::min(peak[n] + ctx.marking.k_width * w_last + ctx.marking.ad_interv, peak[n + 1]));
  if (ctx.view.debug_mode) DebugTrace(ctx, F(9, 3, w_first));
  if (ctx.view.debug_mode) DebugTrace(ctx, F(9, 3, w_last));
}

// Walks -L1, P1, -R1, -L2, ...: a bound opens an interval, the next bound closes it.
void RecordIntervals(const MarkingContext& ctx, const PeakBounds& bounds) {
  const int n = static_cast<int>(bounds.left.size()) - 2;
  bool open = false;
  for (int j = 1; j <= n; ++j) {
    const bool has_left = j == 1 || !bounds.dropped[static_cast<std::size_t>(j - 1)];
    const bool has_right = j == n || !bounds.dropped[static_cast<std::size_t>(j)];
    if (has_left && !open && ctx.marking.interval_count < kMaxPeaks) {
      IntervalRecord& r = ctx.marking.interval_table[++ctx.marking.interval_count];
      r.left = RoundToInt(bounds.left[static_cast<std::size_t>(j)]);
      r.first_peak = j;
      open = true;
    }
    if (has_right && open) {
      IntervalRecord& r = ctx.marking.interval_table[ctx.marking.interval_count];
      r.right = RoundToInt(bounds.right[static_cast<std::size_t>(j)]);
      r.last_peak = j;
      open = false;
    }
  }
}

// The longest interval with several peaks (the first of equals), 0 when there is none.
int LongestSharedInterval(const MarkingContext& ctx) {
  int longest = 0;
  for (int k = 1; k <= ctx.marking.interval_count; ++k) {
    const IntervalRecord& r = ctx.marking.interval_table[k];
    if (r.last_peak - r.first_peak < 1) continue;
    if (longest == 0 || r.right - r.left > ctx.marking.interval_table[longest].right -
                                               ctx.marking.interval_table[longest].left) {
      longest = k;
    }
  }
  return longest;
}

// Splits interval k at its widest gap between peaks, unless it is no longer than max_interval:
// then false.
bool SplitAtWidestGap(const MarkingContext& ctx, int k) {
  IntervalRecord& r = ctx.marking.interval_table[k];
  if (r.right - r.left + 1 <= ctx.marking.max_interval) return false;
  int split = r.first_peak;
  int widest = -1;
  for (int i = r.first_peak; i < r.last_peak; ++i) {
    const int g = RoundToInt(ctx.marking.peak_list[i + 1] - ctx.marking.peak_list[i] + 1);
    if (g > widest) {
      widest = g;
      split = i;
    }
  }
  const IntervalRecord old = r;
  const int boundary = RoundToInt(ctx.marking.peak_list[split]) + RoundToInt(widest / 2.0);
  for (int j = ctx.marking.interval_count; j > k; --j) {
    ctx.marking.interval_table[j + 1] = ctx.marking.interval_table[j];
  }
  ++ctx.marking.interval_count;
  ctx.marking.interval_table[k] = {old.left, boundary, old.first_peak, split};
  ctx.marking.interval_table[k + 1] = {boundary, old.right, split + 1, old.last_peak};
  return true;
}

}  // namespace

void DivideIntoIntervals(const MarkingContext& ctx, int first, int last) {
  ctx.marking.interval_count = 0;
  if (ctx.marking.peak_count <= 0) return;
  const std::vector<double> peak = SortedPeaks(ctx, first, last);
  PeakBounds bounds = PeakReach(ctx, peak);
  SettleInnerBounds(ctx, bounds);
  SetOuterBounds(ctx, peak, bounds);
  RecordIntervals(ctx, bounds);
  // Long intervals with several peaks are split at their widest gap.
  while (ctx.marking.interval_count < kMaxPeaks) {
    const int longest = LongestSharedInterval(ctx);
    if (longest == 0 || !SplitAtWidestGap(ctx, longest)) break;
  }
}

}  // namespace pektra
