// Smoothing and background: the interactive window in which the user makes a curve through the
// interval smoother or rougher, and the commands "Smooth the Spectrum" and "Build the Background"
// that may put the curve into the spectrum.
#pragma once

#include "core/picture.h"
#include "core/view_state.h"
#include "numeric/work_arrays.h"
#include "spectrum/processing_context.h"

namespace pektra {

class UserInterface;

enum class SmoothingMode : int {
  kSmoothing = 0,   // a smoothing spline through the data
  kBackground = 1,  // the lower envelope of the data (SmoothIterative with clipping)
};

// The picture of the smoothing window, 516 x 300: black, a dotted lime grid (five rows at
// y = 3 + 68·k of 103 dots, eight columns at x = 34 + 64·j of 57 dots from y = −4, every 5 units)
// and for each i = 1..n at x = round(512·i / max(1, n)) the data point work_data(i) (fuchsia) and
// the curve point work_result(i) (aqua) as plus marks at y = round(275 − 272·t). t is the
// value's height over the smallest data value lo in the range max(1, hi − lo) of the data, in
// the graph's scale: Normal d/range, SQRT √(|d|/range), LN ln(max(d, 1))/ln(range + 1),
// Trimmed min(range·trim, d)/(range·trim).
Picture SmoothingPicture(const NumericWork& work, int n, ScaleMode scale, double trim_coefficient);

// The interactive loop over work_data(1..n): the curve with control p = 1 (spline parameter for
// smoothing, SmoothIterative control with 10 passes for the background), shown in the window with
// the choices " Less smoothing" (p·1.5), " More smoothing" (p/1.5) and " Quit" (preselected),
// until Quit or Cancel. Leaves the last curve in work_result and returns whether the user left with
// Quit (true) or cancelled (false); `p` is the control of that curve.
bool SmoothingWindow(NumericWork& work, int n, SmoothingMode mode, ScaleMode scale,
                     double trim_coefficient, UserInterface& ui, double* p = nullptr);

// The interval b1..b2 (cut to 1..16384) becomes work_result(1..b2 − b1 + 1) (kSmoothing) or
// loses it (kBackground). A count that goes below 0 stays so: the net spectrum is not clipped.
void PutCurveIntoInterval(TSpectrum& spectrum, const NumericWork& work, SmoothingMode mode);

// "Smooth the Spectrum" (kSmoothing) and "Build the Background" (kBackground): the dialog
// "Smoothing" / "Background" with its check box, then the window over the interval b1..b2. With
// the box checked and Quit, the interval's counts become the curve ("Spectrum smoothed") or lose
// it ("Background subtracted"; negative counts stay), the spectrum before kept for Undo; errors
// and range stay. Cancel anywhere, or the box left clear, leaves the spectrum as it was.
void SmoothOrBackground(const SpectrumProcessingContext& ctx, SmoothingMode mode,
                        UserInterface& ui);

}  // namespace pektra
