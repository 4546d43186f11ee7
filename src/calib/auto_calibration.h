// The automatic energy calibration: a linear energy calibration from the marked peaks of a Ra226
// or Eu152 spectrum, found by the spacing of a characteristic group of lines, without typed data.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "calib/calibration.h"
#include "core/debug_log.h"

namespace pektra {

class UserInterface;

enum class CalibrationSource : int { kRa226 = 0, kEu152 = 1 };

inline constexpr const char* kAutoCalibrationLogName = "adebug.res";

// The reference lines of the source, keV, ascending.
std::span<const double> ReferenceLines(CalibrationSource source);
// The reference energies in [emin, emax], in table order.
std::vector<double> ReferenceLinesIn(CalibrationSource source, double emin, double emax);

// What a run of the procedure found. kDone: the items, mode 1, the fitted line and enc_present are
// in the calibration given; the other results leave it unusable and say why.
struct AutoCalibrationRun {
  enum class Status { kDone, kWrongEnergies, kNoPattern, kUnusable };
  Status status = Status::kDone;
  double gain = 0.0;         // first gain, keV per channel
  double offset = 0.0;       // offset after the two passes, keV
  double discrepancy = 0.0;  // largest |E − LinearEnergy(channel)| of the items, keV
  int pattern = 0;           // the first spacing (1-based) of the group the gain came from
  std::string message;       // the failure's message ("" for kDone)
};

// The procedure from the reference lines on, on the marked peaks sorted ascending (at least 5):
// the items of the lines in [emin, emax] (error 1), the first gain from the first group of
// spacings that fits (Ra226: three spacings within 5 channels of each other, else two, for a mean
// spacing of 55.75 keV; Eu152: two spacings in the ratio 1.23 within 5 channels, for 111.25 keV),
// every line matched to the nearest peak, the offset corrected in two passes, the one worst item
// dropped when it is more than 25 keV off, and the straight line fitted. `pattern` > 0 takes the
// group that starts at that spacing instead of the first that fits (the fall-back). Trace lines go
// to `trace` when given.
AutoCalibrationRun RunAutoCalibration(const Calibrations& cal, std::span<const double> peaks,
                                      CalibrationSource source, double emin, double emax,
                                      DebugLog* trace, int pattern = 0);

// The spacings (1-based index of the first) at which a group of the source's pattern starts, in
// order; the stated procedure takes the first.
std::vector<int> PatternCandidates(std::span<const double> peaks, CalibrationSource source);

// The fall-back for measured spectra, in which other peaks lie between the source's lines and the
// first group of neighbours that fits is seldom the source's: every group of marked peaks,
// neighbours or not, spaced as the lines (Ra226: four peaks at spacings equal within 8 %; Eu152:
// three peaks in the spacing ratio of 122, 245 and 344 keV within 2.5 %) gives a gain and offset
// from its outer lines; the lines are matched, matched again on the straight line through the
// pairs, the worst item is dropped beyond 25 keV and the line fitted. The group with the smallest
// discrepancy wins and is left in `cal`; kNoPattern when no group gives a calibration.
AutoCalibrationRun RunAutoCalibrationFallback(const Calibrations& cal,
                                              std::span<const double> peaks,
                                              CalibrationSource source, double emin, double emax);

// The stated procedure first; only when it finds no pattern, leaves no usable calibration or a
// discrepancy above 0.5 keV is the fall-back tried, and its result kept when it is better (smaller
// discrepancy). `fell_back` says which was kept.
AutoCalibrationRun CalibrateWithFallback(const Calibrations& cal, std::span<const double> peaks,
                                         CalibrationSource source, double emin, double emax,
                                         DebugLog* trace, bool* fell_back);

// The square root of count × D above 0.5: the warning limit of the discrepancy question.
bool DiscrepancyWarning(int count, double discrepancy);

// The report list: "Max discrepancy(KeV)= " and D (10:2), an empty line, the heading, an empty
// line, then per item its energy (10:3), channel (10:3) and fitted energy (15:3).
std::vector<std::string> AutoCalibrationReport(const EnergyCalibration& enc, double discrepancy);

// What the command works on.
struct AutoCalibrationContext {
  Calibrations cal;
  const OneBasedArray<double>& peak_list;
  int peak_count;
  bool rus_help = false;
  bool debug_mode = false;
  std::string trace_file;  // "adebug.res" in the work folder: written in debug mode
};

// "Auto_Energy_Calibration": "Too little peaks for auto-calibration" below 5 marked peaks; the
// dialog "Auto energy calibration" (source, E_min, E_max); the procedure; the question "Warning,
// discrepancy more than 0.5KeV; Proceed?" when √(count × D) > 0.5; the report of the pairs. A
// failure shows its message and "Calibration failed"; a failed or cancelled run leaves the energy
// calibration as it was. True when the new calibration is in force.
bool AutoEnergyCalibration(const AutoCalibrationContext& ctx, UserInterface& ui);

}  // namespace pektra
