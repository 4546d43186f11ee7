// The calibration commands of the menus: entering energy and efficiency items on the screen,
// reading and saving calibration files, and the graph of the energy calibration. The readers and
// writers work on streams, so that tests and fuzz targets feed them bytes.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>

#include "calib/calibration.h"
#include "calib/calibration_file.h"
#include "core/display_settings.h"
#include "core/picture.h"
#include "core/result_rows.h"
#include "core/work_files.h"

namespace pektra {

class UserInterface;

// The parts of the analysis state that the calibration commands read and change: the
// calibrations, their file names, and the marked peaks and result rows that can become energy
// items.
struct CalibrationContext {
  EnergyCalibration& enc;
  EfficiencyCalibration& efc;
  NumericWork& work;
  WorkFiles& files;
  const DisplaySettings& display;
  const OneBasedArray<double>& peak_list;
  int peak_count;
  const ResultTable& results;

  Calibrations calibrations() const { return {enc, efc, work}; }
};

// Items typed in a memo, one per line: the first three numbers of a line (missing ones are 0).
// Blank lines and lines whose numbers add up to 0 (also text, such as the heading) give no item.
// `count` counts every item typed; only the first 60 are kept, sorted ascending by their first
// value.
struct TypedItems {
  OneBasedArray<CalibrationItem> items{kMaxCalibrationItems, CalibrationItem{}};
  int count = 0;
  int stored() const { return count < kMaxCalibrationItems ? count : kMaxCalibrationItems; }
};
TypedItems ReadTypedItems(std::string_view memo_text);

// Stores n energy items (at most 60) as the energy calibration in the given mode and switches it
// on: sorted into enc_entry_points and enc_points, and in linear mode the line fitted. The caller
// has checked them with CheckEnergyItems.
void InstallEnergyCalibration(const Calibrations& cal, const OneBasedArray<CalibrationItem>& items,
                              int n, int mode);
// Stores n efficiency items (1 to 60), sorted, and switches the efficiency calibration on.
void InstallEfficiencyCalibration(EfficiencyCalibration& efc,
                                  const OneBasedArray<CalibrationItem>& items, int n);

// The calibration file: a heading of three lines, then one item per line; channel, energy and
// error with 2 decimals in 10 characters each, or energy with 2 decimals in 10 and coefficient and
// error with 7 decimals in 15 characters each. A number too wide for its field widens it and is
// kept apart from its neighbour by a blank.
void WriteCalibrationFile(std::ostream& out, CalibrationKind kind,
                          const OneBasedArray<CalibrationItem>& items, int n);

// The memo of the energy items for checking: a heading, then channel (8:2), energy (8:2) and
// error (7:2), in linear mode followed by the fitted energy (9:2) and the weighted squared
// deviation (12:2). Lines are separated by "\n".
std::string EnergyItemsMemo(const EnergyCalibration& enc);
// The memo of the efficiency items: energy (10:2), coefficient (10:5), error (10:5).
std::string EfficiencyItemsMemo(const EfficiencyCalibration& efc);

// The 200 x 215 graph of the energy calibration: the calibration curve at the items (aqua) and the
// items' own energies (magenta) over a dotted lime grid on black.
Picture EnergyCalibrationPicture(const Calibrations& cal);

// "Enter Energy Calibr.Data": the mode and the source of the items (marked peaks, result table,
// typed), the items typed when needed, then the items shown for checking and editing. OK on the
// last dialog switches the calibration on.
void EnterEnergyData(const CalibrationContext& ctx, UserInterface& ui);
// "Enter Eff.Calibr.Data": the efficiency items edited in a memo.
void EnterEfficiencyData(const CalibrationContext& ctx, UserInterface& ui);
// "Input Energy Calibr.Data  From File", "Input Eff.Calibr.Data From File".
void LoadCalibrationFile(const CalibrationContext& ctx, UserInterface& ui, CalibrationKind kind);
// "Save Energy Calibration", "Save Efficiency Calibration".
void SaveEnergyCalibration(const CalibrationContext& ctx, UserInterface& ui);
void SaveEfficiencyCalibration(const CalibrationContext& ctx, UserInterface& ui);
// "Graph Energy Calibration".
void ShowEnergyCalibrationGraph(const CalibrationContext& ctx, UserInterface& ui);

}  // namespace pektra
