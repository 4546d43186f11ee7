// The real peak model: the detector's own line shape taken from one large, clean peak of the
// spectrum. A straight background fitted to the edge channels is subtracted, a short range is
// oversampled, the net peak is smoothed (automatically, then as the user asks) and the result is
// resampled into the 193-node table of TPeakModel, centred on node 97 and of unit area.
#pragma once

#include "core/result.h"
#include "core/view_state.h"
#include "model/peak_model.h"
#include "numeric/work_arrays.h"
#include "spectrum/spectrum.h"

namespace pektra {

class UserInterface;

inline constexpr int kMinModelChannels = 9;
inline constexpr int kMaxModelChannels = 1024;
// Short ranges are oversampled to about this many points before smoothing.
inline constexpr int kModelSamples = 180;

// The number of background channels (1, 2 or 3) proposed for the range left..right: starting
// from 1, for k = 1 and 2 the counts k channels inside each bound are compared with the bound's
// own, |y(L + k) − y(L)| / (|e(L)| + |e(L + k)| + 1) and |y(R − k) − y(R)| / (|e(R)| + |e(R − k)|
// + 1); as soon as either ratio reaches 2 the peak has begun and the count stops growing.
// Channels outside 1..16384 count as 0 with error 0.
int EdgeCount(const TSpectrum& spectrum, int left, int right);

// The net peak of the model interval model_first..model_last, smoothed automatically, ready for
// the smoothing window or for FormRealModel. With N channels: N < 9 "Error, lack of points (<9)
// for model", N > 1024 "Model interval too long, use compression to make < 1024"; a largest count
// M with 3·small_stat >= M " Too low statistics for model " and M. The straight line through the
// model_edge channels at each end (LineFitTwoRanges) is subtracted, the net counts clipped at 0;
// with m = ⌊180/N⌋ > 1 the sequence is interpolated at x = j/m (j = 1..N·m, clipped at 0). The
// sequence goes to work_data(1..n) and SmoothSplineAuto (target ratio 2, blend model_blend) leaves
// its curve in work_result; when it refuses the data, "Wrong data for real model". On success
// `n` is the length of the sequence.
Outcome PrepareRealModel(const TSpectrum& spectrum, const TPeakModel& settings, double small_stat,
                         NumericWork& work, int& n);

// The model table from the n smoothed values in work_result: the end values set to 0 (their
// neighbours to half the next ones inside), values below min(0.01, 1/(2√D)) in magnitude to 0
// (D the range of the values, at least 1), the zero tails trimmed ("Error, zero-valued peak model"
// when nothing is left) and one zero put on each side; the maximum's place c and the larger
// distance R to an end give node i the interpolated value at c − R + (i − 1)·R/96, clipped at 0.
// The table is centred on node 97, model_type becomes 0 ("Real") and NormalizeModel runs. On any
// failure `model` is left as it was.
Outcome FormRealModel(TPeakModel& model, const NumericWork& work, int n);

// The real model from the channels first..last without asking anything: the settings are stored
// in `model` (bounds ordered; edge < 0 takes EdgeCount, blend 1), the automatic smoothing is
// accepted as it is. On failure the table of `model` stays as it was; the settings are kept.
Outcome FormRealModelFromRange(TPeakModel& model, const TSpectrum& spectrum, NumericWork& work,
                               double small_stat, int first, int last, int edge);

// What the command "Form the real peak model" works on.
struct RealModelContext {
  TPeakModel& peak_model;
  const TSpectrum& spectrum;
  NumericWork& work;
  double small_stat;
  ScaleMode scale_mode = ScaleMode::kNormal;
  double trim_coefficient = 0.5;
};

// "Form the real peak model": the dialog " Confirm the bounds " preset with the model interval
// and EdgeCount, the bounds and the edge stored on OK, then PrepareRealModel, the smoothing window
// (" More smoothing" smooths more) and FormRealModel when the user quits it. A failure is shown
// with ShowNote and the previous model stays; Cancel in either dialog changes nothing but the
// settings confirmed. True when the new model is in force.
bool FormTheRealPeakModel(const RealModelContext& ctx, UserInterface& ui);

}  // namespace pektra
