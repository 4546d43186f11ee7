#include "spectrum/smoothing_window.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/dialog.h"
#include "core/user_interface.h"
#include "numeric/smoothing.h"

namespace pektra {

namespace {

constexpr int kPictureWidth = 516, kPictureHeight = 300;
enum WindowChoice { kLess = 0, kMore = 1, kQuit = 2 };

// The picture's height fraction of a value d above the data's lowest one, in the graph's scale.
double Height(double d, double range, ScaleMode scale, double trim) {
  switch (scale) {
    case ScaleMode::kSqrt:
      return std::sqrt(std::fabs(d) / range);
    case ScaleMode::kLn:
      return std::log(MaxD(d, 1.0)) / std::log(range + 1.0);
    case ScaleMode::kTrimmed:
      return MinD(range * trim, d) / (range * trim);
    case ScaleMode::kNormal:
      break;
  }
  return d / range;
}

// A coordinate the painter can take: wild values (a trimming level of 0, an overflowing curve)
// land far off the picture instead of becoming NaN or infinity.
double Coordinate(double v) { return std::isnan(v) ? -10000.0 : std::clamp(v, -10000.0, 10000.0); }

void Curve(NumericWork& work, int n, SmoothingMode mode, double p) {
  if (mode == SmoothingMode::kBackground) {
    SmoothIterative(work, n, 10, 0.5, 0.5, p);
  } else {
    SmoothSpline(work, n, /*weights_from_result=*/false, p);
  }
}

DialogContent WindowDialog(SmoothingMode mode, Picture picture) {
  DialogContent dialog =
      OpenDialogForm(mode == SmoothingMode::kSmoothing ? "Smoothing" : "Background", 40, 532, 430);
  dialog.pictures[0] = {true, 6, 2, std::move(picture)};
  ShowChoiceList(dialog, 0, 5, 306, 520, 28, {" Less smoothing", " More smoothing", " Quit"}, kQuit)
      .columns = 3;
  ShowLabel(dialog, 0, 5, 337, "Click on Less or More, then on OK");
  ShowLabel(dialog, 1, 5, 355, "If the result is good, click on Quit, then on OK");
  return dialog;
}

}  // namespace

Picture SmoothingPicture(const NumericWork& work, int n, ScaleMode scale, double trim) {
  n = std::clamp(n, 0, work.work_data.capacity());
  Picture picture;
  picture.width = kPictureWidth;
  picture.height = kPictureHeight;
  picture.Add(FillRect{0, 0, 516, 323, colors::kBlack});
  for (int k = 0; k <= 4; ++k)
    picture.Add(DottedLine{0, 3.0 + 68 * k, 103, 5, false, colors::kLime});
  for (int j = 0; j <= 7; ++j)
    picture.Add(DottedLine{34.0 + 64 * j, -4, 57, 5, true, colors::kLime});
  if (n < 1) return picture;
  const auto data = work.work_data.range(1, n);
  const auto [lo_it, hi_it] = std::minmax_element(data.begin(), data.end());
  const double lo = *lo_it;
  const double range = MaxD(1.0, *hi_it - lo);
  auto y_of = [&](double value) {
    return Coordinate(RoundHalfEven(275.0 - 272.0 * Height(value - lo, range, scale, trim)));
  };
  for (int i = 1; i <= n; ++i) {
    const double x = RoundHalfEven(512.0 * i / MaxI(1, n));
    picture.Add(PlusMark{x, y_of(work.work_data[i]), colors::kFuchsia});
    picture.Add(PlusMark{x, y_of(work.work_result[i]), colors::kAqua});
  }
  return picture;
}

bool SmoothingWindow(NumericWork& work, int n, SmoothingMode mode, ScaleMode scale,
                     double trim_coefficient, UserInterface& ui, double* p_out) {
  double p = 1.0;
  for (;;) {
    Curve(work, n, mode, p);
    if (p_out) *p_out = p;
    DialogContent dialog = WindowDialog(mode, SmoothingPicture(work, n, scale, trim_coefficient));
    ui.ShowDialog(dialog);
    if (!dialog.ok) return false;
    const int choice = dialog.choice_lists[0].selected;
    if (choice == kLess) {
      p = MinD(p * 1.5, 1e100);
    } else if (choice == kMore) {
      p = MaxD(p / 1.5, 1e-100);
    } else {
      return true;
    }
  }
}

void PutCurveIntoInterval(TSpectrum& sp, const NumericWork& work, SmoothingMode mode) {
  const int b1 = std::clamp(sp.b1, 1, kMaxChannels);
  const int b2 = std::clamp(sp.b2, b1, kMaxChannels);
  for (int i = 1; i <= b2 - b1 + 1; ++i) {
    double& count = sp.counts[b1 + i - 1];
    count = mode == SmoothingMode::kSmoothing ? work.work_result[i] : count - work.work_result[i];
  }
}

void SmoothOrBackground(const SpectrumProcessingContext& ctx, SmoothingMode mode,
                        UserInterface& ui) {
  const bool smoothing = mode == SmoothingMode::kSmoothing;
  DialogContent dialog = OpenDialogForm(smoothing ? "Smoothing" : "Background");
  ShowCheckList(dialog, 5, 30, 310, 27,
                {smoothing ? "Spectrum should be replaced by the smoothed"
                           : "Background should be subtracted"},
                {false});
  ui.ShowDialog(dialog);
  if (!dialog.ok) return;
  const bool replace = !dialog.check_list.checked.empty() && dialog.check_list.checked[0];

  const TSpectrum& sp = ctx.spectrum;
  const int b1 = std::clamp(sp.b1, 1, kMaxChannels);
  const int b2 = std::clamp(sp.b2, b1, kMaxChannels);
  const int n = b2 - b1 + 1;
  for (int i = 1; i <= n; ++i) ctx.work.work_data[i] = sp.counts[b1 + i - 1];
  if (!SmoothingWindow(ctx.work, n, mode, ctx.view.scale_mode, ctx.view.trim_coefficient, ui) ||
      !replace) {
    return;
  }
  TSpectrum changed = sp;
  PutCurveIntoInterval(changed, ctx.work, mode);
  if (!(changed == sp)) {
    ctx.undo.Push(smoothing ? "Smooth the Spectrum" : "Build the Background", sp);
    ctx.spectrum = std::move(changed);
  }
  ctx.view.status_text = {smoothing ? "Spectrum smoothed" : "Background subtracted", ""};
}

}  // namespace pektra
