// Energy and efficiency calibration: channel -> energy (linear in a scaled channel, or by
// interpolation through the items) and energy -> registration efficiency coefficient.
#pragma once

#include <string>

#include "calib/calibration_state.h"
#include "numeric/work_arrays.h"

namespace pektra {

class UserInterface;

// The calibrations, with the work arrays their interpolation fills.
struct Calibrations {
  EnergyCalibration& enc;
  EfficiencyCalibration& efc;
  NumericWork& work;
};

inline constexpr double kScaleConstant = 1.732051;  // deliberately not the exact sqrt(3)

// 1.732051 (2x - a - b) / (b - a), a and b the channels of the first and the last energy item of
// the last linear fit: runs from -1.732051 at a to +1.732051 at b. 0 when a = b (no line can be
// scaled there; such a calibration is never switched on).
double ScaledChannel(const EnergyCalibration& enc, double x);
// enc_slope * ScaledChannel(x) + enc_intercept.
double LinearEnergy(const EnergyCalibration& enc, double x);
// The channel of an energy: the inverse linear calibration, or interpolation in the items with
// energy as abscissa (the function fills work_table itself). An energy calibration that cannot be
// evaluated (fewer than two items; in linear mode equal end channels or a zero slope) returns the
// energy itself, as ConvertPeak then passes channels through.
double EnergyToChannel(const Calibrations& cal, double energy);

// A peak in physical units: energy and intensity with their errors. Without calibrations the
// values pass through unchanged; so does the energy under an energy calibration that cannot be
// evaluated (see EnergyItemsProblem). One efficiency item gives its coefficient everywhere.
// Leaves the last interpolation table in work_table.
struct ConvertedPeak {
  double energy = 0.0, energy_error = 0.0, intensity = 0.0, intensity_error = 0.0;
};
ConvertedPeak ConvertPeak(const Calibrations& cal, double channel, double channel_error,
                          double area, double area_error);

// The weighted straight line of the energy items in the scaled channel; sets enc_first_channel,
// enc_last_channel, enc_intercept, enc_slope. Returns the chi-square of the items against
// ConvertPeak once the new line is stored (against the channels themselves while enc_present is
// off).
double FitEnergyLine(const Calibrations& cal);

// Ascending by the first value; equal values keep their order.
void SortCalibrationItems(OneBasedArray<CalibrationItem>& items, int n);
bool IsNonZeroItem(double p, double q, double r);
// True when n is a wrong number of energy items (> 60 or < 2): the message is shown and the
// energy calibration switched off.
bool CheckItemCount(EnergyCalibration& enc, UserInterface& ui, int n);

// Why n energy items (sorted by channel) cannot make a calibration in the given mode, as the user
// reads it; "" when they can. Besides a wrong count, a linear calibration needs two different
// channels (ScaledChannel divides by their difference): all items on one channel count as fewer
// than two.
std::string EnergyItemsProblem(const OneBasedArray<CalibrationItem>& items, int n, int mode);
// Like CheckItemCount for a whole set of items: true when EnergyItemsProblem finds one; the
// message is shown and the energy calibration switched off.
bool CheckEnergyItems(EnergyCalibration& enc, UserInterface& ui,
                      const OneBasedArray<CalibrationItem>& items, int n, int mode);

}  // namespace pektra
