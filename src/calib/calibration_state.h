// The energy and the efficiency calibration as the commands keep them.
#pragma once

#include "core/analysis_records.h"
#include "core/one_based.h"
#include "spectrum/spectrum.h"

namespace pektra {

// enc_mode as stored in the init file and the calibration commands: interpolation through the
// items, or a straight line in the scaled channel.
inline constexpr int kEnergyInterpolated = 0;
inline constexpr int kEnergyLinear = 1;
// The quadratic form a spectrum file stores, E = c0 + c1 (ch - 1) + c2 (ch - 1)^2, evaluated as
// stored (enc_quadratic); its items are three points of it, for the display and the init file.
inline constexpr int kEnergyQuadratic = 2;

struct EnergyCalibration {
  OneBasedArray<CalibrationItem> enc_points{kMaxCalibrationItems, CalibrationItem{}};
  int enc_count = 0, enc_mode = kEnergyInterpolated;
  bool enc_present = false;
  double enc_first_channel = 1.0, enc_last_channel = 4096.0;
  double enc_intercept = 0.0, enc_slope = 1.0;  // energy = intercept + slope * ScaledChannel
  StoredEnergyCalibration enc_quadratic;        // the coefficients of kEnergyQuadratic
  // Energy items being read from the screen or a file, before they are sorted and stored.
  OneBasedArray<CalibrationItem> enc_entry_points{kMaxCalibrationItems, CalibrationItem{}};

  bool operator==(const EnergyCalibration&) const = default;
};

struct EfficiencyCalibration {
  OneBasedArray<CalibrationItem> efc_points{kMaxCalibrationItems, CalibrationItem{}};
  int efc_count = 0, efc_mode = 0;
  bool efc_present = false;

  bool operator==(const EfficiencyCalibration&) const = default;
};

}  // namespace pektra
