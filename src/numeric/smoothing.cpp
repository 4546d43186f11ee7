#include "numeric/smoothing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "core/arithmetic.h"
#include "numeric/array_tools.h"

namespace pektra {

namespace {

int ClampCount(int n) { return std::min(n, kWorkArraySize); }

void CopyDataToResult(NumericWork& work, int n) {
  for (int i = 1; i <= n; ++i) work.work_result[i] = work.work_data[i];
}

double SignedRoot(double v) { return v < 0.0 ? -std::sqrt(-v) : std::sqrt(v); }
double SignedSquare(double v) { return v < 0.0 ? -v * v : v * v; }

std::size_t Ix(int i) { return static_cast<std::size_t>(i); }

// The weights of SmoothSpline from the data y(1..n), n > 5, at 1..n (1 beyond).
std::vector<double> SplineWeights(const OneBasedArray<double>& y, int n) {
  std::vector<double> w(Ix(n + 2), 1.0);
  double top = y[1];
  for (int i = 2; i <= n; ++i) top = MaxD(top, y[i]);
  const double norm = MaxD(1.0, top);
  for (int i = 2; i <= n - 1; ++i) {
    const double sum = std::fabs(y[i - 1]) + std::fabs(y[i]) + std::fabs(y[i + 1]) + 1.0;
    const double ratio = std::fabs(y[i]) / norm;
    w[Ix(i)] = MaxD(1e-10, 1.0 / (ratio * sum + std::sqrt(sum) * std::fabs(1.0 - ratio)));
  }
  w[1] = w[2];
  w[Ix(n)] = w[Ix(n - 1)];
  return w;
}

}  // namespace

SavGolValues SavGolEstimate(const OneBasedArray<double>& y, int n, int i) {
  n = std::min(n, y.capacity());
  if (i < 1 || i > n) return {};
  if (i == 1 || i == n) return {y[i], 0.0, 0.0};
  if (i == 2 || i == n - 1) {
    return {(y[i - 1] + y[i + 1]) / 2.0, (y[i + 1] - y[i - 1]) / 2.0,
            y[i + 1] - 2.0 * y[i] + y[i - 1]};
  }
  return {(12.0 * (y[i - 1] + y[i + 1]) - 3.0 * (y[i - 2] + y[i + 2]) + 17.0 * y[i]) / 35.0,
          (2.0 * (y[i + 2] - y[i - 2]) + (y[i + 1] - y[i - 1])) / 10.0,
          (2.0 * (y[i + 2] + y[i - 2]) - (y[i + 1] + y[i - 1]) - 2.0 * y[i]) / 7.0};
}

SavGolValues SavGolEstimate(const NumericWork& work, int n, int i) {
  return SavGolEstimate(work.work_data, n, i);
}

void SmoothIterative(NumericWork& work, int n, int m, double a, double b, double c) {
  n = ClampCount(n);
  work.fit_sum = 0.0;
  work.roughness_sum = 0.0;
  if (n < 5) {
    CopyDataToResult(work, n);
    return;
  }
  a = MaxD(a, 0.0);
  b = MaxD(b, 0.0);

  // The transformed data y (a private copy, so work_data stays exact) and the result B.
  OneBasedArray<double> y(n, 0.0);
  double top = 1.0;
  for (int i = 1; i <= n; ++i) {
    y[i] = SignedRoot(work.work_data[i]);
    top = MaxD(top, y[i]);
  }
  const double scale = 1000.0 / top;
  auto& result = work.work_result;
  for (int i = 1; i <= n; ++i) {
    y[i] *= scale;
    result[i] = y[i];
  }

  OneBasedArray<double> u(n, 1.0), w(n, 1.0), s(n, 0.0), p(n, 0.0), q(n, 0.0);
  double u_sum = 0.0;
  for (int i = 2; i <= n - 1; ++i) {
    u[i] = MaxD(1e-8, 1.0 / (y[i] * y[i] + 1.0));
    u_sum += u[i];
    s[i] = std::fabs(SavGolEstimate(y, n, i).second);
  }

  for (int pass = 1; pass <= m; ++pass) {
    double w_sum = 0.0;
    for (int i = 2; i <= n - 1; ++i) {
      if (pass == 1) {
        const double r = 0.0;  // the result still equals the data
        w[i] = 1.0 / (b * r + a * s[i] + 1.0);
      } else {
        const double r = result[i] - y[i];
        if (r < 0.0) {
          w[i] = 1.0 / (r * r + 1.0);
        } else if (c < 0.0) {
          w[i] = 1.0 / (r * r + s[i] * s[i] + 1.0);
        } else {
          w[i] = 1.0;
        }
      }
      w_sum += w[i];
    }
    const double lambda = std::fabs(c) * u_sum / w_sum;

    // Forward sweep and back substitution; B1 and Bn stay, B′ is the result before this pass.
    p[1] = 0.0;
    q[1] = result[1];
    for (int i = 2; i <= n - 1; ++i) {
      const double beta = (u[i + 1] - u[i - 1]) / 4.0;
      const double g = lambda * w[i] / u[i];
      const double inv_d = 1.0 / (2.0 + g - (1.0 - beta) * p[i - 1]);
      p[i] = (1.0 + beta) * inv_d;
      q[i] = ((1.0 - beta) * q[i - 1] + g * result[i]) * inv_d;
    }
    for (int i = n - 1; i >= 2; --i) result[i] = p[i] * result[i + 1] + q[i];
    if (c >= 0.0) {
      for (int i = 1; i <= n; ++i) result[i] = MinD(result[i], y[i]);
    }
  }

  for (int i = 2; i <= n - 1; ++i) {
    const double r = result[i] - y[i];
    const double d = result[i + 1] - result[i - 1];
    work.fit_sum += r * r * w[i];
    work.roughness_sum += d * d * u[i] / 4.0;
  }
  for (int i = 1; i <= n; ++i) {
    result[i] = SignedSquare(result[i] / scale);
    // The way back through the square root may leave a clipped value an ulp above its datum.
    if (c >= 0.0) result[i] = MinD(result[i], work.work_data[i]);
  }
}

namespace {

constexpr int kAutoTrials = 15;

// Two lanes' values in one vector register; each element follows the rules of a double.
using LanePair = double __attribute__((vector_size(2 * sizeof(double))));

// The SmoothIterative runs of SmoothAuto side by side, one lane per control c: every lane does
// the floating-point operations of its own run in the same order, so its curve and sums are those
// of the run, while the independent lanes keep the processor busy during each other's divisions.
// Lane values of channel i are at i * kAutoTrials + lane.
struct EnvelopeLanes {
  static constexpr int kLanes = kAutoTrials;
  int n = 0;
  double scale = 1.0;
  double u_sum = 0.0;
  OneBasedArray<double> y{0, 0.0}, u{0, 0.0}, s{0, 0.0};  // shared by the lanes
  std::vector<double> result, w, p, q;
  std::array<double, kLanes> c{}, fit{}, roughness{};

  std::size_t At(int i) const { return static_cast<std::size_t>(i) * kLanes; }
};

// The transformed data, base weights and second differences of SmoothIterative (n >= 5).
void SetUpLanes(const NumericWork& work, EnvelopeLanes& lanes) {
  const int n = lanes.n;
  lanes.y = OneBasedArray<double>(n, 0.0);
  lanes.u = OneBasedArray<double>(n, 1.0);
  lanes.s = OneBasedArray<double>(n, 0.0);
  auto& y = lanes.y;
  double top = 1.0;
  for (int i = 1; i <= n; ++i) {
    y[i] = SignedRoot(work.work_data[i]);
    top = MaxD(top, y[i]);
  }
  lanes.scale = 1000.0 / top;
  for (int i = 1; i <= n; ++i) y[i] *= lanes.scale;
  lanes.u_sum = 0.0;
  for (int i = 2; i <= n - 1; ++i) {
    lanes.u[i] = MaxD(1e-8, 1.0 / (y[i] * y[i] + 1.0));
    lanes.u_sum += lanes.u[i];
    lanes.s[i] = std::fabs(SavGolEstimate(y, n, i).second);
  }
  // Every value a pass reads is written first (rows 1..n of the result here, the weights and the
  // solve's rows by each pass), so the arrays are only grown, never cleared, between calls.
  for (std::vector<double>* v : {&lanes.result, &lanes.w, &lanes.p, &lanes.q}) {
    if (v->size() < lanes.At(n + 1)) v->resize(lanes.At(n + 1));
  }
  for (int i = 1; i <= n; ++i) {
    for (int t = 0; t < EnvelopeLanes::kLanes; ++t) lanes.result[lanes.At(i) + t] = y[i];
  }
}

// The weight of the passes after the first at a lane's clipped value v over the datum y:
// 1 / (r^2 + 1) below the datum (r = v - y), 1 on it. Two lanes at a time, the division done in
// both and the value chosen after it: written as a plain loop the compiler puts each lane's
// division behind a branch of its own, one lane at a time through the divider and a branch the
// processor cannot foresee. (At r = 0 the division gives 1 as well.)
LanePair NextWeights(LanePair v, LanePair y) {
  const LanePair r = v - y;
  const LanePair below = 1.0 / (r * r + 1.0);
  return r < 0.0 ? below : LanePair{1.0, 1.0};
}

// Each lane's lambda from its weights of this pass. The first pass's weights (a = b = 0.5,
// c > 0), alike in every lane, are set here; those of the later passes were left by the pass
// before.
std::array<double, kAutoTrials> LaneLambdas(EnvelopeLanes& lanes, int pass) {
  constexpr int L = EnvelopeLanes::kLanes;
  const double a = 0.5;
  const double b = 0.5;
  std::array<double, L> w_sum{};
  for (int i = 2; i <= lanes.n - 1; ++i) {
    double* w = lanes.w.data() + lanes.At(i);
    if (pass == 1) {
      const double r = 0.0;  // the result still equals the data
      const double first = 1.0 / (b * r + a * lanes.s[i] + 1.0);
      for (int t = 0; t < L; ++t) w[t] = first;
    }
    for (int t = 0; t < L; ++t) w_sum[t] += w[t];
  }
  std::array<double, L> lambda{};
  for (int t = 0; t < L; ++t) lambda[t] = std::fabs(lanes.c[t]) * lanes.u_sum / w_sum[t];
  return lambda;
}

// One pass in every lane: the tridiagonal solve, then the clip to the data; unless it is the last
// pass, the weights of the next one from the clipped curve.
void LanePass(EnvelopeLanes& lanes, int pass, bool last) {
  constexpr int L = EnvelopeLanes::kLanes;
  const int n = lanes.n;
  const std::array<double, L> lambda = LaneLambdas(lanes, pass);
  double* result = lanes.result.data();
  double* w = lanes.w.data();
  double* p = lanes.p.data();
  double* q = lanes.q.data();
  for (int t = 0; t < L; ++t) {
    p[L + t] = 0.0;
    q[L + t] = result[L + t];
  }
  const auto& u = lanes.u;
  for (int i = 2; i <= n - 1; ++i) {
    const std::size_t k = lanes.At(i);
    const double beta = (u[i + 1] - u[i - 1]) / 4.0;
    for (int t = 0; t < L; ++t) {
      const double g = lambda[t] * w[k + t] / u[i];
      const double inv_d = 1.0 / (2.0 + g - (1.0 - beta) * p[k - L + t]);
      p[k + t] = (1.0 + beta) * inv_d;
      q[k + t] = ((1.0 - beta) * q[k - L + t] + g * result[k + t]) * inv_d;
    }
  }
  // The back substitution runs on the values before the clip (the channel above's is kept in
  // `next`), each channel clipped as soon as it is found: one sweep down the channels for the
  // solve, the clip and the next weights, which the divider works on while the solve goes on.
  std::array<double, L> next;
  for (int t = 0; t < L; ++t) next[t] = result[lanes.At(n) + t];
  for (int i = n - 1; i >= 2; --i) {
    const std::size_t k = lanes.At(i);
    const double y = lanes.y[i];
    const LanePair y2 = {y, y};
    int t = 0;
    for (; t + 1 < L; t += 2) {
      LanePair pt, qt, above;
      std::memcpy(&pt, p + k + t, sizeof pt);
      std::memcpy(&qt, q + k + t, sizeof qt);
      std::memcpy(&above, next.data() + t, sizeof above);
      const LanePair v = pt * above + qt;
      std::memcpy(next.data() + t, &v, sizeof v);
      const LanePair clipped = v < y2 ? v : y2;
      std::memcpy(result + k + t, &clipped, sizeof clipped);
      if (!last) {
        const LanePair weights = NextWeights(clipped, y2);
        std::memcpy(w + k + t, &weights, sizeof weights);
      }
    }
    for (; t < L; ++t) {
      const double v = p[k + t] * next[t] + q[k + t];
      next[t] = v;
      result[k + t] = MinD(v, y);
      if (!last) {
        const double r = result[k + t] - y;
        w[k + t] = r < 0.0 ? 1.0 / (r * r + 1.0) : 1.0;
      }
    }
  }
  for (const int i : {1, n}) {
    const std::size_t k = lanes.At(i);
    for (int t = 0; t < L; ++t) result[k + t] = MinD(result[k + t], lanes.y[i]);
  }
}

// The fit and roughness sums of every lane.
void LaneSums(EnvelopeLanes& lanes) {
  constexpr int L = EnvelopeLanes::kLanes;
  lanes.fit.fill(0.0);
  lanes.roughness.fill(0.0);
  const double* result = lanes.result.data();
  for (int i = 2; i <= lanes.n - 1; ++i) {
    const std::size_t k = lanes.At(i);
    for (int t = 0; t < L; ++t) {
      const double r = result[k + t] - lanes.y[i];
      const double d = result[k + L + t] - result[k - L + t];
      lanes.fit[t] += r * r * lanes.w[k + t];
      lanes.roughness[t] += d * d * lanes.u[i] / 4.0;
    }
  }
}

}  // namespace

void SmoothAuto(NumericWork& work, int n, int m) {
  n = ClampCount(n);
  if (n < 5) {  // every control gives the data itself, with zero sums: the first one wins
    SmoothIterative(work, n, m, 0.5, 0.5, 0.05);
    work.smoothing_value = 0.05;
    return;
  }
  // Kept per thread between the search windows, so that its arrays are not made again each time.
  static thread_local EnvelopeLanes lanes;
  lanes.n = n;
  double c = 0.1;
  for (int t = 0; t < kAutoTrials; ++t) {
    c /= 2.0;
    lanes.c[t] = c;
  }
  SetUpLanes(work, lanes);
  for (int pass = 1; pass <= m; ++pass) LanePass(lanes, pass, pass == m);
  LaneSums(lanes);

  double best_roughness = 1e18;
  int best = 0;
  for (int t = 0; t < kAutoTrials; ++t) {
    if (lanes.roughness[t] < best_roughness) {
      best_roughness = lanes.roughness[t];
      best = t;
    }
  }
  work.fit_sum = lanes.fit[best];
  work.roughness_sum = lanes.roughness[best];
  for (int i = 1; i <= n; ++i) {
    const double r = lanes.result[lanes.At(i) + static_cast<std::size_t>(best)];
    work.work_result[i] = SignedSquare(r / lanes.scale);
    // The way back through the square root may leave a clipped value an ulp above its datum.
    work.work_result[i] = MinD(work.work_result[i], work.work_data[i]);
  }
  work.smoothing_value = lanes.c[best];
}

void SmoothSpline(NumericWork& work, int n, bool weights_from_result, double p) {
  n = ClampCount(n);
  if (n <= 5) {
    CopyDataToResult(work, n);
    SmoothQuality(work, n);
    return;
  }
  const auto& y = work.work_data;
  const double lambda = p / n;

  std::vector<double> w(static_cast<std::size_t>(n + 2), 1.0);
  if (weights_from_result) {
    for (int i = 1; i <= n; ++i) w[Ix(i)] = MaxD(1e-10, work.work_result[i]);
  } else {
    w = SplineWeights(y, n);
  }

  // Value parts at 1..n, second parts at n+1..2n.
  OneBasedArray<double> f(2 * n, 0.0), g(2 * n, 0.0), z(2 * n, 0.0);
  z[1] = y[1];
  z[n] = y[n];
  for (int i = 2; i <= n - 1; ++i) {
    const int m = n + i;
    const double inv_w = 1.0 / w[Ix(i + 1)];  // one division each instead of seven
    const double e = -(w[Ix(i - 1)] * g[i - 1] + lambda) * inv_w;
    const double h = (2.0 * w[Ix(i)] - w[Ix(i - 1)] * g[m - 1]) * inv_w;
    double d = (2.0 - f[i - 1]) * h - (1.0 - f[m - 1]) * e;
    if (std::fabs(d) < 1e-100) d = d < 0.0 ? -1e-100 : 1e-100;
    const double inv_d = 1.0 / d;
    const double r = (w[Ix(i - 1)] * z[m - 1] - lambda * y[i]) * inv_w;
    f[i] = h * inv_d;
    f[m] = -(1.0 - f[m - 1]) * inv_d;
    g[i] = -e * inv_d;
    g[m] = (2.0 - f[i - 1]) * inv_d;
    z[i] = f[m] * r + f[i] * z[i - 1];
    z[m] = g[m] * r + g[i] * z[i - 1];
  }
  for (int j = n - 1; j >= 1; --j) {
    const int q = n + j;
    z[j] = f[q] * z[q + 1] + f[j] * z[j + 1] + z[j];
    z[q] = g[q] * z[q + 1] + g[j] * z[j + 1] + z[q];
  }
  for (int i = 1; i <= n; ++i) work.work_result[i] = z[i];
  SmoothQuality(work, n);
}

namespace {

constexpr int kSplineTrials = 21;

// SmoothSpline(n, false, p) for kSplineTrials values of p side by side, one lane each, with the
// same operations per lane (n > 5), and SmoothQuality of each curve. Lane values of channel i are
// at i * kSplineTrials + lane; the value parts and the second parts in separate arrays.
class SplineLanes {
 public:
  static constexpr int kLanes = kSplineTrials;

  SplineLanes(const NumericWork& work, int n) : n_(n), y_(work.work_data), inv_w_(Ix(n + 2), 0.0) {
    w_ = SplineWeights(y_, n);
    for (int i = 2; i <= n - 1; ++i) inv_w_[Ix(i)] = 1.0 / w_[Ix(i + 1)];
    // The arrays are kept from one search window to the next (one set per thread). Forward and
    // Back write every channel 2..n-1 before reading it, so only channels 1 and n (and the unused
    // ends 0 and n + 1) start from zero.
    const std::size_t size = Ix(n + 2) * kLanes;
    for (std::vector<double>* v : {&fv_, &fs_, &gv_, &gs_, &zv_, &zs_}) {
      if (v->size() < size) v->resize(size);
      for (const int row : {0, 1, n, n + 1}) {
        std::fill_n(v->begin() + static_cast<std::ptrdiff_t>(At(row)), kLanes, 0.0);
      }
    }
  }

  // Once per object: the arrays start from the zeros of the constructor.
  // The roughness is worked out only for the lanes from the first to the last whose fit sum
  // lies within fit_low..fit_high (the others cannot be chosen); the rest get infinity.
  void Run(const std::array<double, kLanes>& p, double fit_low, double fit_high) {
    for (int t = 0; t < kLanes; ++t) {
      lambda_[t] = p[t] / n_;
      zv_[At(1) + t] = y_[1];
      zv_[At(n_) + t] = y_[n_];
    }
    for (int i = 2; i <= n_ - 1; ++i) Forward(i);
    for (int j = n_ - 1; j >= 1; --j) Back(j);
    Quality(fit_low, fit_high);
  }

  double fit(int t) const { return fit_[t]; }
  double roughness(int t) const { return roughness_[t]; }
  double value(int i, int t) const { return zv_[At(i) + t]; }

 private:
  static std::size_t At(int i) { return Ix(i) * kLanes; }

  void Forward(int i) {
    const std::size_t k = At(i), b = At(i - 1);
    const double w0 = w_[Ix(i - 1)], w1 = w_[Ix(i)], inv_w = inv_w_[Ix(i)], y = y_[i];
    for (int t = 0; t < kLanes; ++t) {
      const double e = -(w0 * gv_[b + t] + lambda_[t]) * inv_w;
      const double h = (2.0 * w1 - w0 * gs_[b + t]) * inv_w;
      double d = (2.0 - fv_[b + t]) * h - (1.0 - fs_[b + t]) * e;
      if (std::fabs(d) < 1e-100) d = d < 0.0 ? -1e-100 : 1e-100;
      const double inv_d = 1.0 / d;
      const double r = (w0 * zs_[b + t] - lambda_[t] * y) * inv_w;
      fv_[k + t] = h * inv_d;
      fs_[k + t] = -(1.0 - fs_[b + t]) * inv_d;
      gv_[k + t] = -e * inv_d;
      gs_[k + t] = (2.0 - fv_[b + t]) * inv_d;
      zv_[k + t] = fs_[k + t] * r + fv_[k + t] * zv_[b + t];
      zs_[k + t] = gs_[k + t] * r + gv_[k + t] * zv_[b + t];
    }
  }

  void Back(int j) {
    const std::size_t k = At(j), a = At(j + 1);
    for (int t = 0; t < kLanes; ++t) {
      zv_[k + t] = fs_[k + t] * zs_[a + t] + fv_[k + t] * zv_[a + t] + zv_[k + t];
      zs_[k + t] = gs_[k + t] * zs_[a + t] + gv_[k + t] * zv_[a + t] + zs_[k + t];
    }
  }

  void Quality(double fit_low, double fit_high) {
    fit_.fill(0.0);
    roughness_.fill(0.0);
    for (int i = 1; i <= n_; ++i) {
      const double y = y_[i], norm = MaxD(std::fabs(y), 1.0);
      for (int t = 0; t < kLanes; ++t) {
        const double d = zv_[At(i) + t] - y;
        fit_[t] += d * d / norm;
      }
    }
    for (int t = 0; t < kLanes; ++t) fit_[t] /= n_;
    int first = kLanes, last = -1;
    for (int t = 0; t < kLanes; ++t) {
      if (fit_[t] >= fit_low && fit_[t] <= fit_high) {
        first = MinI(first, t);
        last = t;
      }
    }
    for (int t = 0; t < kLanes; ++t) {
      if (t < first || t > last) roughness_[t] = std::numeric_limits<double>::infinity();
    }
    for (int i = 2; i <= n_ - 1; ++i) {
      for (int t = first; t <= last; ++t) {
        const double r0 = zv_[At(i - 1) + t], r1 = zv_[At(i) + t], r2 = zv_[At(i + 1) + t];
        const double curvature = r0 - 2.0 * r1 + r2;
        const double slope = (std::fabs(r1 - r2) + std::fabs(r0 - r1)) / 2.0;
        roughness_[t] += curvature * curvature / (slope * slope + 1.0);
      }
    }
  }

  int n_;
  const OneBasedArray<double>& y_;
  std::vector<double> w_, inv_w_;
  struct Buffers {
    std::vector<double> fv, fs, gv, gs, zv, zs;
  };
  static Buffers& ThreadBuffers() {
    thread_local Buffers buffers;
    return buffers;
  }
  Buffers& buffers_ = ThreadBuffers();
  std::vector<double>&fv_ = buffers_.fv, &fs_ = buffers_.fs, &gv_ = buffers_.gv, &gs_ = buffers_.gs,
  &zv_ = buffers_.zv, &zs_ = buffers_.zs;
  std::array<double, kLanes> lambda_{}, fit_{}, roughness_{};
};

}  // namespace

namespace {

// The trials of SmoothSplineAuto: the smoothest curve whose fit sum lies between target / 4 and its
// upper bound wins, the earliest on a tie; its curve and sums are kept in work.
struct SplineChoice {
  double target = 0.0;
  double best_p = 1000.0;
  double best_roughness = 1e18;
  bool found = false;

  void Try(NumericWork& work, int n, const std::array<double, kSplineTrials>& p, double fit_high) {
    if (n <= 5) {  // too short for the lanes: each trial is a copy of the data
      for (const double value : p) {
        SmoothSpline(work, n, false, value);
        Take(value, work.roughness_sum, work.fit_sum, fit_high);
      }
      return;
    }
    SplineLanes lanes(work, n);
    lanes.Run(p, target / 4.0, fit_high);
    int best = -1;
    for (int t = 0; t < kSplineTrials; ++t) {
      if (Take(p[Ix(t)], lanes.roughness(t), lanes.fit(t), fit_high)) best = t;
    }
    if (best < 0) return;
    work.fit_sum = lanes.fit(best);
    work.roughness_sum = lanes.roughness(best);
    for (int i = 1; i <= n; ++i) work.work_result[i] = lanes.value(i, best);
  }

  bool Take(double p, double roughness, double fit, double fit_high) {
    if (roughness < best_roughness && fit >= target / 4.0 && fit <= fit_high) {
      best_roughness = roughness;
      best_p = p;
      found = true;
      return true;
    }
    return false;
  }
};

}  // namespace

bool SmoothSplineAuto(NumericWork& work, int n, double target_ratio, double blend) {
  n = ClampCount(n);
  if (n < 1) return false;
  const MinMax extremes = FindMinMax(work.work_data, 1, n);
  const double top = extremes.max_value;
  if (extremes.max_index == 1 || extremes.max_index == n || top == extremes.min_value ||
      !(top > 0.0)) {
    return false;
  }

  std::vector<double> original(work.work_data.range(1, n).begin(),
                               work.work_data.range(1, n).end());
  const double scale = 1000.0 / top;
  for (int i = 1; i <= n; ++i) work.work_data[i] *= scale;

  SplineChoice choice;
  choice.target = target_ratio;
  std::array<double, kSplineTrials> p{};
  double halved = 1000.0;
  for (double& value : p) value = halved /= 2.0;
  choice.Try(work, n, p, 0.875 * target_ratio);
  const double best_p = choice.best_p;
  const double base = best_p / 1.5;
  const double step = (2.0 * best_p - base) / 20.0;
  for (int k = 1; k <= 21; ++k) p[Ix(k - 1)] = MaxD(0.0, base + (k - 11) * step);
  choice.Try(work, n, p, target_ratio);

  // The winner's curve is in work_result already; only the default needs its own run.
  if (!choice.found || n <= 5) SmoothSpline(work, n, false, choice.best_p);
  work.smoothing_value = choice.best_p;
  const double t = MinD(blend, 1.0);
  for (int i = 1; i <= n; ++i) {
    work.work_result[i] = ((1.0 - t) * work.work_data[i] + t * work.work_result[i]) * top / 1000.0;
    work.work_data[i] = original[static_cast<std::size_t>(i - 1)];
  }
  return true;
}

void SmoothQuality(NumericWork& work, int n) {
  n = ClampCount(n);
  work.fit_sum = 0.0;
  work.roughness_sum = 0.0;
  if (n <= 0) return;
  const auto& y = work.work_data;
  const auto& r = work.work_result;
  for (int i = 1; i <= n; ++i) {
    const double d = r[i] - y[i];
    work.fit_sum += d * d / MaxD(std::fabs(y[i]), 1.0);
  }
  work.fit_sum /= n;
  for (int i = 2; i <= n - 1; ++i) {
    const double curvature = r[i - 1] - 2.0 * r[i] + r[i + 1];
    const double slope = (std::fabs(r[i] - r[i + 1]) + std::fabs(r[i - 1] - r[i])) / 2.0;
    work.roughness_sum += curvature * curvature / (slope * slope + 1.0);
  }
}

}  // namespace pektra
