#include "numeric/smoothing.h"

#include <algorithm>
#include <cmath>
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

void SmoothAuto(NumericWork& work, int n, int m) {
  constexpr int kTrials = 15;
  double best_roughness = 1e18;
  double best_c = 0.05;
  double c = 0.1;
  for (int trial = 1; trial <= kTrials; ++trial) {
    c /= 2.0;
    SmoothIterative(work, n, m, 0.5, 0.5, c);
    if (work.roughness_sum < best_roughness) {
      best_roughness = work.roughness_sum;
      best_c = c;
    }
  }
  SmoothIterative(work, n, m, 0.5, 0.5, best_c);
  work.smoothing_value = best_c;
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

  OneBasedArray<double> w(n, 1.0);
  if (weights_from_result) {
    for (int i = 1; i <= n; ++i) w[i] = MaxD(1e-10, work.work_result[i]);
  } else {
    double top = y[1];
    for (int i = 2; i <= n; ++i) top = MaxD(top, y[i]);
    const double norm = MaxD(1.0, top);
    for (int i = 2; i <= n - 1; ++i) {
      const double sum = std::fabs(y[i - 1]) + std::fabs(y[i]) + std::fabs(y[i + 1]) + 1.0;
      const double ratio = std::fabs(y[i]) / norm;
      w[i] = MaxD(1e-10, 1.0 / (ratio * sum + std::sqrt(sum) * std::fabs(1.0 - ratio)));
    }
    w[1] = w[2];
    w[n] = w[n - 1];
  }

  // Value parts at 1..n, second parts at n+1..2n.
  OneBasedArray<double> f(2 * n, 0.0), g(2 * n, 0.0), z(2 * n, 0.0);
  z[1] = y[1];
  z[n] = y[n];
  for (int i = 2; i <= n - 1; ++i) {
    const int m = n + i;
    const double inv_w = 1.0 / w[i + 1];  // one division each instead of seven
    const double e = -(w[i - 1] * g[i - 1] + lambda) * inv_w;
    const double h = (2.0 * w[i] - w[i - 1] * g[m - 1]) * inv_w;
    double d = (2.0 - f[i - 1]) * h - (1.0 - f[m - 1]) * e;
    if (std::fabs(d) < 1e-100) d = d < 0.0 ? -1e-100 : 1e-100;
    const double inv_d = 1.0 / d;
    const double r = (w[i - 1] * z[m - 1] - lambda * y[i]) * inv_w;
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

  double best_p = 1000.0;
  double best_roughness = 1e18;
  auto trial = [&](double p, double fit_high) {
    SmoothSpline(work, n, false, p);
    if (work.roughness_sum < best_roughness && work.fit_sum >= target_ratio / 4.0 &&
        work.fit_sum <= fit_high) {
      best_roughness = work.roughness_sum;
      best_p = p;
    }
  };
  double p = 1000.0;
  for (int k = 1; k <= 21; ++k) {
    p /= 2.0;
    trial(p, 0.875 * target_ratio);
  }
  const double base = best_p / 1.5;
  const double step = (2.0 * best_p - base) / 20.0;
  for (int k = 1; k <= 21; ++k) trial(MaxD(0.0, base + (k - 11) * step), target_ratio);

  SmoothSpline(work, n, false, best_p);
  work.smoothing_value = best_p;
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
